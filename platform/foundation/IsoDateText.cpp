#include "platform/foundation/IsoDateText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace platform::foundation::isodate {

namespace {

// Days from 1970-01-01 to the given proleptic Gregorian date (era-based arithmetic, so
// it holds for every year without tables).
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

struct Civil {
    int64_t year;
    unsigned month;
    unsigned day;
};

Civil civilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

bool isLeap(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(int64_t year, unsigned month) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// Reads exactly `width` decimal digits at `pos`.
bool readDigits(std::string_view text, size_t& pos, size_t width, unsigned& out) {
    if (pos + width > text.size()) return false;
    out = 0;
    for (size_t i = 0; i < width; ++i) {
        char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<unsigned>(c - '0');
    }
    pos += width;
    return true;
}

bool expect(std::string_view text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

std::string format(Date date) {
    static const double kFirst = static_cast<double>(daysFromCivil(1, 1, 1)) * 86400.0;
    static const double kLast =
        static_cast<double>(daysFromCivil(9999, 12, 31)) * 86400.0 + 86399.0;
    double seconds = std::isnan(date.secondsSince1970) ? 0.0 : std::floor(date.secondsSince1970);
    if (seconds < kFirst) seconds = kFirst;
    if (seconds > kLast) seconds = kLast;
    const auto total = static_cast<int64_t>(seconds);
    int64_t days = total / 86400;
    int64_t secondOfDay = total % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    const Civil civil = civilFromDays(days);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ",
                  static_cast<long long>(civil.year), civil.month, civil.day,
                  static_cast<long long>(secondOfDay / 3600),
                  static_cast<long long>(secondOfDay / 60 % 60),
                  static_cast<long long>(secondOfDay % 60));
    return buffer;
}

std::optional<Date> parse(std::string_view text) {
    size_t pos = 0;
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readDigits(text, pos, 4, year) || !expect(text, pos, '-') ||
        !readDigits(text, pos, 2, month) || !expect(text, pos, '-') ||
        !readDigits(text, pos, 2, day) || !expect(text, pos, 'T') ||
        !readDigits(text, pos, 2, hour) || !expect(text, pos, ':') ||
        !readDigits(text, pos, 2, minute) || !expect(text, pos, ':') ||
        !readDigits(text, pos, 2, second)) {
        return std::nullopt;
    }
    double fraction = 0;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        double scale = 0.1;
        size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            fraction += (text[pos] - '0') * scale;
            scale /= 10;
            ++pos;
            ++digits;
        }
        if (digits == 0) return std::nullopt;
    }
    if (!expect(text, pos, 'Z') || pos != text.size()) return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return std::nullopt;
    }
    const int64_t days = daysFromCivil(year, month, day);
    const double seconds =
        static_cast<double>(days * 86400 + hour * 3600 + minute * 60 + second) + fraction;
    return Date{seconds};
}

}  // namespace platform::foundation::isodate
