#pragma once
// Dates as text and back with the platform's date patterns (ICU's, as "yyyy-MM-dd"), in
// the user's current time zone. Each call makes its own formatter: thread-safe.

#include <optional>
#include <string>
#include <string_view>

namespace common {

// The locale the user has chosen for the machine ("AppleLocale"), or this process's.
std::string userLocaleIdentifier();

// `secondsSince1970` in the user's time zone; the empty text when the pattern or the
// locale cannot make a formatter.
std::string formatDate(double secondsSince1970, const std::string& pattern,
                       const std::string& localeIdentifier);
// The whole text must match the pattern strictly; nothing otherwise.
std::optional<double> parseDate(std::string_view text, const std::string& pattern,
                                const std::string& localeIdentifier);

// Now, as seconds since 1970 from the wall clock.
double secondsSince1970Now();

}  // namespace common
