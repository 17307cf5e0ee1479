// A picture file is written whole or reported as not written: a full disk leaves no empty or
// half file that would pass for a picture, and a link in its place is not written through.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "platform/foundation/FileSystem.h"
#include "platform/ui/PixelBuffer.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TemporaryHome.h"

namespace platform::ui {
namespace {

namespace fdn = platform::foundation;

TEST(PngFile, APictureIsWrittenWholeOrNotAtAll) {
    const test_support::TemporaryFolder folder("tavro-png");
    PixelBuffer picture{64, 64, {}};
    uint32_t noise = 12345;  // does not compress into a few bytes
    for (int i = 0; i < 64 * 64; ++i) picture.argb.push_back(0xFF000000 | (noise *= 69069));
    const std::string path = folder.file("picture.png");
    fdn::Error error;
    {
        const test_support::FileSizeLimit full(1000);
        EXPECT_FALSE(picture.writePng(path, &error));
        EXPECT_EQ(error.code, EFBIG) << error.localizedDescription;
        EXPECT_FALSE(fdn::fileExists(path)) << "no half picture is left";
    }
    ASSERT_EQ(::symlink(folder.file("elsewhere").c_str(), path.c_str()), 0);
    EXPECT_FALSE(picture.writePng(path, &error));
    EXPECT_FALSE(fdn::fileExists(folder.file("elsewhere")));
    ASSERT_FALSE(fdn::removeItem(path));
    ASSERT_TRUE(picture.writePng(path, &error)) << error.localizedDescription;
    auto read = PixelBuffer::readPng(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->argb, picture.argb);
}

}  // namespace
}  // namespace platform::ui
