#pragma once
// Looking displays up in a snapshot of the display server, shared by the display services
// and the screen list. Pure functions over values.

#include <optional>
#include <vector>

#include "platform/screens/DisplayTypes.h"

namespace platform::screens::detail {

std::vector<DisplayInfo> snapshot();
const DisplayInfo* find(const std::vector<DisplayInfo>& displays, DisplayId id);
// The display at (0, 0) that mirrors nothing, else the first that mirrors nothing.
const DisplayInfo* mainOf(const std::vector<DisplayInfo>& displays);
bool inMirrorSet(const std::vector<DisplayInfo>& displays, DisplayId id);

}  // namespace platform::screens::detail
