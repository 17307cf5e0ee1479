#pragma once
// The process-wide USB service object. Live duties: whether the application may record
// the screen, raising the system's screen-recording prompt, and passing log text to a
// log-output block. It also carries a component nothing in the application starts: a
// glasses server of its own (not started until start()), the 3D switch through it, frame
// conversions of captured sample buffers and synthetic key and scroll events.
//
// The singleton is created once, thread-safely. The blocks are guarded; the operations
// run on their caller's thread (the permission check and prompt on the main thread).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "glasses/TavroVXServer.h"
#include "platform/capture/PixelBuffer.h"
#include "platform/foundation/Guarded.h"
#include "platform/foundation/Value.h"

class TavroUSBServiceOC {
  public:
    using PlugBlock = std::function<void(bool)>;
    using LogBlock = std::function<void(const std::string&)>;
    using PositionBlock = std::function<void(const platform::foundation::Value&)>;

    static TavroUSBServiceOC& shareManager();

    // Starts the object's own glasses server and forwards its plug changes to
    // devicePlugInOrPullOutBlock.
    void start();
    // Switches 3D on or off through the object's own server; its status.
    int32_t open3D(bool on);
    void updateAppPositionWithResult(const platform::foundation::Value& result);
    void printLog(const std::string& text);

    // [image (a BitmapImage object), width, height]; empty when the sample has no pixels.
    platform::foundation::ValueArray bufferToImage(const platform::capture::SampleBuffer& sample);
    // [data (height × bytes-per-row bytes), width, height]; empty when it has no pixels.
    platform::foundation::ValueArray bufferToData(const platform::capture::SampleBuffer& sample);

    bool canRecordScreen();
    // Returns at once; the request makes the system prompt when the permission is missing.
    void showScreenRecordingPrompt();

    // Control + an arrow key: 0 up, 1 down, 2 left, 3 right; other directions do nothing.
    void handleThreeFingerSwipeIsLeft(int64_t direction);
    // Three scroll-wheel events, 0.05 s apart (blocks the caller that long).
    void simulateThreeFingerSwipeUp();
    static void destroySpaceWithID(const platform::foundation::Value&) {}

    PlugBlock devicePlugInOrPullOutBlock() const { return plugBlock_.get(); }
    void setDevicePlugInOrPullOutBlock(PlugBlock block) { plugBlock_.set(std::move(block)); }
    LogBlock printLogOutputBlock() const { return logBlock_.get(); }
    void setPrintLogOutputBlock(LogBlock block) { logBlock_.set(std::move(block)); }
    PositionBlock updateAppPositionBlock() const { return positionBlock_.get(); }
    void setUpdateAppPositionBlock(PositionBlock block) { positionBlock_.set(std::move(block)); }
    TavroVXServer& vxService() { return *vxService_; }

  private:
    TavroUSBServiceOC();

    platform::foundation::Guarded<PlugBlock> plugBlock_;
    platform::foundation::Guarded<LogBlock> logBlock_;
    platform::foundation::Guarded<PositionBlock> positionBlock_;
    std::unique_ptr<TavroVXServer> vxService_;
};
