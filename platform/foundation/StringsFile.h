#pragma once
// The platform's ".strings" text format: `"key" = "value";` pairs with /* */ and //
// comments, quoted or bare keys, and the escapes \n \t \r \" \\ \' and \Uxxxx (UTF-16 code
// units, surrogate pairs joined). Pure and thread-safe; bad input gives an Error.

#include <map>
#include <span>
#include <string>

#include "platform/foundation/Result.h"

namespace platform::foundation {

using StringsTable = std::map<std::string, std::string>;

// Accepts UTF-8, and UTF-16 with a byte-order mark.
Result<StringsTable> parseStringsFile(std::span<const uint8_t> bytes);

}  // namespace platform::foundation
