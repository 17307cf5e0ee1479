#pragma once
// The local path a file URL names: "file:///a%20b" is "/a b". Pure function, thread-safe.

#include <optional>
#include <string>
#include <string_view>

namespace common {

// Nothing when the text is not a file URL with an absolute path on this machine (host
// empty or "localhost") or holds a malformed or NUL percent escape.
std::optional<std::string> pathFromFileUrl(std::string_view url);

}  // namespace common
