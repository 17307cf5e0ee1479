#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "platform/foundation/StringsFile.h"

namespace platform::foundation {
namespace {

StringsTable parseOk(std::string_view text) {
    return parsedOrFail(parseStringsFile(bytesOf(text)));
}

std::string errorOf(std::string_view text) {
    auto result = parseStringsFile(bytesOf(text));
    if (result) {
        ADD_FAILURE() << "no error for: " << text;
        return {};
    }
    return result.error().localizedDescription;
}

// UTF-16 bytes of an ASCII text, with its byte-order mark.
std::string utf16(std::string_view ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        if (bigEndian) out.push_back('\0');
        out.push_back(c);
        if (!bigEndian) out.push_back('\0');
    }
    return out;
}

TEST(StringsFileTest, ReadsEntriesCommentsAndEscapes) {
    StringsTable table = parseOk(R"(/* Header comment
   over two lines */
"连接眼镜" = "Connect the glasses"; // trailing comment
"multi
line" = "kept as written";
"escapes" = "tab\there\nnew \"quote\" back\\slash \'single\' cr\r";
"nul" = "a\0b";
"octal" = "\101\102";
"unicode" = "\U4E2D\u6587 \U00e9";
"pair" = "\UD83D\UDE00";
"lone" = "\UD83Dx";
bare_key.v2 = bare-value/1:$;
mixed = "quoted";
"self";
"spaced"   =
   "value"   ;
"empty" = "";
"twice" = "first";
"twice" = "second";
)");
    EXPECT_EQ(table["连接眼镜"], "Connect the glasses");
    EXPECT_EQ(table["multi\nline"], "kept as written");
    EXPECT_EQ(table["escapes"], "tab\there\nnew \"quote\" back\\slash 'single' cr\r");
    EXPECT_EQ(table["nul"], std::string("a\0b", 3));
    EXPECT_EQ(table["octal"], "AB");
    EXPECT_EQ(table["unicode"], "中文 é");
    EXPECT_EQ(table["pair"], "\xF0\x9F\x98\x80");
    EXPECT_EQ(table["lone"], "\xEF\xBF\xBDx");
    EXPECT_EQ(table["bare_key.v2"], "bare-value/1:$");
    EXPECT_EQ(table["mixed"], "quoted");
    EXPECT_EQ(table["self"], "self");
    EXPECT_EQ(table["spaced"], "value");
    EXPECT_EQ(table["empty"], "");
    EXPECT_EQ(table["twice"], "second");
    EXPECT_EQ(table.size(), 14u);
}

TEST(StringsFileTest, AcceptsByteOrderMarksAndEmptyFiles) {
    EXPECT_EQ(parseOk("\xEF\xBB\xBF\"a\" = \"b\";")["a"], "b");
    for (bool bigEndian : {false, true}) {
        StringsTable table =
            parseOk(utf16("\"key\" = \"value\"; /* c */ \"x\" = \"\\U00FC\";", bigEndian));
        EXPECT_EQ(table["key"], "value") << bigEndian;
        EXPECT_EQ(table["x"], "ü") << bigEndian;
    }
    // A character beyond the basic plane written directly in UTF-16 (a surrogate pair).
    const std::string pair =
        std::string("\xFF\xFE\"\0k\0\"\0;\0", 10) + std::string("\x3D\xD8\x00\xDE", 4);
    EXPECT_FALSE(parseStringsFile(bytesOf(pair)))
        << "the pair sits outside quotes, which is an error, but must be read without a crash";
    const std::string quotedPair = std::string("\xFF\xFE\"\0", 4) +
                                   std::string("\x3D\xD8\x00\xDE", 4) + std::string("\"\0;\0", 4);
    EXPECT_EQ(parseOk(quotedPair).begin()->first, "\xF0\x9F\x98\x80");
    EXPECT_TRUE(parseOk("").empty());
    EXPECT_TRUE(parseOk("  // only a comment").empty());
    EXPECT_TRUE(parseOk(utf16("", false)).empty());
}

TEST(StringsFileTest, BadInputReportsTheLine) {
    EXPECT_EQ(errorOf("\"a\" = \"b\";\n\"c\" = \"d\"\n\"e\" = \"f\";"),
              "line 3: expected ';' after the value of \"c\"");
    EXPECT_EQ(errorOf("\"a\" \"b\";"), "line 1: expected '=' or ';' after the key \"a\"");
    EXPECT_EQ(errorOf("\n\n\"a\" = \"never closed;\n\n"),
              "line 3: text opened here has no closing quote");
    EXPECT_EQ(errorOf("\"a\" = \"b\";\n/* open\n\n"),
              "line 2: comment opened here is never closed");
    EXPECT_EQ(errorOf("\"a\" = \"\\U12G4\";"),
              "line 1: \\U must be followed by four hexadecimal digits");
    EXPECT_EQ(errorOf("\"a\" = ;"), "line 1: expected a value after '=', found ';'");
    EXPECT_EQ(errorOf("\"a\" ="), "line 1: expected a value after '=', found the end of the file");
    EXPECT_EQ(errorOf("\n{ \"a\" = \"b\"; }"), "line 2: expected a key, found '{'");
    EXPECT_EQ(errorOf("\"a\" = \"b\"\x01"), "line 1: expected ';' after the value of \"a\"");
    EXPECT_EQ(errorOf("\xC3\xA9 = x;"), "line 1: expected a key, found byte 0xC3");
    EXPECT_EQ(errorOf("\"a\" = \"b\\"), "line 1: text opened here has no closing quote");
}

}  // namespace
}  // namespace platform::foundation
