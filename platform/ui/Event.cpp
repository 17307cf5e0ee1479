#include "platform/ui/Event.h"

#include "platform/foundation/Guarded.h"
#include "platform/screens/DisplayServices.h"
#include "platform/screens/Screen.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
foundation::Guarded<Point>& location() {
    static foundation::Guarded<Point> point;
    return point;
}

// Global display coordinates grow downwards from the main display's top left corner,
// screen coordinates upwards from its bottom left corner.
double mainDisplayHeight() {
    auto main = platform::screens::mainScreen();
    return main ? main->frame.height : 0;
}

}  // namespace

Event Event::mouse(EventType type, Point locationInWindow, const std::shared_ptr<Window>& window) {
    Event event;
    event.type = type;
    event.locationInWindow = locationInWindow;
    event.window = window;
    event.timestamp = Layer::currentMediaTime();
    return event;
}

Event Event::key(EventType type, std::string characters, uint16_t keyCode,
                 const std::shared_ptr<Window>& window) {
    Event event;
    event.type = type;
    event.characters = std::move(characters);
    event.keyCode = keyCode;
    event.window = window;
    event.timestamp = Layer::currentMediaTime();
    return event;
}

Event Event::systemDefined(int16_t subtype, int64_t data1) {
    Event event;
    event.type = EventType::SystemDefined;
    event.subtype = subtype;
    event.data1 = data1;
    event.timestamp = Layer::currentMediaTime();
    return event;
}

Point Event::mouseLocation() {
    // The machine has one cursor: the display server's, when it tracks one.
    if (auto cursor = platform::screens::cursorPosition()) {
        return {cursor->x, mainDisplayHeight() - cursor->y};
    }
    return location().get();
}

void Event::setMouseLocation(Point point) {
    if (platform::screens::cursorPosition()) {
        platform::screens::warpMouseCursorPosition({point.x, mainDisplayHeight() - point.y});
        return;
    }
    location().set(point);
}

}  // namespace platform::ui
