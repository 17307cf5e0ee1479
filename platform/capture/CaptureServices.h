#pragma once
// Screen-capture permission, accessibility trust and synthetic input events: what the
// application may do to the screen and the pointer. The machine's answers come from the
// installed capture machine (on a simulated Mac the run's factory installs the SimMac's,
// with its profile's permissions); without one the process may neither record the screen
// nor is it trusted, and posted events go nowhere.
//
// Thread-safe; requestShareableContent calls its completion on a global queue.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/foundation/Guarded.h"
#include "platform/foundation/Mutex.h"

namespace platform::capture {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

enum class EventType { MouseMoved, KeyDown, KeyUp, ScrollWheel };
enum class EventTap { Hid = 0, Session = 1 };
enum class EventSourceState { None, CombinedSession, HidSystem };

inline constexpr uint64_t kEventFlagControl = 0x40000;

// One synthetic input event as it was built; fields a kind does not use stay 0.
struct InputEvent {
    EventType type = EventType::MouseMoved;
    EventSourceState source = EventSourceState::None;
    Point location;
    uint32_t mouseButton = 0;
    uint16_t keyCode = 0;
    uint64_t flags = 0;
    int64_t scrollPhase = 0;
    int64_t scrollCount = 0;
    double deltaAxis1 = 0;
    bool operator==(const InputEvent&) const = default;
};

InputEvent mouseEvent(EventSourceState source, EventType type, Point location, uint32_t button);
InputEvent keyboardEvent(EventSourceState source, uint16_t keyCode, bool down);
InputEvent scrollWheelEvent(EventSourceState source);

struct PostedEvent {
    EventTap tap = EventTap::Hid;
    InputEvent event;
};

// The machine side: its permissions and what the application did to them.
class CaptureMachine {
  public:
    CaptureMachine(bool screenRecordingAllowed, bool accessibilityTrusted);

    bool screenRecordingAllowed() const;
    void setScreenRecordingAllowed(bool allowed);
    bool accessibilityTrusted() const;
    void setAccessibilityTrusted(bool trusted);

    // How often the system's permission prompts were raised.
    int screenRecordingPrompts() const;
    int accessibilityPrompts() const;
    std::vector<PostedEvent> postedEvents() const { return posted_.get(); }

  private:
    friend bool requestShareableContentPrompt();
    friend bool isProcessTrusted(bool prompt);
    friend void postEvent(EventTap tap, const InputEvent& event);

    mutable foundation::Mutex mutex_;
    bool screenRecordingAllowed_ TAVRO_GUARDED_BY(mutex_);
    bool accessibilityTrusted_ TAVRO_GUARDED_BY(mutex_);
    int screenRecordingPrompts_ TAVRO_GUARDED_BY(mutex_) = 0;
    int accessibilityPrompts_ TAVRO_GUARDED_BY(mutex_) = 0;
    foundation::Guarded<std::vector<PostedEvent>> posted_;
};

std::shared_ptr<CaptureMachine> captureMachine();
void installCaptureMachine(std::shared_ptr<CaptureMachine> machine);

// Whether screen recording is allowed; never prompts.
bool preflightScreenCaptureAccess();
// Asks for the shareable screen content: without the permission the system raises its
// prompt. `completion` receives whether content was available.
void requestShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                             std::function<void(bool available)> completion);
// Whether the process is trusted for accessibility; with `prompt` an untrusted process
// makes the system raise its prompt.
bool isProcessTrusted(bool prompt);
void postEvent(EventTap tap, const InputEvent& event);

}  // namespace platform::capture
