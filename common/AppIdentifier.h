#pragma once
// The application's reverse-DNS bundle identifier, to which notification names and file
// names append their suffixes. Read from the main bundle once; thread-safe.

#include <string>

namespace common {

const std::string& AppIdentifier();

}  // namespace common
