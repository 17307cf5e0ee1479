#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include "StorageTestSupport.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/Threads.h"

namespace platform::foundation {
namespace {

class UserDefaultsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MachineValues values;
        values.appleLocale = "zh_CN";
        values.preferredLanguages = {"zh-Hans-CN", "en-US"};
        setMachineValues(values);
    }
    void TearDown() override { clearMachineValues(); }
    std::string plistPath() const { return folder_.file("Preferences/com.example.test.plist"); }
    test_support::TemporaryFolder folder_{"tavro-defaults"};
};

TEST_F(UserDefaultsTest, TypedReadsConvertAcrossKinds) {
    UserDefaults defaults("");
    for (const char* text : {"YES", "true", "no", "42", " -7.9 apples"}) {
        defaults.setObject(Value(text), text);
    }
    defaults.setDouble(1.75, "1.75");
    defaults.setObject(Value(Bytes{1}), "data");
    EXPECT_TRUE(defaults.boolForKey("YES") && defaults.boolForKey("true"));
    EXPECT_TRUE(defaults.boolForKey("42") && defaults.boolForKey("1.75"));
    EXPECT_FALSE(defaults.boolForKey("no") || defaults.boolForKey("data"));
    EXPECT_EQ(defaults.integerForKey(" -7.9 apples"), -7);
    EXPECT_EQ(defaults.integerForKey("1.75"), 1);
    EXPECT_EQ(defaults.integerForKey("YES"), 0);
    EXPECT_DOUBLE_EQ(defaults.doubleForKey(" -7.9 apples"), -7.9);
    EXPECT_EQ(defaults.stringForKey("1.75"), "1.75");
}

TEST_F(UserDefaultsTest, TheGlobalDomainIsReadOnlyAndShadowedByTheApplication) {
    UserDefaults defaults(plistPath());
    EXPECT_EQ(defaults.stringForKey("AppleLocale"), "zh_CN");
    EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
    defaults.setObject(Value(ValueArray{Value("en")}), "AppleLanguages");
    EXPECT_EQ(defaults.arrayForKey("AppleLanguages"), ValueArray{Value("en")});
    EXPECT_EQ(preferredLanguages(), (std::vector<std::string>{"zh-Hans-CN", "en-US"}))
        << "the machine's languages do not change";
    defaults.removeObjectForKey("AppleLanguages");
    EXPECT_EQ(defaults.arrayForKey("AppleLanguages")->size(), 2u);
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(readText(plistPath()).find("AppleLocale"), std::string::npos)
        << "global values are not copied into the application's file";
}

// An unreadable file is left alone until there is something to save, and then kept aside
// under a name of its own rather than overwritten.
TEST_F(UserDefaultsTest, AnUnreadableFileIsKeptAsideWhenTheNewDefaultsAreSaved) {
    createDirectory(folder_.file("Preferences"), true);
    const std::string good = R"(<plist version="1.0"><dict><key>volume</key><integer>7</integer>)";
    const std::string contents[] = {"garbage \x01\xFF", good, good + "</dict></plist>"};
    writeText(plistPath() + ".unreadable", "an older one");
    for (size_t i = 0; i < std::size(contents); ++i) {
        writeText(plistPath(), contents[i]);
        const bool readable = i == 2;
        {
            UserDefaults defaults(plistPath());
            EXPECT_EQ(defaults.integerForKey("volume"), readable ? 7 : 0);
            EXPECT_TRUE(defaults.synchronize());
            EXPECT_EQ(readText(plistPath()), contents[i]) << "nothing to save: left as it was";
            defaults.setInteger(3, "volume");
            EXPECT_TRUE(defaults.synchronize());
            defaults.setInteger(4, "volume");
            EXPECT_TRUE(defaults.synchronize());
        }
        EXPECT_EQ(UserDefaults(plistPath()).integerForKey("volume"), 4);
        if (!readable) {
            EXPECT_EQ(readText(plistPath() + ".unreadable-" + std::to_string(i + 2)), contents[i]);
        }
    }
    EXPECT_EQ(readText(plistPath() + ".unreadable"), "an older one");
    EXPECT_EQ(folderEntries(folder_.file("Preferences")).size(), 4u);
    removeItem(plistPath());
    EXPECT_TRUE(UserDefaults(plistPath()).dictionaryRepresentation().empty());
    EXPECT_FALSE(fileExists(plistPath())) << "a missing file is not created without a change";
}

TEST_F(UserDefaultsTest, AFailedWriteKeepsTheLastGoodFile) {
    // A name so long that the temporary file beside it cannot be made.
    const std::string folder = folder_.file("Preferences");
    createDirectory(folder, true);
    const std::string path = appendPathComponent(folder, std::string(243, 'p') + ".plist");
    writeText(path,
              R"(<plist version="1.0"><dict><key>volume</key><integer>7</integer></dict></plist>)");
    const std::string before = readText(path);
    {
        UserDefaults defaults(path);
        EXPECT_EQ(defaults.integerForKey("volume"), 7);
        defaults.setInteger(9, "volume");
        EXPECT_FALSE(defaults.synchronize());
        EXPECT_EQ(defaults.integerForKey("volume"), 9) << "memory keeps the change";
    }
    EXPECT_EQ(readText(path), before);
    EXPECT_EQ(folderEntries(folder).size(), 1u) << "no temporary file is left";
}

