#pragma once
// The application's reverse-DNS bundle identifier, to which notification names and file
// names append their suffixes. Read from the main bundle once; thread-safe.

#include <string>

const std::string& AppIdentifier();
