// A hand-written reader of ".strings" files: the format is small, and a scanner of our own
// can report the line of a mistake and never read past the end.

#include "platform/foundation/StringsFile.h"

#include <new>
#include <optional>
#include <string_view>

#include "platform/foundation/Utf8Text.h"

namespace platform::foundation {

namespace {

constexpr const char* kStringsFileErrorDomain = "StringsFileErrorDomain";

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isBareChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-' || c == '$' || c == ':' || c == '/';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string describeChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F) return std::string("'") + c + "'";
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 15];
}

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    Result<StringsTable> run() {
        StringsTable table;
        while (true) {
            if (!skipTrivia()) return *error_;
            if (atEnd()) return table;
            auto key = readString("a key");
            if (!key) return *error_;
            if (!skipTrivia()) return *error_;
            std::string value;
            if (peek() == ';') {
                value = *key;  // `"key";` names a text that is its own translation
            } else if (peek() == '=') {
                advance();
                if (!skipTrivia()) return *error_;
                auto read = readString("a value after '='");
                if (!read) return *error_;
                value = std::move(*read);
                if (!skipTrivia()) return *error_;
                if (peek() != ';')
                    return fail("expected ';' after the value of \"" + shortKey(*key) + "\"");
            } else {
                return fail("expected '=' or ';' after the key \"" + shortKey(*key) + "\"");
            }
            advance();  // ';'
            table.insert_or_assign(std::move(*key), std::move(value));
        }
    }

  private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    char peekAt(size_t offset) const {
        return pos_ + offset < text_.size() ? text_[pos_ + offset] : '\0';
    }
    char advance() {
        char c = text_[pos_++];
        if (c == '\n') ++line_;
        return c;
    }

    Error fail(const std::string& message) {
        error_ =
            Error{kStringsFileErrorDomain, 1, "line " + std::to_string(line_) + ": " + message};
        return *error_;
    }

    static std::string shortKey(const std::string& key) {
        return key.size() > 40 ? key.substr(0, 40) + "..." : key;
    }

    // Whitespace and comments; false (with the error set) on an unterminated comment.
    bool skipTrivia() {
        while (!atEnd()) {
            if (isSpace(peek())) {
                advance();
            } else if (peek() == '/' && peekAt(1) == '*') {
                const int startLine = line_;
                advance();
                advance();
                while (!atEnd() && !(peek() == '*' && peekAt(1) == '/')) advance();
                if (atEnd()) {
                    line_ = startLine;
                    fail("comment opened here is never closed");
                    return false;
                }
                advance();
                advance();
            } else if (peek() == '/' && peekAt(1) == '/') {
                while (!atEnd() && peek() != '\n') advance();
            } else {
                return true;
            }
        }
        return true;
    }

    std::optional<std::string> readString(const char* what) {
        if (atEnd()) {
            fail(std::string("expected ") + what + ", found the end of the file");
            return std::nullopt;
        }
        if (peek() == '"') return readQuoted();
        if (isBareChar(peek())) {
            std::string out;
            while (!atEnd() && isBareChar(peek())) out.push_back(advance());
            return out;
        }
        fail(std::string("expected ") + what + ", found " + describeChar(peek()));
        return std::nullopt;
    }

    std::optional<std::string> readQuoted() {
        const int startLine = line_;
        advance();  // opening quote
        std::string out;
        while (!atEnd()) {
            char c = advance();
            if (c == '"') return out;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (atEnd()) break;
            if (!readEscape(out)) return std::nullopt;
        }
        line_ = startLine;
        fail("text opened here has no closing quote");
        return std::nullopt;
    }

    bool readEscape(std::string& out) {
        char c = advance();
        switch (c) {
            case 'n':
                out.push_back('\n');
                return true;
            case 't':
                out.push_back('\t');
                return true;
            case 'r':
                out.push_back('\r');
                return true;
            case 'a':
                out.push_back('\a');
                return true;
            case 'b':
                out.push_back('\b');
                return true;
            case 'f':
                out.push_back('\f');
                return true;
            case 'v':
                out.push_back('\v');
                return true;
            case 'U':
            case 'u':
                return readUnicodeEscape(out);
            default:
                break;
        }
        if (c >= '0' && c <= '7') {
            // Octal, up to three digits: "\0" is the NUL character.
            uint32_t value = static_cast<uint32_t>(c - '0');
            for (int i = 0; i < 2 && peek() >= '0' && peek() <= '7'; ++i) {
                value = value * 8 + static_cast<uint32_t>(advance() - '0');
            }
            utf8text::appendCodePoint(out, value);
            return true;
        }
        // \" \\ \' and any other escaped character stand for themselves.
        out.push_back(c);
        return true;
    }

    std::optional<uint32_t> readHexUnit() {
        uint32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            int digit = hexValue(peekAt(static_cast<size_t>(i)));
            if (digit < 0) return std::nullopt;
            unit = unit * 16 + static_cast<uint32_t>(digit);
        }
        pos_ += 4;
        return unit;
    }

    bool readUnicodeEscape(std::string& out) {
        auto unit = readHexUnit();
        if (!unit) {
            fail("\\U must be followed by four hexadecimal digits");
            return false;
        }
        if (*unit >= 0xD800 && *unit <= 0xDBFF && peek() == '\\' &&
            (peekAt(1) == 'U' || peekAt(1) == 'u')) {
            const size_t save = pos_;
            pos_ += 2;
            auto low = readHexUnit();
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                utf8text::appendCodePoint(out,
                                          0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
                return true;
            }
            pos_ = save;  // not a pair: the next escape is read on its own
        }
        utf8text::appendCodePoint(out, *unit);  // a lone surrogate becomes U+FFFD
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
    std::optional<Error> error_;
};

}  // namespace

Result<StringsTable> parseStringsFile(std::span<const uint8_t> bytes) {
    try {
        std::string converted;
        std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
            converted = utf8text::fromUtf16(bytes.subspan(2), false);
            text = converted;
        } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
            converted = utf8text::fromUtf16(bytes.subspan(2), true);
            text = converted;
        } else if (text.starts_with("\xEF\xBB\xBF")) {
            text.remove_prefix(3);
        }
        return Parser(text).run();
    } catch (const std::bad_alloc&) {
        return Error{kStringsFileErrorDomain, 2, "out of memory"};
    }
}

}  // namespace platform::foundation
