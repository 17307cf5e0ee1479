#pragma once
// The name tests of the screen rules, on the lower-cased localised name. Any thread.

#include <string_view>

// Neither "tavro" nor "monitor": neither the glasses nor a virtual display.
bool isHostScreenName(std::string_view name);
