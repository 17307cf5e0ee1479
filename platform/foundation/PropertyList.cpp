// Reading XML property lists. pugixml builds the tree without recursion; the walk over it
// below is recursive, so it stops at a fixed depth rather than trusting the input.

#include "platform/foundation/PropertyList.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <pugixml.hpp>
#include <string_view>

#include "platform/foundation/Base64Text.h"
#include "platform/foundation/IsoDateText.h"
#include "platform/foundation/PropertyListErrors.h"

namespace platform::foundation {

namespace {

constexpr int kMaxDepth = 256;

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isXmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isXmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool isBlank(std::string_view text) {
    return trim(text).empty();
}

// from_chars leaves the number alone when it is beyond double: overflow reads as infinity
// and underflow as zero, keeping the sign, as strtod would give.
double outOfRangeReal(std::string_view text) {
    const bool negative = text.front() == '-';
    const size_t exponent = text.find_first_of("eE");
    bool tiny;
    if (exponent != std::string_view::npos) {
        tiny = exponent + 1 < text.size() && text[exponent + 1] == '-';
    } else {
        tiny = text.find_first_of("123456789") > text.find('.');
    }
    const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
}

class Reader {
  public:
    Result<Value> read(const pugi::xml_node& node, int depth) {
        if (depth > kMaxDepth)
            return plistError(kPlistTooDeep,
                              "nesting deeper than " + std::to_string(kMaxDepth) + " levels");
        const std::string_view name = node.name();
        if (name == "dict") return readDict(node, depth);
        if (name == "array") return readArray(node, depth);
        if (name == "true") return Value(true);
        if (name == "false") return Value(false);
        TAVRO_TRY(text, textOf(node));
        if (name == "string") return Value(std::move(text));
        if (name == "integer") return readInteger(text);
        if (name == "real") return readReal(text);
        if (name == "data") {
            auto bytes = base64text::decode(text);
            if (!bytes) return plistError(kPlistBadValue, "<data> is not valid Base64");
            return Value(std::move(*bytes));
        }
        if (name == "date") {
            auto date = isodate::parse(trim(text));
            if (!date)
                return plistError(kPlistBadValue,
                                  "<date> is not an ISO 8601 UTC date: " + quoteShort(text));
            return Value(*date);
        }
        return plistError(kPlistBadValue, "unknown element <" + std::string(name) + ">");
    }

