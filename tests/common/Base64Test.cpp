#include <gtest/gtest.h>

#include "common/Base64Addition.h"
#include "common/MF_Base64Codec.h"

using namespace common;

namespace {

std::vector<uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

}  // namespace

// RFC 4648 section 10.
TEST(MF_Base64Codec, EncodesAndDecodesTheRfc4648Vectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (auto [plain, encoded] : vectors) {
        EXPECT_EQ(MF_Base64Codec::base64StringFromData(bytes(plain)), encoded) << plain;
        EXPECT_EQ(MF_Base64Codec::dataFromBase64String(encoded), bytes(plain)) << encoded;
    }
}

TEST(MF_Base64Codec, EveryByteValueSurvivesARoundTrip) {
    std::vector<uint8_t> all;
    for (int value = 0; value < 256; ++value) all.push_back(static_cast<uint8_t>(value));
    for (size_t length : {size_t{1}, size_t{2}, size_t{3}, size_t{254}, size_t{256}}) {
        std::vector<uint8_t> data(all.begin(), all.begin() + static_cast<long>(length));
        auto encoded = MF_Base64Codec::base64StringFromData(data);
        ASSERT_TRUE(encoded);
        EXPECT_EQ(encoded->size(), (length + 2) / 3 * 4);
        EXPECT_EQ(MF_Base64Codec::dataFromBase64String(*encoded), data);
    }
}

TEST(MF_Base64Codec, DecoderSkipsWhatIsNotInTheAlphabet) {
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YW Jj\n"), bytes("abc"));
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("Y=W=J=j"), bytes("abc"));
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YQ"), bytes("a"));
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YQ=="), bytes("a"));
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YWI"), bytes("ab"));
    // A single leftover value holds less than a byte.
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("Y"), std::vector<uint8_t>{});
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YWJjZ"), bytes("abc"));
    // URL-safe characters are not part of the standard alphabet.
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("-_-_"), std::vector<uint8_t>{});
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String(std::string("Y\0WJj", 5)), bytes("abc"));
}

TEST(MF_Base64Codec, TextOutsideAsciiDecodesToEmptyDataNotNothing) {
    auto decoded = MF_Base64Codec::dataFromBase64String("YWJj\xc3\xa9");
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->empty());
}

TEST(MF_Base64Codec, ConvertsBetweenTheTwoAlphabets) {
    EXPECT_EQ(MF_Base64Codec::base64UrlEncodedStringFromBase64String("+/+/Yg=="), "-_-_Yg");
    EXPECT_EQ(MF_Base64Codec::base64StringFromBase64UrlEncodedString("-_-_Yg"), "+/+/Yg==");
    EXPECT_EQ(MF_Base64Codec::base64StringFromBase64UrlEncodedString("Zm9vYmE"), "Zm9vYmE=");
    EXPECT_EQ(MF_Base64Codec::base64StringFromBase64UrlEncodedString("Zm9v"), "Zm9v");
    // Length 1 modulo 4 cannot come from an encoder; it is left as it is.
    EXPECT_EQ(MF_Base64Codec::base64StringFromBase64UrlEncodedString("Zm9vY"), "Zm9vY");
}

TEST(Base64Addition, TextsAndBytesGoThroughBothAlphabets) {
    EXPECT_EQ(base64String("abc"), "YWJj");
    EXPECT_EQ(base64String("ab"), "YWI=");
    EXPECT_EQ(base64String(std::string_view("user:pässword")), "dXNlcjpww6Rzc3dvcmQ=");
    // 0xfb 0xff encodes with both characters that differ between the alphabets.
    std::vector<uint8_t> data{0xfb, 0xff};
    EXPECT_EQ(base64String(data), "+/8=");
    EXPECT_EQ(base64UrlEncodedString(data), "-_8");
    EXPECT_EQ(dataWithBase64UrlEncodedString("-_8"), data);
    EXPECT_EQ(dataWithBase64String("+/8="), data);
    EXPECT_EQ(base64UrlEncodedString("?\?>"), "Pz8-");
    EXPECT_EQ(stringFromBase64UrlEncodedString("Pz8-"), "?\?>");
    EXPECT_EQ(stringFromBase64String("dXNlcjpww6Rzc3dvcmQ="), "user:pässword");
}

TEST(Base64Addition, DecodedBytesThatAreNotUtf8GiveNoText) {
    EXPECT_EQ(stringFromBase64String("/w=="), std::nullopt);  // 0xff
    EXPECT_EQ(stringFromBase64String("wK8="), std::nullopt);  // overlong "/"
    EXPECT_EQ(stringFromBase64String("7aCA"), std::nullopt);  // a surrogate
    EXPECT_EQ(stringFromBase64String("44E="), std::nullopt);  // truncated sequence
    EXPECT_EQ(stringFromBase64String(""), std::string());
}
