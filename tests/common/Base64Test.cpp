#include <gtest/gtest.h>

#include "common/Base64Addition.h"
#include "common/MF_Base64Codec.h"

using namespace common;

namespace {

std::vector<uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// RFC 4648 section 10, then every byte value at each padding length.
TEST(MF_Base64Codec, EncodesTheRfc4648VectorsAndRoundTripsEveryByte) {
    for (auto [plain, encoded] :
         {std::pair{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}}) {
        EXPECT_EQ(MF_Base64Codec::base64StringFromData(bytes(plain)), encoded) << plain;
        EXPECT_EQ(MF_Base64Codec::dataFromBase64String(encoded), bytes(plain)) << encoded;
    }
    std::vector<uint8_t> all;
    for (int value = 0; value < 256; ++value) all.push_back(static_cast<uint8_t>(value));
    for (long length : {1, 2, 3, 256}) {
        std::vector<uint8_t> data(all.begin(), all.begin() + length);
        EXPECT_EQ(MF_Base64Codec::dataFromBase64String(
                      MF_Base64Codec::base64StringFromData(data).value_or("")),
                  data);
    }
}

TEST(MF_Base64Codec, DecoderSkipsWhatIsNotInTheAlphabet) {
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YW Jj\n"), bytes("abc"));
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("Y=W=J=j"), bytes("abc"));
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String(std::string("Y\0WJj", 5)), bytes("abc"));
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YWI"), bytes("ab"));
    // A single leftover value holds less than a byte.
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YWJjZ"), bytes("abc"));
    // URL-safe characters are not part of the standard alphabet.
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("-_-_"), std::vector<uint8_t>{});
    // Text outside ASCII decodes to empty data, not to nothing.
    EXPECT_EQ(MF_Base64Codec::dataFromBase64String("YWJj\xc3\xa9"), std::vector<uint8_t>{});
}

TEST(Base64Addition, TextsAndBytesGoThroughBothAlphabets) {
    // 0xfb 0xff encodes with both characters that differ between the alphabets.
    std::vector<uint8_t> data{0xfb, 0xff};
    EXPECT_EQ(base64String(data), "+/8=");
    EXPECT_EQ(base64UrlEncodedString(data), "-_8");
    EXPECT_EQ(dataWithBase64UrlEncodedString("-_8"), data);
    EXPECT_EQ(stringFromBase64String("dXNlcjpww6Rzc3dvcmQ="), "user:pässword");
    // Decoded bytes that are not UTF-8 give no text.
    EXPECT_EQ(stringFromBase64String("/w=="), std::nullopt);  // 0xff
    EXPECT_EQ(stringFromBase64String("wK8="), std::nullopt);  // overlong "/"
    EXPECT_EQ(stringFromBase64String("7aCA"), std::nullopt);  // a surrogate
}

}  // namespace
