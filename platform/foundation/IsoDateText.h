#pragma once
// ISO 8601 UTC date texts ("2026-12-06T17:00:00Z") as property lists write them.
// Internal to the foundation library. Pure functions, thread-safe.

#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Value.h"

namespace platform::foundation::isodate {

// Whole seconds, as property lists keep them; the fraction is dropped (rounded towards
// the past). Dates beyond the years 0001...9999 are written as the nearest end of that
// range, and a date that is not a number as 1970-01-01, so that writing never fails.
std::string format(Date date);

// "YYYY-MM-DDTHH:MM:SS" with an optional fraction and a final "Z". Null when malformed or
// when a field is out of range.
std::optional<Date> parse(std::string_view text);

}  // namespace platform::foundation::isodate
