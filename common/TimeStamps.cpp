#include "common/TimeStamps.h"

#include <cmath>
#include <cstdint>

#include "common/DateFormat.h"

namespace common {

namespace {

const std::string kMillisecondsDotPattern = "yyyy-MM-dd HH:mm:ss.SSS";
const std::string kMillisecondsColonPattern = "yyyy-MM-dd HH:mm:ss:SSS";
const std::string kSecondsPattern = "yyyy-MM-dd HH:mm:ss";
const std::string kDayPattern = "yyyyMMdd";
constexpr size_t kSecondsTimestampLength = 19;

size_t characterCount(std::string_view text) {
    size_t count = 0;
    for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::string nowWithUserLocale(const std::string& pattern) {
    return formatDate(secondsSince1970Now(), pattern, userLocaleIdentifier());
}

}  // namespace

std::string currentTimeString() {
    return formatDate(secondsSince1970Now(), kMillisecondsDotPattern, "en_US_POSIX");
}

std::string timestampWithMilliseconds() {
    return nowWithUserLocale(kMillisecondsColonPattern);
}

std::string timestampText() {
    return nowWithUserLocale(kSecondsPattern);
}

std::string dateStamp() {
    return nowWithUserLocale(kDayPattern);
}

std::string epochTimeText(bool milliseconds) {
    double seconds = secondsSince1970Now();
    int64_t value = milliseconds ? std::llround(seconds * 1000.0) : static_cast<int64_t>(seconds);
    return std::to_string(value);
}

std::string timestampFromEpoch(double secondsSince1970) {
    return formatDate(secondsSince1970, kSecondsPattern, userLocaleIdentifier());
}

double epochSecondsFromTimestamp(std::string_view timestamp) {
    // Characters, not bytes: a locale may write its digits outside ASCII.
    const auto& pattern = characterCount(timestamp) == kSecondsTimestampLength
                              ? kSecondsPattern
                              : kMillisecondsColonPattern;
    return parseDate(timestamp, pattern, userLocaleIdentifier()).value_or(0);
}

double epochMillisecondsFromTimestamp(std::string_view timestamp) {
    return parseDate(timestamp, kSecondsPattern, userLocaleIdentifier()).value_or(0) * 1000.0;
}

ComparisonResult compareDates(platform::foundation::Date first, platform::foundation::Date second) {
    if (first.secondsSince1970 < second.secondsSince1970) return ComparisonResult::OrderedAscending;
    if (first.secondsSince1970 > second.secondsSince1970)
        return ComparisonResult::OrderedDescending;
    return ComparisonResult::OrderedSame;
}

}  // namespace common
