#include "platform/capture/CaptureStream.h"

#include <algorithm>
#include <utility>

#include "platform/foundation/InstalledBackend.h"
#include "platform/foundation/Mutex.h"

namespace platform::capture {

using foundation::Clock;
using foundation::DispatchQueuePtr;
using foundation::DispatchTimer;
using foundation::Error;

namespace {

constinit foundation::InstalledBackend<FrameSource> installedSource;

Error streamError(int code, std::string message) {
    return Error{"CaptureStream", code, std::move(message)};
}

}  // namespace

std::shared_ptr<FrameSource> frameSource() {
    return installedSource.get();
}

void installFrameSource(std::shared_ptr<FrameSource> source) {
    installedSource.install(std::move(source));
}

struct CaptureStream::State : std::enable_shared_from_this<State> {
    StreamConfiguration configuration;
    OutputHandler handler;
    DispatchQueuePtr handlerQueue;

    mutable foundation::Mutex mutex;
    bool running TAVRO_GUARDED_BY(mutex) = false;
    bool frameInFlight TAVRO_GUARDED_BY(mutex) = false;
    // Moves on at every start and stop, so that a frame asked for by an earlier run is
    // recognised and dropped.
    uint64_t run TAVRO_GUARDED_BY(mutex) = 0;
    std::shared_ptr<DispatchTimer> timer TAVRO_GUARDED_BY(mutex);
    uint64_t delivered TAVRO_GUARDED_BY(mutex) = 0;

    bool isCurrent(uint64_t asked) const TAVRO_REQUIRES(mutex) { return running && run == asked; }

    void tick(uint64_t asked) {
        auto source = frameSource();
        {
            foundation::MutexLock lock(mutex);
            if (!isCurrent(asked) || frameInFlight) return;
            frameInFlight = true;
        }
        if (!source) {
            foundation::MutexLock lock(mutex);
            frameInFlight = false;
            return;
        }
        std::weak_ptr<State> weak = weak_from_this();
        source->requestFrame(configuration.displayId, configuration.width, configuration.height,
                             [weak, asked](std::shared_ptr<PixelBuffer> buffer) {
                                 if (auto self = weak.lock())
                                     self->arrived(asked, std::move(buffer));
                             });
    }

    void arrived(uint64_t asked, std::shared_ptr<PixelBuffer> buffer) {
        {
            foundation::MutexLock lock(mutex);
            frameInFlight = false;
            if (!buffer || !isCurrent(asked)) return;
        }
        std::weak_ptr<State> weak = weak_from_this();
        handlerQueue->async([weak, asked, buffer = std::move(buffer)] {
            auto self = weak.lock();
            if (!self) return;
            {
                foundation::MutexLock lock(self->mutex);
                if (!self->isCurrent(asked)) return;
                ++self->delivered;
            }
            self->handler(SampleBuffer{buffer});
        });
    }

    // Ends the current run.
    std::shared_ptr<DispatchTimer> endRun() TAVRO_REQUIRES(mutex) {
        running = false;
        ++run;
        return std::exchange(timer, nullptr);
    }
};

std::shared_ptr<CaptureStream> CaptureStream::make(StreamConfiguration configuration,
                                                   OutputHandler handler,
                                                   DispatchQueuePtr handlerQueue) {
    return std::shared_ptr<CaptureStream>(
        new CaptureStream(configuration, std::move(handler), std::move(handlerQueue)));
}

CaptureStream::CaptureStream(StreamConfiguration configuration, OutputHandler handler,
                             DispatchQueuePtr handlerQueue)
    : configuration_(configuration), state_(std::make_shared<State>()) {
    state_->configuration = configuration;
    state_->handler = std::move(handler);
    state_->handlerQueue = handlerQueue ? std::move(handlerQueue) : foundation::globalQueue();
}

CaptureStream::~CaptureStream() {
    std::shared_ptr<DispatchTimer> timer;
    {
        foundation::MutexLock lock(state_->mutex);
        timer = state_->endRun();
    }
    if (timer) timer->cancel();
}

void CaptureStream::startCapture(Completion completion) {
    std::weak_ptr<State> weak = state_;
    foundation::globalQueue()->async([weak, completion = std::move(completion)] {
        auto state = weak.lock();
        std::optional<Error> failure;
        auto source = frameSource();
        const auto& configuration = state ? state->configuration : StreamConfiguration{};
        if (!state) {
            failure = streamError(1, "the stream has gone");
        } else if (!source || !source->hasDisplay(configuration.displayId)) {
            failure = streamError(2, "no such display to capture");
        } else if (configuration.width == 0 || configuration.height == 0 ||
                   !(configuration.framesPerSecond > 0)) {
            failure = streamError(3, "the stream has no frame size or rate");
        } else {
            foundation::MutexLock lock(state->mutex);
            if (!state->running) {
                state->running = true;
                uint64_t run = ++state->run;
                auto timer = DispatchTimer::make(foundation::makeSerialQueue("capture.stream"));
                const auto interval = Clock::fromSeconds(1.0 / configuration.framesPerSecond);
                timer->setTimer(Clock::Duration{0}, interval);
                timer->setEventHandler([weak, run] {
                    if (auto self = weak.lock()) self->tick(run);
                });
                timer->resume();
                state->timer = std::move(timer);
            }
        }
        if (completion) completion(failure);
    });
}

void CaptureStream::stopCapture(Completion completion) {
    std::shared_ptr<DispatchTimer> timer;
    {
        foundation::MutexLock lock(state_->mutex);
        timer = state_->endRun();
    }
    if (timer) timer->cancel();
    if (!completion) return;
    // Through the handler queue, so that the completion comes after a frame in hand.
    state_->handlerQueue->async([completion = std::move(completion)] { completion(std::nullopt); });
}

bool CaptureStream::isRunning() const {
    foundation::MutexLock lock(state_->mutex);
    return state_->running;
}

uint64_t CaptureStream::framesDelivered() const {
    foundation::MutexLock lock(state_->mutex);
    return state_->delivered;
}

}  // namespace platform::capture
