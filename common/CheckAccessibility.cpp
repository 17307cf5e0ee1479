#include <atomic>
#include <functional>
#include <utility>

#include "common/GlobalHelpers.h"
#include "platform/capture/CaptureServices.h"
#include "platform/foundation/Dispatch.h"

namespace common {
namespace {

// Set by the first untrusted check. Any thread may ask, so the flag is taken atomically and
// the event is scheduled at most once per process run.
std::atomic<bool> gAccessibilityEventPosted{false};

}  // namespace

bool checkAccessibility(std::function<platform::capture::Point()> pointerLocation) {
    if (platform::capture::isProcessTrusted(true)) return true;
    if (!gAccessibilityEventPosted.exchange(true)) {
        platform::foundation::mainQueue()->asyncAfterSeconds(
            0.25, [pointerLocation = std::move(pointerLocation)] {
                postMouseMovedEvent(pointerLocation ? pointerLocation()
                                                    : platform::capture::Point{});
            });
    }
    return false;
}

void postMouseMovedEvent(platform::capture::Point location) {
    namespace capture = platform::capture;
    capture::postEvent(capture::EventTap::Hid, capture::mouseEvent(capture::EventSourceState::None,
                                                                   capture::EventType::MouseMoved,
                                                                   {location.x, location.y}, 0));
}

}  // namespace common