// A FIFO, a device or a huge file in the defaults' place is not read (a FIFO would hold the
// launch until a writer came, /dev/zero would fill the memory): the defaults start empty at
// once, and what was there is kept aside by the first save, not followed or replaced.
TEST_F(UserDefaultsTest, WhatIsNoFileOfDefaultsIsNotReadButKeptAside) {
    createDirectory(folder_.file("Preferences"), true);
    const std::string path = plistPath(), aside = plistPath() + ".unreadable";
    const std::function<void()> plant[] = {
        [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
        [&] { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); },
        [&] {
            writeText(path, "");
            ASSERT_EQ(::truncate(path.c_str(), 64LL << 30), 0);  // sparse: no disk used
        }};
    for (size_t i = 0; i < std::size(plant); ++i) {
        plant[i]();
        auto loading =
            std::async(std::launch::async, [&] { return UserDefaults(path).boolForKey("x"); });
        if (loading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));  // lets a stuck read end
            FAIL() << i << ": the load waits";
        }
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0);
        {
            UserDefaults defaults(path);
            EXPECT_TRUE(defaults.dictionaryRepresentation().empty()) << i;
            defaults.setInteger(3, "volume");
            EXPECT_TRUE(defaults.synchronize()) << i;
        }
        EXPECT_EQ(UserDefaults(path).integerForKey("volume"), 3) << i;
        struct stat kept {};
        ASSERT_EQ(::lstat(aside.c_str(), &kept), 0) << i;
        EXPECT_EQ(kept.st_ino, before.st_ino) << i;
        removeItem(path);
        removeItem(aside);
    }
}

// A save replaces a link in the file's place instead of writing through it, and a save the
// disk does not take is reported, the last good file left whole.
TEST_F(UserDefaultsTest, ASaveNeitherGoesThroughALinkNorPassesAFullDisk) {
    createDirectory(folder_.file("Preferences"), true);
    const std::string elsewhere = folder_.file("elsewhere.plist");
    writeText(elsewhere,
              R"(<plist version="1.0"><dict><key>volume</key><integer>7</integer></dict></plist>)");
    ASSERT_EQ(::symlink(elsewhere.c_str(), plistPath().c_str()), 0);
    UserDefaults defaults(plistPath());
    EXPECT_EQ(defaults.integerForKey("volume"), 7);
    defaults.setInteger(8, "volume");
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_NE(readText(elsewhere).find("<integer>7</integer>"), std::string::npos);
    const std::string saved = readText(plistPath());
    EXPECT_NE(saved.find("<integer>8</integer>"), std::string::npos);
    defaults.setObject(Value(std::string(4096, 'a')), "long");
    {
        const test_support::FileSizeLimit full(1024);
        EXPECT_FALSE(defaults.synchronize());
    }
    EXPECT_EQ(readText(plistPath()), saved);
    EXPECT_EQ(folderEntries(folder_.file("Preferences")).size(), 1u) << "no temporary file left";
    EXPECT_TRUE(defaults.synchronize()) << "the change is still to be saved";
}

TEST_F(UserDefaultsTest, ConcurrentWritersAndSavesLoseNothing) {
    {
        UserDefaults defaults(plistPath());
        test_support::onThreads(4, [&defaults](int t) {
            for (int i = 0; i < 50; ++i) {
                const std::string key = "k" + std::to_string(t) + "-" + std::to_string(i);
                defaults.setInteger(i, key);
                EXPECT_EQ(defaults.integerForKey(key), i);
                EXPECT_TRUE(i % 10 != 0 || defaults.synchronize());
            }
        });
    }
    UserDefaults reread(plistPath());
    EXPECT_EQ(reread.dictionaryRepresentation().size(), 200u);
    EXPECT_EQ(reread.integerForKey("k3-49"), 49);
}

// Every kind the file can hold comes back from it; what it cannot hold is refused when set,
// so the file stays readable and every later setting is still saved.
TEST_F(UserDefaultsTest, EveryKindComesBackAndWhatTheFileCannotHoldIsRefused) {
    const Value kept[] = {Value("文字 <&> tab\tline\r\nend"), Value(int64_t{-1234567890123}),
                          Value(Bytes{0, 0xFF, 7}), Value(Date{1796576400})};
    Value deep(1);
    for (int level = 0; level < 300; ++level) deep = Value(ValueArray{deep});
    const auto device = Value::object(std::make_shared<int>(1));
    {
        UserDefaults defaults(plistPath());
        for (size_t i = 0; i < std::size(kept); ++i) {
            EXPECT_TRUE(defaults.setObject(kept[i], std::to_string(i)));
        }
        ASSERT_TRUE(defaults.synchronize());
        for (const Value& refused :
             {device, Value(ValueDictionary{{"a", Value(ValueArray{device})}}),
              Value(ValueArray{Value()}), Value(std::string("a\0b", 3)), Value("bell\x07"),
              Value(ValueDictionary{{std::string("k\0", 2), Value(1)}}), deep}) {
            EXPECT_FALSE(defaults.setObject(refused, "0")) << refused.description();
        }
        EXPECT_FALSE(defaults.setObject(Value(1), std::string("key\0", 4)));
        EXPECT_TRUE(defaults.setObject(Value(), "1")) << "null removes";
    }
    UserDefaults reread(plistPath());
    EXPECT_TRUE(reread.objectForKey("1").isNull());
    for (size_t i = 0; i < std::size(kept); ++i) {
        if (i == 1) continue;  // removed
        EXPECT_EQ(reread.objectForKey(std::to_string(i)), kept[i]) << i;
    }
    EXPECT_EQ(reread.dictionaryRepresentation().size(), std::size(kept) - 1);
}

}  // namespace
}  // namespace platform::foundation
