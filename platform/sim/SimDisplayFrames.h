#pragma once
// The pictures of the simulated Mac's displays, as a capture stream sees them: what the
// application's visible windows on that display show (rendered with the interface's
// renderer, back to front, over black), or, when no window is on it, a moving test
// pattern (colour bars with a gradient that slide one bar width per second of clock
// time), so that a capture always has real pictures to work on.
//
// Frames are asked for from any thread; they are made on the main queue (windows are
// main-thread objects), which must be running for frames to arrive.

#include <memory>

#include "platform/capture/CaptureStream.h"
#include "platform/sim/SimDisplayServer.h"

namespace platform::sim {

class SimDisplayFrames final : public capture::FrameSource {
  public:
    explicit SimDisplayFrames(std::shared_ptr<SimDisplayServer> displays);

    bool hasDisplay(uint32_t displayId) const override;
    void requestFrame(uint32_t displayId, size_t width, size_t height,
                      std::function<void(std::shared_ptr<capture::PixelBuffer>)> deliver) override;

    // The test pattern at `seconds` of clock time; any thread.
    static void drawTestPattern(capture::PixelBuffer& buffer, double seconds);

  private:
    std::weak_ptr<SimDisplayServer> displays_;
};

}  // namespace platform::sim
