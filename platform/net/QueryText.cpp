#include "platform/net/QueryText.h"

namespace platform::net {

const char* methodName(HttpMethod method) {
    switch (method) {
        case HttpMethod::Get:
            return "GET";
        case HttpMethod::Post:
            return "POST";
        case HttpMethod::Put:
            return "PUT";
        case HttpMethod::Delete:
            return "DELETE";
    }
    return "GET";
}

std::string percentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

std::string queryText(const QueryParameters& parameters) {
    std::string out;
    for (const auto& [name, value] : parameters) {
        if (!out.empty()) out.push_back('&');
        out += percentEncode(name);
        out.push_back('=');
        out += percentEncode(value);
    }
    return out;
}

std::string urlWithQuery(const std::string& url, const QueryParameters& parameters) {
    if (parameters.empty()) return url;
    return url + (url.find('?') == std::string::npos ? "?" : "&") + queryText(parameters);
}

}  // namespace platform::net
