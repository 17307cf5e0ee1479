#include "common/DateFormat.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>

#include <chrono>
#include <climits>
#include <memory>

#include "platform/foundation/SystemInfo.h"

namespace common {

namespace {

std::unique_ptr<icu::SimpleDateFormat> makeFormatter(const std::string& pattern,
                                                     const std::string& localeIdentifier) {
    UErrorCode status = U_ZERO_ERROR;
    auto formatter = std::make_unique<icu::SimpleDateFormat>(
        icu::UnicodeString::fromUTF8(pattern), icu::Locale(localeIdentifier.c_str()), status);
    if (U_FAILURE(status)) return nullptr;
    formatter->setLenient(false);
    return formatter;
}

}  // namespace

std::string userLocaleIdentifier() {
    if (auto locale = platform::foundation::appleLocale(); locale && !locale->empty()) {
        return *locale;
    }
    return icu::Locale::getDefault().getName();
}

std::string formatDate(double secondsSince1970, const std::string& pattern,
                       const std::string& localeIdentifier) {
    auto formatter = makeFormatter(pattern, localeIdentifier);
    if (!formatter) return {};
    icu::UnicodeString formatted;
    formatter->format(static_cast<UDate>(secondsSince1970 * 1000.0), formatted);
    std::string out;
    formatted.toUTF8String(out);
    return out;
}

std::optional<double> parseDate(std::string_view text, const std::string& pattern,
                                const std::string& localeIdentifier) {
    if (text.size() > static_cast<size_t>(INT32_MAX)) return std::nullopt;
    auto formatter = makeFormatter(pattern, localeIdentifier);
    if (!formatter) return std::nullopt;
    icu::UnicodeString subject = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    icu::ParsePosition position(0);
    UDate date = formatter->parse(subject, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != subject.length()) {
        return std::nullopt;
    }
    return date / 1000.0;
}

double secondsSince1970Now() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
}

}  // namespace common
