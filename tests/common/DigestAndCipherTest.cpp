#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/DesCipher.h"
#include "common/DesCrypt.h"
#include "common/Md5Digest.h"

using namespace common;

// RFC 1321 appendix A.5.
TEST(Md5Digest, TextsGiveTheRfc1321Digests) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (auto [text, digest] : vectors) EXPECT_EQ(md5HexLowercase(text), digest) << text;
    EXPECT_EQ(md5HexUppercase("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_NE(md5HexLowercase(std::string_view("a\0b", 3)), md5HexLowercase("a"));
}

class Md5OfFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("md5-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string write(const std::string& name, const std::string& content) {
        auto path = folder_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::filesystem::path folder_;
};

TEST_F(Md5OfFileTest, DigestsTheWholeFileAcrossChunkBoundaries) {
    EXPECT_EQ(md5OfFile("file://" + write("empty", "")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5OfFile("file://" + write("abc", "abc")), "900150983cd24fb0d6963f7d28e17f72");
    // A chunk and a bit more: the digest must take in the bytes of every read.
    std::string large(1'048'576 + 3, 'x');
    for (size_t index = 0; index < large.size(); index += 4093) large[index] = 'y';
    EXPECT_EQ(md5OfFile("file://" + write("large", large)), md5HexLowercase(large));
}

TEST_F(Md5OfFileTest, ReadsTheUrlFormsOfAPath) {
    auto path = write("name with space", "abc");
    auto encoded = folder_.string() + "/name%20with%20space";
    EXPECT_EQ(md5OfFile("file://" + encoded), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5OfFile("FILE://localhost" + encoded), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5OfFile("file://" + encoded + "?query#fragment"),
              "900150983cd24fb0d6963f7d28e17f72");
}

TEST_F(Md5OfFileTest, GivesTheEmptyTextWhenThereIsNoFileToRead) {
    write("abc", "abc");
    EXPECT_EQ(md5OfFile("file://" + folder_.string() + "/missing"), "");
    EXPECT_EQ(md5OfFile((folder_ / "abc").string()), "");  // a path, not a URL
    EXPECT_EQ(md5OfFile("https://example.com" + folder_.string() + "/abc"), "");
    EXPECT_EQ(md5OfFile("file://otherhost" + folder_.string() + "/abc"), "");
    EXPECT_EQ(md5OfFile("file://" + folder_.string() + "/ab%"), "");
    EXPECT_EQ(md5OfFile("file://" + folder_.string() + "/abc%00"), "");
    EXPECT_EQ(md5OfFile("not a url"), "");
    // A folder opens but cannot be read: no digest of nothing passed off as its digest.
    EXPECT_EQ(md5OfFile("file://" + folder_.string()), "");
}

// FIPS 81, table B1 (CBC mode); the 24 bytes are followed by a block of padding.
TEST(DesCipher, EncryptsTheFips81CbcVector) {
    const DesCipher& cipher = DesCipher::shared();
    ASSERT_TRUE(cipher.available());
    const std::vector<uint8_t> key{0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
    const std::vector<uint8_t> vector{0x12, 0x34, 0x56, 0x78, 0x90, 0xab, 0xcd, 0xef};
    const std::string plain = "Now is the time for all ";
    const std::vector<uint8_t> expected{0xe5, 0xc7, 0xcd, 0xde, 0x87, 0x2b, 0xf2, 0x7c,
                                        0x43, 0xe9, 0x34, 0x00, 0x8c, 0x38, 0x9c, 0x0f,
                                        0x68, 0x37, 0x88, 0x49, 0x9a, 0x7c, 0x05, 0xf6};
    auto encrypted = cipher.run(true, key, vector,
                                {reinterpret_cast<const uint8_t*>(plain.data()), plain.size()});
    ASSERT_TRUE(encrypted);
    ASSERT_EQ(encrypted->size(), 32u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), encrypted->begin()));
    auto decrypted = cipher.run(false, key, vector, *encrypted);
    ASSERT_TRUE(decrypted);
    EXPECT_EQ(std::string(decrypted->begin(), decrypted->end()), plain);
}

TEST(DesCipher, WithoutTheLegacyProviderNothingIsEncrypted) {
    DesCipher cipher(std::filesystem::temp_directory_path() / "no-openssl-modules-here");
    EXPECT_FALSE(cipher.available());
    EXPECT_EQ(desCrypt(kDesEncrypt, "Glass#42", "abc", cipher), std::nullopt);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", "uxkx8yQ88x8=", cipher), std::nullopt);
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
}

TEST(DesCrypt, RoundTripsTextsOfEveryPaddingLength) {
    std::string text;
    for (int length = 0; length <= 17; ++length) {
        auto encrypted = desCrypt(kDesEncrypt, "k3y-k3y!", text);
        ASSERT_TRUE(encrypted) << length;
        EXPECT_EQ(desCrypt(kDesDecrypt, "k3y-k3y!", *encrypted), text) << length;
        EXPECT_NE(desCrypt(kDesDecrypt, "k3y-k3y?", *encrypted), text) << length;
        text += static_cast<char>('a' + length);
    }
}

TEST(DesCrypt, RefusesWhatItCannotDoHonestly) {
    EXPECT_EQ(desCrypt(kDesEncrypt, "short", "abc"), std::nullopt);  // key under 8 bytes
    EXPECT_EQ(desCrypt(kDesDecrypt, "short", "uxkx8yQ88x8="), std::nullopt);
    EXPECT_EQ(desCrypt(2, "Glass#42", "abc"), std::nullopt);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", "!!! not base64 ???"), std::nullopt);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", ""), std::nullopt);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", "uxkx8yQ88x"), std::nullopt);  // cut short
    // Bytes that decrypt with good padding but are not UTF-8.
    auto encrypted = desCrypt(kDesEncrypt, "Glass#42", "\xff\xfe");
    ASSERT_TRUE(encrypted);
    EXPECT_EQ(desCrypt(kDesDecrypt, "Glass#42", *encrypted), std::nullopt);
}
