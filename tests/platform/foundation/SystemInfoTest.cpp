#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <thread>

#include "StorageTestSupport.h"
#include "platform/foundation/SystemInfo.h"

namespace platform::foundation {
namespace {

// Restores LANG and the machine values however a test ends.
class SystemInfoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* lang = std::getenv("LANG");
        hadLang_ = lang != nullptr;
        if (lang) savedLang_ = lang;
    }
    void TearDown() override {
        clearMachineValues();
        if (hadLang_) {
            ::setenv("LANG", savedLang_.c_str(), 1);
        } else {
            ::unsetenv("LANG");
        }
    }

  private:
    bool hadLang_ = false;
    std::string savedLang_;
};

TEST_F(SystemInfoTest, MachineValuesReplaceThisMachinesOwn) {
    clearMachineValues();
    EXPECT_EQ(sysctlString("hw.model"), std::nullopt) << "Linux has no Mac model";
    EXPECT_EQ(sysctlString("kern.unknown"), std::nullopt);
    EXPECT_GT(physicalMemory(), 0u);
    const auto resident = residentSize();
    ASSERT_TRUE(resident);
    EXPECT_GT(*resident, 0u);

    MachineValues values;
    values.model = "MacBookPro18,3";
    values.cpuBrand = "Apple M1 Pro";
    values.physicalMemory = 16ull << 30;
    values.appleLocale = "zh_CN";
    values.preferredLanguages = {"zh-Hans-CN", "en-US"};
    setMachineValues(values);
    EXPECT_EQ(sysctlString("hw.model"), "MacBookPro18,3");
    EXPECT_EQ(sysctlString("machdep.cpu.brand_string"), "Apple M1 Pro");
    EXPECT_EQ(physicalMemory(), 16ull << 30);
    EXPECT_EQ(appleLocale(), "zh_CN");
    EXPECT_EQ(preferredLanguages(), (std::vector<std::string>{"zh-Hans-CN", "en-US"}));

    // What a profile leaves out is missing rather than taken from the host.
    ::setenv("LANG", "de_DE.UTF-8", 1);
    setMachineValues(MachineValues{});
    EXPECT_EQ(appleLocale(), std::nullopt);
    EXPECT_TRUE(preferredLanguages().empty());
    EXPECT_EQ(sysctlString("hw.model"), std::nullopt);
}

TEST_F(SystemInfoTest, WithoutMachineValuesTheLocaleComesFromLang) {
    clearMachineValues();
    const std::pair<const char*, std::optional<std::string>> locales[] = {
        {"en_US.UTF-8", "en_US"}, {"de_DE@euro", "de_DE"}, {"fr", "fr"},
        {"C", std::nullopt},      {"POSIX", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [lang, expected] : locales) {
        ::setenv("LANG", lang, 1);
        EXPECT_EQ(appleLocale(), expected) << lang;
    }
    const std::pair<const char*, std::string> languages[] = {
        {"en_US.UTF-8", "en-US"},
        {"fr", "fr"},
        {"zh_CN.UTF-8", "zh-Hans-CN"},
        {"zh_TW", "zh-Hant-TW"},
    };
    for (const auto& [lang, expected] : languages) {
        ::setenv("LANG", lang, 1);
        EXPECT_EQ(preferredLanguages(), std::vector<std::string>{expected}) << lang;
    }
    ::unsetenv("LANG");
    EXPECT_EQ(appleLocale(), std::nullopt);
    EXPECT_TRUE(preferredLanguages().empty());
}

TEST_F(SystemInfoTest, UuidsAreUpperCaseVersionFourAndDistinct) {
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::string uuid = uuidString();
        ASSERT_EQ(uuid.size(), 36u);
        for (size_t j = 0; j < uuid.size(); ++j) {
            if (j == 8 || j == 13 || j == 18 || j == 23) {
                ASSERT_EQ(uuid[j], '-') << uuid;
            } else {
                ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(uuid[j])) ||
                            (uuid[j] >= 'A' && uuid[j] <= 'F'))
                    << uuid;
            }
        }
        EXPECT_EQ(uuid[14], '4') << uuid;
        EXPECT_NE(std::string("89AB").find(uuid[19]), std::string::npos) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 2000u);
}

TEST_F(SystemInfoTest, ConcurrentLogLinesNeverInterleave) {
    storagetest::TemporaryFolder folder;
    const std::string capture = folder.file("stderr.txt");
    std::fflush(stderr);
    const int savedStderr = ::dup(STDERR_FILENO);
    FILE* file = std::fopen(capture.c_str(), "w");
    ASSERT_TRUE(file);
    ::dup2(::fileno(file), STDERR_FILENO);

    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::string body(300, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i) systemLog(std::to_string(t) + ":" + body);
        });
    }
    for (auto& thread : threads) thread.join();
    std::fflush(stderr);
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    std::fclose(file);

    std::istringstream lines(storagetest::readText(capture));
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        ASSERT_GE(line.size(), 2u);
        const int t = line[0] - '0';
        ASSERT_EQ(line, std::to_string(t) + ":" + std::string(300, static_cast<char>('a' + t)));
    }
    EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
}  // namespace platform::foundation
