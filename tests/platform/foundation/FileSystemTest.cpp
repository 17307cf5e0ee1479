#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "StorageTestSupport.h"
#include "platform/foundation/FileSystem.h"

namespace platform::foundation {
namespace {

using Folder = test_support::TemporaryFolder;

TEST(FileSystemTest, PathTextsFollowThePlatformRules) {
    EXPECT_EQ(appendPathComponent("a/b/", "/c"), "a/b/c");
    EXPECT_EQ(appendPathComponent("/", "c"), "/c");
    EXPECT_EQ(lastPathComponent("/tmp/lock/"), "lock");
    EXPECT_EQ(lastPathComponent("/"), "/");
    for (auto [path, parent] :
         {std::pair{"/tmp/lock/", "/tmp"}, {"/tmp", "/"}, {"/", "/"}, {"scratch.tiff", ""}}) {
        EXPECT_EQ(deletingLastPathComponent(path), parent) << path;
    }
}

TEST(FileSystemTest, LocationsFollowTheHomeOverrideThenTheEnvironment) {
    ScopedEnvironment tavroHome("TAVRO_HOME");
    tavroHome.set("/from/environment");
    setHomeDirectory("/override/home/");
    EXPECT_EQ(preferencesDirectory(), "/override/home/Library/Preferences");
    setHomeDirectory("");
    EXPECT_EQ(homeDirectory(), "/from/environment");
}

TEST(FileSystemTest, AtomicWriteReplacesWholeFilesAndLeavesNoTemporaries) {
    Folder folder("tavro-files");
    const std::string path = folder.file("settings.plist");
    ASSERT_FALSE(writeFileAtomically(path, bytesOf("first")));
    ::chmod(path.c_str(), 0640);
    ASSERT_FALSE(writeFileAtomically(path, bytesOf("second, longer")));
    EXPECT_EQ(readText(path), "second, longer");
    EXPECT_EQ(folderEntries(folder.path()), std::vector<std::string>{"settings.plist"});
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the replaced file keeps its mode";
    ASSERT_FALSE(writeFileAtomically(path, {}));
    EXPECT_EQ(readText(path), "");
    // The target is a folder: the rename fails, the folder and its contents stay and the
    // temporary file is removed.
    const std::string occupied = folder.file("occupied");
    ASSERT_FALSE(createDirectory(occupied, false));
    ASSERT_FALSE(writeFileAtomically(appendPathComponent(occupied, "inside"), bytesOf("x")));
    auto error = writeFileAtomically(occupied, bytesOf("replacement"));
    ASSERT_TRUE(error);
    EXPECT_TRUE(isDirectory(occupied));
    EXPECT_EQ(readText(appendPathComponent(occupied, "inside")), "x");
    EXPECT_EQ(folderEntries(folder.path()),
              (std::vector<std::string>{"occupied", "settings.plist"}));
    // A missing folder is not created.
    error = writeFileAtomically(folder.file("missing/file"), bytesOf("x"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, ENOENT);
    EXPECT_FALSE(fileExists(folder.file("missing")));
}

TEST(FileSystemTest, AppendCreatesThenExtendsAndAttributesDescribeTheFile) {
    Folder folder("tavro-files");
    const std::string path = folder.file("log.txt");
    ASSERT_FALSE(appendToFile(path, bytesOf("one\n")));
    ASSERT_FALSE(appendToFile(path, bytesOf("two\n")));
    EXPECT_EQ(readText(path), "one\ntwo\n");
    auto attributes = attributesOfItem(path);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes.value().size, 8u);
    EXPECT_EQ(attributes.value().type, FileType::Regular);
    auto missing = attributesOfItem(folder.file("nothing"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_TRUE(appendToFile(folder.file("no/such/folder/log"), bytesOf("x")));
}

TEST(FileSystemTest, FoldersAreCreatedAndRemovedWhole) {
    Folder folder("tavro-files");
    const std::string deep = folder.file("a/b/c");
    EXPECT_TRUE(createDirectory(deep, false)) << "without intermediates the parent must exist";
    ASSERT_FALSE(createDirectory(deep, true));
    EXPECT_FALSE(createDirectory(deep, true)) << "an existing folder is fine with intermediates";
    ASSERT_FALSE(appendToFile(appendPathComponent(deep, "file"), bytesOf("x")));
    ASSERT_FALSE(removeItem(folder.file("a")));
    EXPECT_FALSE(fileExists(folder.file("a")));
}

// Threads stand for processes started within one second, asking for one name at once.
TEST(FileSystemTest, ANewFolderIsNeverOneThatExists) {
    Folder folder("tavro-files");
    const std::string wanted = folder.file("Runs/20260101-120000");
    ASSERT_FALSE(createDirectory(wanted, true));
    ASSERT_FALSE(appendToFile(appendPathComponent(wanted, "run.log"), bytesOf("earlier run")));
    constexpr int kRuns = 8;
    std::vector<std::string> made(kRuns);
    std::vector<std::thread> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.emplace_back([&, i] {
            auto run = createNewDirectory(wanted);
            if (run) made[i] = *run;
        });
    }
    for (auto& run : runs) run.join();
    std::sort(made.begin(), made.end());
    for (int i = 0; i < kRuns; ++i) EXPECT_EQ(made[i], wanted + "-" + std::to_string(i + 2));
    EXPECT_EQ(readText(appendPathComponent(wanted, "run.log")), "earlier run");
    EXPECT_EQ(folderEntries(folder.file("Runs")).size(), kRuns + 1u);
    // The folders above are made as needed.
    const auto deeper = createNewDirectory(folder.file("Other/Runs/first"));
    ASSERT_TRUE(deeper);
    EXPECT_EQ(*deeper, folder.file("Other/Runs/first"));
    EXPECT_TRUE(isDirectory(*deeper));
}

// One place spelled several ways comes out as one path; the item's own name is kept as it is
// spelled, a link there too, and a path whose folder does not exist comes back unchanged.
TEST(FileSystemTest, ResolvingFoldersResolvesTheFoldersAboveAndKeepsTheName) {
    Folder folder("tavro-files");
    const std::string real = std::filesystem::canonical(folder.path()).string();
    ASSERT_FALSE(createDirectory(folder.file("home/sub"), true));
    ASSERT_EQ(::symlink(folder.file("home").c_str(), folder.file("alias").c_str()), 0);
    ASSERT_EQ(::symlink(folder.file("elsewhere").c_str(), folder.file("home/lock").c_str()), 0);
    for (const std::string& spelled : {folder.file("alias/lock"), folder.file("home//lock"),
                                       folder.file("./home/sub/../lock")}) {
        EXPECT_EQ(resolvingFolders(spelled), real + "/home/lock") << spelled;
    }
    EXPECT_EQ(resolvingFolders("lock"),
              std::filesystem::canonical(std::filesystem::current_path()).string() + "/lock");
    EXPECT_EQ(resolvingFolders(folder.file("missing/lock")), folder.file("missing/lock"));
}

// A folder in a place where every user may create files is made private, or refused when it
// is a link (whose target another user chose) or another user's folder.
TEST(FileSystemTest, AFolderIsClaimedPrivateAndALinkOrAnotherUsersIsRefused) {
    Folder folder("tavro-files");
    const std::string shared = folder.file("shared"), link = folder.file("link");
    ASSERT_FALSE(createDirectory(shared, false));
    ASSERT_EQ(::chmod(shared.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(shared.c_str(), link.c_str()), 0);
    auto refused = claimPrivateFolder(link);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->code, ELOOP);
    ASSERT_FALSE(claimPrivateFolder(shared));
    struct stat info {};
    ASSERT_EQ(::stat(shared.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Only a privileged run can give a folder to another user.
    if (::chown(shared.c_str(), ::geteuid() + 1, ::getegid()) == 0) {
        refused = claimPrivateFolder(shared);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->code, EPERM);
    }
}

// A file named from outside is read only up to the size it may have, whatever its size says:
// a file of the kernel's tells none.
TEST(FileSystemTest, ARegularFileIsReadUpToItsLimitAndNoFurther) {
    Folder folder("tavro-files");
    writeText(folder.file("five"), "12345");
    ASSERT_EQ(::symlink(folder.file("five").c_str(), folder.file("link").c_str()), 0);
    const auto whole = readRegularFile(folder.file("link"), 5);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size(), 5u);
    for (const auto& [path, limit] :
         {std::pair{folder.file("five"), 4}, {std::string("/proc/self/status"), 16}}) {
        const auto refused = readRegularFile(path, limit);
        ASSERT_FALSE(refused) << path;
        EXPECT_EQ(refused.error().code, EFBIG) << path;
    }
}

}  // namespace
}  // namespace platform::foundation
