#pragma once
// Error values of the property-list reader and writer. Internal to the foundation
// library; pure functions, thread-safe.

#include <string>
#include <string_view>

#include "platform/foundation/Error.h"

namespace platform::foundation {

inline constexpr const char* kPropertyListErrorDomain = "PropertyListErrorDomain";

enum PropertyListErrorCode {
    kPlistNotXml = 1,      // the bytes are not well-formed XML
    kPlistBadValue = 2,    // well-formed, but not a property list
    kPlistOutOfRange = 3,  // an integer outside the 64-bit signed range
    kPlistTooDeep = 4,     // nesting beyond the reader's or writer's limit
    kPlistNotWritable = 5  // a value kind that property lists cannot hold
};

inline Error plistError(PropertyListErrorCode code, std::string description) {
    return Error{kPropertyListErrorDomain, code, std::move(description)};
}

// Input quoted in an error, cut short so that a huge bad value does not flood a log.
inline std::string quoteShort(std::string_view text) {
    constexpr size_t kLimit = 40;
    std::string out = "\"";
    out.append(text.substr(0, kLimit));
    if (text.size() > kLimit) out += "...";
    out += '"';
    return out;
}

}  // namespace platform::foundation
