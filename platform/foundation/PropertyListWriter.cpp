// Writing XML property lists in the layout the platform's own writer uses (tab-indented,
// sorted keys), so the files read well and compare well in tests.

#include <charconv>
#include <cmath>
#include <string_view>

#include "platform/foundation/Base64Text.h"
#include "platform/foundation/IsoDateText.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/PropertyListErrors.h"

namespace platform::foundation {

namespace {

constexpr int kMaxDepth = 256;

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            // A bare carriage return would come back as a line feed (XML end-of-line
            // handling), so it is written as a character reference.
            case '\r':
                out += "&#13;";
                break;
            default:
                out.push_back(c);
        }
    }
}

// XML 1.0 has no way to carry these, not even as character references: a file holding
// one is not well-formed and could not be read back.
std::optional<Error> unwritableText(std::string_view what, std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\r') continue;
        static constexpr char kHex[] = "0123456789ABCDEF";
        const std::string code{'0', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        return plistError(kPlistNotWritable, std::string(what) + " holds the control character " +
                                                 code + ", which XML cannot carry");
    }
    return std::nullopt;
}

template <class Number>
std::string realText(Number number) {
    if (std::isnan(number)) return "nan";
    if (std::isinf(number)) return number > 0 ? "+infinity" : "-infinity";
    char buffer[64];
    // Shortest text that reads back as the same number; a float is written with its own
    // precision so 0.1f stays "0.1" rather than its double expansion.
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}

class Writer {
  public:
    std::optional<Error> write(const Value& value, int depth) {
        if (depth > kMaxDepth) {
            return plistError(kPlistTooDeep,
                              "nesting deeper than " + std::to_string(kMaxDepth) + " levels");
        }
        switch (value.kind()) {
            case Value::Kind::Null:
                return plistError(kPlistNotWritable, "a null value cannot be written");
            case Value::Kind::Object:
                return plistError(kPlistNotWritable, "an object reference cannot be written");
            case Value::Kind::Boolean:
                line(depth, value.asBool() ? "<true/>" : "<false/>");
                return std::nullopt;
            case Value::Kind::Integer:
                line(depth, "<integer>" + std::to_string(value.asInt64()) + "</integer>");
                return std::nullopt;
            case Value::Kind::Float:
                line(depth, "<real>" + realText(value.asFloat()) + "</real>");
                return std::nullopt;
            case Value::Kind::Double:
                line(depth, "<real>" + realText(value.asDouble()) + "</real>");
                return std::nullopt;
            case Value::Kind::Text:
                if (auto error = unwritableText("a text", value.text())) return error;
                leaf(depth, "string", value.text());
                return std::nullopt;
            case Value::Kind::Data:
                line(depth, "<data>" + base64text::encode(value.data()) + "</data>");
                return std::nullopt;
            case Value::Kind::Date:
                line(depth, "<date>" + isodate::format(value.date()) + "</date>");
                return std::nullopt;
            case Value::Kind::Array:
                return writeArray(value.array(), depth);
            case Value::Kind::Dictionary:
                return writeDict(value.dictionary(), depth);
        }
        return plistError(kPlistNotWritable, "unknown value kind");
    }

    std::string take() { return std::move(out_); }

  private:
    std::optional<Error> writeArray(const ValueArray& array, int depth) {
        if (array.empty()) {
            line(depth, "<array/>");
            return std::nullopt;
        }
        line(depth, "<array>");
        for (const Value& element : array) {
            if (auto error = write(element, depth + 1)) return error;
        }
        line(depth, "</array>");
        return std::nullopt;
    }

    std::optional<Error> writeDict(const ValueDictionary& dict, int depth) {
        if (dict.empty()) {
            line(depth, "<dict/>");
            return std::nullopt;
        }
        line(depth, "<dict>");
        for (const auto& [key, element] : dict) {
            if (auto error = unwritableText("a key", key)) return error;
            leaf(depth + 1, "key", key);
            if (auto error = write(element, depth + 1)) {
                error->localizedDescription += " (under key " + quoteShort(key) + ")";
                return error;
            }
        }
        line(depth, "</dict>");
        return std::nullopt;
    }

    void indent(int depth) { out_.append(static_cast<size_t>(depth - 1), '\t'); }

    void line(int depth, std::string_view text) {
        indent(depth);
        out_ += text;
        out_ += '\n';
    }

    void leaf(int depth, std::string_view tag, std::string_view text) {
        indent(depth);
        out_ += '<';
        out_ += tag;
        out_ += '>';
        appendEscaped(out_, text);
        out_ += "</";
        out_ += tag;
        out_ += ">\n";
    }

    std::string out_;
};

}  // namespace

Result<std::string> serializePropertyList(const Value& root) {
    Writer writer;
    if (auto error = writer.write(root, 1)) return std::move(*error);
    std::string out(kHeader);
    out += writer.take();
    out += "</plist>\n";
    return out;
}

}  // namespace platform::foundation
