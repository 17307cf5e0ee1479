#pragma once
// A capture stream of one display: once started it hands a frame (a sample buffer holding
// a pixel buffer of the display's picture) to its output handler on the caller's queue,
// at the rate it was set up with, measured on Clock::current(). Starting and stopping are
// asynchronous: start's completion runs on a global queue once the stream runs (or could
// not start); stop's completion runs on the handler queue once the stream has stopped,
// after the frame being handled, if any; with a serial handler queue no frame reaches
// the handler after that completion. A frame still being produced when the next one is due is not
// asked for twice: a slow frame delays the next one.
//
// Where frames come from is the installed frame source (on a simulated Mac the run's
// factory installs the SimMac's, which renders what its displays show); without a source,
// or for a display the source does not know, start fails.
//
// Thread-safe; the stream may be released from any thread (it stops itself).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/capture/PixelBuffer.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Error.h"

namespace platform::capture {

// Produces the pictures of displays, opaque as a display shows them. `deliver` may be
// called on any thread, once per request, with null when the display cannot be pictured
// (it has gone).
class FrameSource {
  public:
    virtual ~FrameSource() = default;
    virtual bool hasDisplay(uint32_t displayId) const = 0;
    virtual void requestFrame(uint32_t displayId, size_t width, size_t height,
                              std::function<void(std::shared_ptr<PixelBuffer>)> deliver) = 0;
};

std::shared_ptr<FrameSource> frameSource();
void installFrameSource(std::shared_ptr<FrameSource> source);

struct StreamConfiguration {
    uint32_t displayId = 0;
    size_t width = 0;   // pixels
    size_t height = 0;  // pixels
    double framesPerSecond = 60;
};

class CaptureStream : public std::enable_shared_from_this<CaptureStream> {
  public:
    using OutputHandler = std::function<void(const SampleBuffer&)>;
    using Completion = std::function<void(std::optional<foundation::Error>)>;

    static std::shared_ptr<CaptureStream> make(StreamConfiguration configuration,
                                               OutputHandler handler,
                                               foundation::DispatchQueuePtr handlerQueue);
    ~CaptureStream();
    CaptureStream(const CaptureStream&) = delete;
    CaptureStream& operator=(const CaptureStream&) = delete;

    const StreamConfiguration& configuration() const { return configuration_; }
    void startCapture(Completion completion = nullptr);
    void stopCapture(Completion completion = nullptr);
    bool isRunning() const;
    uint64_t framesDelivered() const;

  private:
    struct State;
    CaptureStream(StreamConfiguration configuration, OutputHandler handler,
                  foundation::DispatchQueuePtr handlerQueue);
    const StreamConfiguration configuration_;
    std::shared_ptr<State> state_;
};

}  // namespace platform::capture
