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
    EXPECT_NE(md5HexLowercase(std::string_view("a\0b", 3)), md5HexLowercase("a"));
}

TEST(Md5Digest, FilesAreDigestedWholeAndAnythingElseGivesTheEmptyText) {
    test_support::TemporaryFolder folder("md5-test");
    // A chunk and a bit more: the digest must take in the bytes of every read.
    std::string large(1'048'576 + 3, 'x');
    for (size_t index = 0; index < large.size(); index += 4093) large[index] = 'y';
    std::ofstream(folder.file("large name"), std::ios::binary) << large;
    EXPECT_EQ(md5OfFile("file://" + folder.file("large%20name") + "?query"),
              md5HexLowercase(large));
    // A folder opens but cannot be read: no digest of nothing passed off as its digest.
    for (const std::string& url :
         {"file://" + folder.file("missing"), folder.file("large name"),
          "file://otherhost" + folder.file("large name"), "file://" + folder.path()}) {
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
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", "!!! not base64 ???"), std::nullopt);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", "uxkx8yQ88x"), std::nullopt);  // cut short
    // Bytes that decrypt with good padding but are not UTF-8.
    auto encrypted = desCrypt(kDesEncrypt, "Glass#42", "\xff\xfe");
    ASSERT_TRUE(encrypted);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", *encrypted), std::nullopt);
}
