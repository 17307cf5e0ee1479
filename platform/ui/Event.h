#pragma once
// Input events as the application sees them: mouse, key and system-defined events with
// their type (the platform's numbering, so that masks are 1 << type), location in their
// window, the window, modifier flags, characters and the data of system-defined events.
// Value type; events are delivered on the main thread.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/Geometry.h"

namespace platform::ui {

class Window;

enum class EventType : int {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    RightMouseDown = 3,
    RightMouseUp = 4,
    MouseMoved = 5,
    LeftMouseDragged = 6,
    RightMouseDragged = 7,
    MouseEntered = 8,
    MouseExited = 9,
    KeyDown = 10,
    KeyUp = 11,
    FlagsChanged = 12,
    SystemDefined = 14,
    ScrollWheel = 22,
    OtherMouseDown = 25,
    OtherMouseUp = 26,
};

using EventMask = uint64_t;
constexpr EventMask eventMask(EventType type) {
    return EventMask{1} << static_cast<int>(type);
}
constexpr EventMask kAnyEventMask = ~EventMask{0};

struct Event {
    EventType type = EventType::MouseMoved;
    Point locationInWindow;        // in the window's base coordinates
    std::weak_ptr<Window> window;  // none for events of other applications
    double timestamp = 0;          // seconds of Clock::current()
    uint64_t modifierFlags = 0;
    std::string characters;
    uint16_t keyCode = 0;
    int clickCount = 1;
    int16_t subtype = 0;
    int64_t data1 = 0;  // system-defined events
    int64_t data2 = 0;

    std::shared_ptr<Window> windowPtr() const { return window.lock(); }

    // A mouse event at a point of a window (none: a point on the screen).
    static Event mouse(EventType type, Point locationInWindow,
                       const std::shared_ptr<Window>& window = nullptr);
    static Event key(EventType type, std::string characters, uint16_t keyCode = 0,
                     const std::shared_ptr<Window>& window = nullptr);
    static Event systemDefined(int16_t subtype, int64_t data1);

    // The mouse position in screen coordinates, as last seen by the application.
    static Point mouseLocation();
    static void setMouseLocation(Point location);
};

}  // namespace platform::ui
