#include "common/PatternChecks.h"

#include <unicode/regex.h>

#include <climits>
#include <memory>
#include <string>

#include "platform/foundation/Assert.h"

namespace common {

namespace {

constexpr char kPhonePattern[] = "^1\\d{10}$";
constexpr char kEmailPattern[] = "^[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}$";

// A local part of letters of any script, digits and the other characters RFC 5322 allows,
// with inner dots; then domain labels of letters and digits with inner hyphens.
std::string internationalEmailPattern() {
    const std::string localChar = "[\\p{L}0-9!#$%&'*+/=?^_`{|}~-]";
    const std::string localCharOrDot = "[\\p{L}0-9!#$%&'*+/=?^_`{|}~.-]";
    const std::string label = "[\\p{L}0-9](?:[\\p{L}0-9-]*[\\p{L}0-9])?";
    return "^" + localChar + "(?:" + localCharOrDot + "*" + localChar + ")?@(?:" + label + "\\.)+" +
           label + "$";
}

// Compiled once. The patterns are this file's own, so one that does not compile is a fault
// here; a Release build goes on with null, which makes every check false.
std::unique_ptr<icu::RegexPattern> compile(const std::string& pattern, uint32_t flags) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError where;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), flags, where, status));
    if (!TAVRO_ASSERT(U_SUCCESS(status), "the pattern " + pattern + " compiles")) return nullptr;
    return compiled;
}

// Whole-text match, as a "SELF MATCHES" predicate and an anchored first-match search give.
bool matchesWhole(const icu::RegexPattern* pattern, std::string_view text) {
    if (!pattern || text.size() > static_cast<size_t>(INT32_MAX)) return false;
    UErrorCode status = U_ZERO_ERROR;
    // Bytes that are not UTF-8 become U+FFFD, which no pattern here accepts.
    icu::UnicodeString subject = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(subject, status));
    if (U_FAILURE(status)) return false;
    bool matched = matcher->matches(status);
    return U_SUCCESS(status) && matched;
}

}  // namespace

bool isValidPhoneNumber(std::string_view text) {
    static const auto pattern = compile(kPhonePattern, 0);
    return matchesWhole(pattern.get(), text);
}

bool isValidEmail(std::string_view text) {
    static const auto pattern = compile(kEmailPattern, 0);
    return matchesWhole(pattern.get(), text);
}

bool isValidInternationalEmail(std::string_view text) {
    static const auto pattern = compile(internationalEmailPattern(), UREGEX_CASE_INSENSITIVE);
    return matchesWhole(pattern.get(), text);
}

bool isValidPhoneOrEmail(std::string_view text) {
    return isValidPhoneNumber(text) || isValidEmail(text);
}

}  // namespace common
