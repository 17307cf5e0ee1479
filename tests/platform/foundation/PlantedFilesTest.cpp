// What another user, or an unlucky disk, may put in the way of the files a run writes: a
// link, a FIFO, a device, a full disk.
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

// An atomic save replaces a link in the file's place by a file of its own, of the usual
// mode: a target open to all would otherwise lend its mode to the saved file.
TEST(PlantedFiles, AnAtomicSaveOntoALinkMakesAFileOfTheUsualModeAndLeavesTheTarget) {
    Folder folder("tavro-planted");
    writeText(folder.file("elsewhere"), "precious");
    ASSERT_EQ(::chmod(folder.file("elsewhere").c_str(), 0666), 0);
    ASSERT_EQ(::symlink(folder.file("elsewhere").c_str(), folder.file("settings").c_str()), 0);
    ASSERT_FALSE(writeFileAtomically(folder.file("settings"), bytesOf("saved")));
    struct stat saved {};
    ASSERT_EQ(::lstat(folder.file("settings").c_str(), &saved), 0);
    EXPECT_TRUE(S_ISREG(saved.st_mode));
    EXPECT_EQ(saved.st_mode & 07777, 0644u);
    EXPECT_EQ(readText(folder.file("settings")), "saved");
    struct stat target {};
    ASSERT_EQ(::stat(folder.file("elsewhere").c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0666u);
    EXPECT_EQ(readText(folder.file("elsewhere")), "precious");
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
