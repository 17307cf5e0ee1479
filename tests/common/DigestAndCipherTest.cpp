#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/DesCipher.h"
#include "common/DesCrypt.h"
#include "common/Md5Digest.h"
#include "tests/support/TemporaryHome.h"

using namespace common;

// RFC 1321 appendix A.5.
TEST(Md5Digest, TextsGiveTheRfc1321Digests) {
    EXPECT_EQ(md5HexLowercase(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5HexLowercase("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5HexLowercase("1234567890123456789012345678901234567890"
                              "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
    EXPECT_EQ(md5HexUppercase("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_NE(md5HexLowercase(std::string_view("a\0b", 3)), md5HexLowercase("a"));
}

class Md5OfFileTest : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(folder_.file(name), std::ios::binary) << content;
        return folder_.file(name);
    }
    test_support::TemporaryFolder folder_{"md5-test"};
    const std::string abc_ = "900150983cd24fb0d6963f7d28e17f72";
};

TEST_F(Md5OfFileTest, DigestsTheWholeFileNamedByAnyFormOfItsUrl) {
    // A chunk and a bit more: the digest must take in the bytes of every read.
    std::string large(1'048'576 + 3, 'x');
    for (size_t index = 0; index < large.size(); index += 4093) large[index] = 'y';
    EXPECT_EQ(md5OfFile("file://" + write("large", large)), md5HexLowercase(large));
    write("name with space", "abc");
    const auto encoded = folder_.file("name%20with%20space");
    EXPECT_EQ(md5OfFile("file://" + encoded), abc_);
    EXPECT_EQ(md5OfFile("FILE://localhost" + encoded), abc_);
    EXPECT_EQ(md5OfFile("file://" + encoded + "?query#fragment"), abc_);
}

TEST_F(Md5OfFileTest, GivesTheEmptyTextWhenThereIsNoFileToRead) {
    write("abc", "abc");
    for (const std::string& url :
         {"file://" + folder_.file("missing"), folder_.file("abc"),
          "https://example.com" + folder_.file("abc"), "file://otherhost" + folder_.file("abc"),
          "file://" + folder_.file("ab%"), "file://" + folder_.file("abc%00"),
          std::string("not a url"),
          // A folder opens but cannot be read: no digest of nothing passed off as its digest.
          "file://" + folder_.path()}) {
        EXPECT_EQ(md5OfFile(url), "") << url;
    }
}

// Expected texts made with another implementation (Java's DES/CBC/PKCS5Padding and its
// MIME Base64 encoder with 64-character lines).
TEST(DesCrypt, MatchesAnIndependentImplementation) {
    EXPECT_EQ(desCrypt(kDesEncrypt, "Glass#42", "abc"), "uxkx8yQ88x8=");
    const std::string longText = "眼镜 display glasses: side-by-side 3D mode, brightness, volume";
    const std::string longCipher =
        "W9BjoSNv2wIR/weyUcghngLMm7GzyZuh0k9aMZoHqgUnZj190MF8qHqr6TG1hJPr\r\n"
        "rWQmsCEu3sK318CNLi2aLKw7BVmxixrq";
    EXPECT_EQ(desCrypt(kDesEncrypt, "Glass#42", longText), longCipher);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", longCipher), longText);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", "uxkx8yQ88x8="), "abc");
    // Only the first eight bytes of the key count.
    EXPECT_EQ(desCrypt(kDesEncrypt, "Glass#42 and more", "abc"), "uxkx8yQ88x8=");
    // Every padding length survives a round trip, and only with the right key.
    std::string text;
    for (int length = 0; length <= 9; ++length, text += 'a') {
        auto encrypted = desCrypt(kDesEncrypt, "k3y-k3y!", text);
        ASSERT_TRUE(encrypted) << length;
        EXPECT_EQ(desCrypt(kDesDecrypt, "k3y-k3y!", *encrypted), text) << length;
        EXPECT_NE(desCrypt(kDesDecrypt, "k3y-k3y?", *encrypted), text) << length;
    }
}

TEST(DesCrypt, RefusesWhatItCannotDoHonestly) {
    DesCipher missing(std::filesystem::temp_directory_path() / "no-openssl-modules-here");
    EXPECT_FALSE(missing.available());
    EXPECT_EQ(desCrypt(kDesEncrypt, "Glass#42", "abc", missing), std::nullopt);
    EXPECT_EQ(desCrypt(kDesEncrypt, "short", "abc"), std::nullopt);  // key under 8 bytes
    EXPECT_EQ(desCrypt(2, "Glass#42", "abc"), std::nullopt);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", "!!! not base64 ???"), std::nullopt);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", ""), std::nullopt);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", "uxkx8yQ88x"), std::nullopt);  // cut short
    // Bytes that decrypt with good padding but are not UTF-8.
    auto encrypted = desCrypt(kDesEncrypt, "Glass#42", "\xff\xfe");
    ASSERT_TRUE(encrypted);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", *encrypted), std::nullopt);
}
