#include <atomic>

#include "common/GlobalHelpers.h"
#include "platform/capture/CaptureServices.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/Event.h"

namespace common {
namespace {

// Set by the first untrusted check. Any thread may ask, so the flag is taken atomically and
// the event is scheduled at most once per process run.
std::atomic<bool> gAccessibilityEventPosted{false};

}  // namespace

bool checkAccessibility() {
    if (platform::capture::isProcessTrusted(true)) return true;
    if (!gAccessibilityEventPosted.exchange(true)) {
        platform::foundation::mainQueue()->asyncAfterSeconds(0.25, [] { postMouseMovedEvent(); });
    }
    return false;
}

void postMouseMovedEvent() {
    namespace capture = platform::capture;
    const platform::ui::Point location = platform::ui::Event::mouseLocation();
    capture::postEvent(capture::EventTap::Hid,
                       capture::mouseEvent(capture::EventSourceState::None,
                                           capture::EventType::MouseMoved,
                                           {location.x, location.y}, 0));
}

}  // namespace common
