// What another user, or an unlucky disk, may put in the way of the files a run writes: a
// link, a FIFO, a device, a folder of someone else's, a full disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "StorageTestSupport.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/ProcessLockRegistry.h"
#include "platform/foundation/WritableFile.h"
#include "tests/support/FileSizeLimit.h"

namespace platform::foundation {
namespace {

using Folder = test_support::TemporaryFolder;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

TEST(PlantedFiles, WritesNeitherFollowALinkNorWaitOnAFifoNorPassAFullDisk) {
    Folder folder("tavro-planted");
    writeText(folder.file("elsewhere"), "precious");
    ASSERT_EQ(::symlink(folder.file("elsewhere").c_str(), folder.file("link").c_str()), 0);
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
    for (const auto& [name, code] : {std::pair{"link", ELOOP}, {"fifo", ENXIO}}) {
        auto error = appendToFile(folder.file(name), bytesOf("x"));
        ASSERT_TRUE(error) << name;
        EXPECT_EQ(error->code, code) << error->localizedDescription;
        EXPECT_FALSE(WritableFile::open(folder.file(name), WritableFile::Mode::Replace)) << name;
    }
    // With a reader the FIFO opens at once, and is refused for what it is.
    const int reader = ::open(folder.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_EQ(appendToFile(folder.file("fifo"), bytesOf("x"))->code, EINVAL);
    ::close(reader);
    EXPECT_TRUE(appendToFile("/dev/null", bytesOf("x")));
    EXPECT_EQ(readText(folder.file("elsewhere")), "precious");

    auto file = WritableFile::open(folder.file("log"), WritableFile::Mode::Append);
    ASSERT_TRUE(file);
    ASSERT_FALSE(file->write(bytesOf("kept\n")));
    {
        const test_support::FileSizeLimit full(8);
        auto error = file->write(bytesOf("not taken\n"));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code, EFBIG);
        EXPECT_TRUE(appendToFile(folder.file("log"), bytesOf("nor this\n")));
    }
    EXPECT_EQ(readText(folder.file("log")).substr(0, 5), "kept\n");
}

TEST(PlantedFiles, APrivateFolderIsTheUsersOwnAndReadableByItAlone) {
    Folder folder("tavro-planted");
    const std::string mine = folder.file("mine");
    ASSERT_FALSE(createDirectory(mine + "/a/b", true, FolderAccess::OwnerOnly));
    for (const char* made : {"", "/a", "/a/b"}) EXPECT_EQ(modeOf(mine + made) & 0777, 0700u);
    ASSERT_EQ(::chmod(mine.c_str(), 0755), 0);
    ASSERT_FALSE(claimPrivateFolder(mine));
    EXPECT_EQ(modeOf(mine) & 0777, 0700u) << "an older, open folder is closed";
    ASSERT_FALSE(claimPrivateFolder(folder.file("new")));
    EXPECT_EQ(modeOf(folder.file("new")) & 0777, 0700u);

    ASSERT_EQ(::symlink(mine.c_str(), folder.file("link").c_str()), 0);
    auto refused = claimPrivateFolder(folder.file("link"));
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->localizedDescription.find("symbolic link"), std::string::npos);
    writeText(folder.file("file"), "");
    EXPECT_TRUE(claimPrivateFolder(folder.file("file")));
    if (::chown(mine.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "cannot give a folder away";
    refused = claimPrivateFolder(mine);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->localizedDescription.find("belongs to user 65534"), std::string::npos)
        << refused->localizedDescription;
}

// A link in the lock file's place is left alone: the socket tells then.
TEST(PlantedFiles, TheLockFileDoesNotFollowALink) {
    const test_support::TemporaryHome home("tavro-planted");
    const std::string folder = applicationSupportDirectory() + "/.running";
    ASSERT_FALSE(createDirectory(folder, true));
    writeText(home.path() + "/elsewhere", "precious");
    ASSERT_EQ(
        ::symlink((home.path() + "/elsewhere").c_str(), (folder + "/com.example.app.lock").c_str()),
        0);
    ProcessLockRegistry first("com.example.app", nullptr);
    EXPECT_TRUE(first.isHolder());
    EXPECT_TRUE(first.cannotTell().empty());
    ProcessLockRegistry second("com.example.app", nullptr);
    EXPECT_FALSE(second.isHolder());
    EXPECT_EQ(readText(home.path() + "/elsewhere"), "precious");
}

}  // namespace
}  // namespace platform::foundation
