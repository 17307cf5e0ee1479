#include "glasses/NumericCompare.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digit run starting at `at`, without its leading zeros; `at` moves past the run.
std::string_view digitRun(std::string_view text, size_t& at) {
    const size_t start = at;
    while (at < text.size() && isDigit(text[at])) ++at;
    std::string_view run = text.substr(start, at - start);
    while (run.size() > 1 && run.front() == '0') run.remove_prefix(1);
    return run;
}

}  // namespace

int numericCompare(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Without leading zeros a longer run is a larger number; equal lengths compare
            // digit by digit, so runs of any length never overflow.
            const std::string_view left = digitRun(a, i);
            const std::string_view right = digitRun(b, j);
            if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
            if (const int order = left.compare(right); order != 0) return order < 0 ? -1 : 1;
            continue;
        }
        const auto left = static_cast<unsigned char>(a[i]);
        const auto right = static_cast<unsigned char>(b[j]);
        if (left != right) return left < right ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}
