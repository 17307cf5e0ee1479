#pragma once
// Reading a JSON text into a dictionary. Pure function, thread-safe; any bytes are safe.

#include <optional>
#include <string_view>

#include "platform/foundation/Value.h"

namespace common {

// Nothing for an empty text, a text that is not JSON (or not UTF-8), or a JSON value
// other than an object.
std::optional<platform::foundation::ValueDictionary> dictionaryFromJSONText(std::string_view text);

}  // namespace common
