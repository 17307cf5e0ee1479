#pragma once
// Time stamps of now and of given dates as text, and back. Every text uses the calendar
// year ("yyyy"), never the week-based year ("YYYY"): a week-based year shows the wrong
// year in the last days of December and the first days of January, and parsing with it
// drops the month and the day. Thread-safe.

#include <string>
#include <string_view>

#include "platform/foundation/Value.h"

namespace common {

// "2024-05-17 09:03:07.125" in the "en_US_POSIX" locale: the stamp of usage records.
std::string currentTimeString();
// "2024-05-17 09:03:07:125", "2024-05-17 09:03:07" and "20240517", in the user's locale.
std::string timestampWithMilliseconds();
std::string timestampText();
std::string dateStamp();

// Seconds since 1970 as a decimal text: whole seconds, or rounded milliseconds.
std::string epochTimeText(bool milliseconds);
// "2024-05-17 09:03:07" for the given seconds since 1970, in the user's locale.
std::string timestampFromEpoch(double secondsSince1970);
// Texts of 19 characters read as "2024-05-17 09:03:07", others as "2024-05-17 09:03:07:125".
// 0 when the text does not parse.
double epochSecondsFromTimestamp(std::string_view timestamp);
// Reads "2024-05-17 09:03:07" only; milliseconds since 1970, or 0 when it does not parse.
double epochMillisecondsFromTimestamp(std::string_view timestamp);

enum class ComparisonResult { OrderedAscending = -1, OrderedSame = 0, OrderedDescending = 1 };
ComparisonResult compareDates(platform::foundation::Date first, platform::foundation::Date second);

}  // namespace common
