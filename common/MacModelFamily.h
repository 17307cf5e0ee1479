#pragma once
// The Mac's model family ("Mac mini", "MacBook Pro", ...) from its model identifier. Both the
// display code (a Mac mini needs a virtual main display) and the companion server (which
// reports the model) ask it, so it lives below both. Any thread.

#include <string>

namespace common {

// "Mac" when the identifier is unknown or cannot be read.
std::string macModelFamily();

}  // namespace common