  private:
    // Character data of a leaf element: its text and CDATA pieces joined.
    static Result<std::string> textOf(const pugi::xml_node& node) {
        std::string text;
        for (const pugi::xml_node& child : node.children()) {
            if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
                text += child.value();
            } else if (child.type() == pugi::node_element) {
                return plistError(kPlistBadValue, "unexpected <" + std::string(child.name()) +
                                                      "> inside <" + node.name() + ">");
            }
        }
        // The XML parser lets control characters through, but a well-formed file cannot
        // hold them, and what was read here must be writable again.
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
                return plistError(kPlistBadValue,
                                  std::string("<") + node.name() + "> holds a control character");
            }
        }
        return text;
    }

    // Containers may hold whitespace between their elements, but no other text.
    static std::optional<Error> checkStray(const pugi::xml_node& child, const char* container) {
        if ((child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) &&
            !isBlank(child.value())) {
            return plistError(kPlistBadValue, std::string("stray text inside <") + container +
                                                  ">: " + quoteShort(child.value()));
        }
        return std::nullopt;
    }

    Result<Value> readArray(const pugi::xml_node& node, int depth) {
        ValueArray array;
        for (const pugi::xml_node& child : node.children()) {
            if (child.type() != pugi::node_element) {
                if (auto error = checkStray(child, "array")) return *error;
                continue;
            }
            TAVRO_TRY(element, read(child, depth + 1));
            array.push_back(std::move(element));
        }
        return Value(std::move(array));
    }

    Result<Value> readDict(const pugi::xml_node& node, int depth) {
        ValueDictionary dict;
        std::optional<std::string> key;
        for (const pugi::xml_node& child : node.children()) {
            if (child.type() != pugi::node_element) {
                if (auto error = checkStray(child, "dict")) return *error;
                continue;
            }
            if (!key) {
                if (std::string_view(child.name()) != "key") {
                    return plistError(kPlistBadValue, "expected <key> in <dict>, found <" +
                                                          std::string(child.name()) + ">");
                }
                TAVRO_TRY(text, textOf(child));
                key = std::move(text);
                continue;
            }
            TAVRO_TRY(element, read(child, depth + 1));
            // A repeated key keeps its last value, as the platform's reader does.
            dict.insert_or_assign(std::move(*key), std::move(element));
            key.reset();
        }
        if (key)
            return plistError(kPlistBadValue, "<key>" + quoteShort(*key) + "</key> has no value");
        return Value(std::move(dict));
    }

    static Result<Value> readInteger(std::string_view raw) {
        std::string_view text = trim(raw);
        bool negative = false;
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
            negative = text.front() == '-';
            text.remove_prefix(1);
        }
        int base = 10;
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            text.remove_prefix(2);
        }
        uint64_t magnitude = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
        if (text.empty() || end != text.data() + text.size() || ec == std::errc::invalid_argument) {
            return plistError(kPlistBadValue, "<integer> is not a number: " + quoteShort(raw));
        }
        constexpr uint64_t kMaxPositive = std::numeric_limits<int64_t>::max();
        if (ec == std::errc::result_out_of_range || magnitude > kMaxPositive + (negative ? 1 : 0)) {
            return plistError(kPlistOutOfRange,
                              "<integer> outside the 64-bit signed range: " + quoteShort(raw));
        }
        if (negative) return Value(static_cast<int64_t>(0 - magnitude));
        return Value(static_cast<int64_t>(magnitude));
    }

    static Result<Value> readReal(std::string_view raw) {
        std::string_view text = trim(raw);
        bool explicitPlus = !text.empty() && text.front() == '+';
        if (explicitPlus) text.remove_prefix(1);
        double number = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        bool negativeSign = !text.empty() && text.front() == '-';
        if (text.empty() || end != text.data() + text.size() || ec == std::errc::invalid_argument ||
            (explicitPlus && negativeSign)) {
            return plistError(kPlistBadValue, "<real> is not a number: " + quoteShort(raw));
        }
        if (ec == std::errc::result_out_of_range) number = outOfRangeReal(text);
        return Value(number);
    }
};

}  // namespace

Result<Value> parsePropertyList(std::span<const uint8_t> bytes) {
    try {
        pugi::xml_document document;
        const unsigned options = pugi::parse_default | pugi::parse_ws_pcdata;
        pugi::xml_parse_result result =
            document.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
        if (!result) {
            return plistError(kPlistNotXml, std::string("not well-formed XML at byte ") +
                                                std::to_string(result.offset) + ": " +
                                                result.description());
        }
        pugi::xml_node root = document.document_element();
        if (std::string_view(root.name()) == "plist") {
            pugi::xml_node content;
            for (const pugi::xml_node& child : root.children()) {
                if (child.type() == pugi::node_element) {
                    if (content)
                        return plistError(kPlistBadValue, "<plist> holds more than one value");
                    content = child;
                } else if ((child.type() == pugi::node_pcdata ||
                            child.type() == pugi::node_cdata) &&
                           !isBlank(child.value())) {
                    return plistError(kPlistBadValue, "stray text inside <plist>");
                }
            }
            if (!content) return plistError(kPlistBadValue, "<plist> is empty");
            root = content;
        }
        return Reader().read(root, 1);
    } catch (const std::bad_alloc&) {
        return plistError(kPlistNotXml, "out of memory");
    }
}

}  // namespace platform::foundation
