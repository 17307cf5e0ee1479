#pragma once
// The text with its ASCII capitals made small and every other byte kept, as the name tests
// and key matches of the application compare names. Pure function, thread-safe.

#include <string>
#include <string_view>

namespace platform::foundation {

std::string asciiLowercased(std::string_view text);

}  // namespace platform::foundation
