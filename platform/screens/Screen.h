#pragma once
// The screen list: one screen per visible display (a mirror set shows as one screen, the
// display that the others mirror), the main display's screen first. A screen is a value
// taken when the list is read: its frame (points, origin at the bottom left of the main
// screen, y growing upwards), its device description with "NSScreenNumber" and its
// localised name. Thread-safe.

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "platform/screens/DisplayTypes.h"

namespace platform::screens {

struct Screen {
    Rect frame;
    foundation::ValueDictionary deviceDescription;
    std::string localizedName;
    bool operator==(const Screen&) const = default;
};

std::vector<Screen> screens();
// The main display's screen, or none without displays.
std::optional<Screen> mainScreen();

}  // namespace platform::screens
