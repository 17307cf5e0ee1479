#include "common/FileUrl.h"

#include <strings.h>

namespace common {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '%') {
            out += text[index];
            continue;
        }
        if (index + 2 >= text.size()) return std::nullopt;
        int high = hexValue(text[index + 1]), low = hexValue(text[index + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        index += 2;
    }
    return out;
}

}  // namespace

std::optional<std::string> pathFromFileUrl(std::string_view url) {
    constexpr std::string_view kScheme = "file://";
    if (url.size() < kScheme.size() || strncasecmp(url.data(), "file://", kScheme.size()) != 0) {
        return std::nullopt;
    }
    std::string_view rest = url.substr(kScheme.size());
    // A query or fragment is not part of the path.
    rest = rest.substr(0, rest.find_first_of("?#"));
    size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string_view host = rest.substr(0, slash);
    bool isLocalhost = host.size() == 9 && strncasecmp(host.data(), "localhost", 9) == 0;
    if (!host.empty() && !isLocalhost) return std::nullopt;
    return percentDecoded(rest.substr(slash));
}

}  // namespace common
