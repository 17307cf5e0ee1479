#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "StorageTestSupport.h"
#include "platform/foundation/SystemInfo.h"
#include "tests/support/Threads.h"

namespace platform::foundation {
namespace {

// Restores LANG and the machine values however a test ends.
class SystemInfoTest : public ::testing::Test {
  protected:
    void TearDown() override { clearMachineValues(); }
    ScopedEnvironment lang_{"LANG"};
};

TEST_F(SystemInfoTest, MachineValuesReplaceThisMachinesOwn) {
    clearMachineValues();
    EXPECT_EQ(sysctlString("hw.model"), std::nullopt) << "Linux has no Mac model";
    MachineValues values;
    values.model = "MacBookPro18,3";
    values.cpuBrand = "Apple M1 Pro";
    setMachineValues(values);
    EXPECT_EQ(sysctlString("hw.model"), "MacBookPro18,3");
    EXPECT_EQ(sysctlString("machdep.cpu.brand_string"), "Apple M1 Pro");
    // What a profile leaves out is missing rather than taken from the host.
    lang_.set("de_DE.UTF-8");
    EXPECT_EQ(appleLocale(), std::nullopt);
    EXPECT_TRUE(preferredLanguages().empty());
}

TEST_F(SystemInfoTest, WithoutMachineValuesTheLocaleComesFromLang) {
    clearMachineValues();
    using Languages = std::vector<std::string>;
    const std::tuple<const char*, std::optional<std::string>, Languages> cases[] = {
        {"en_US.UTF-8", "en_US", {"en-US"}},
        {"zh_CN.UTF-8", "zh_CN", {"zh-Hans-CN"}},
        {"zh_TW", "zh_TW", {"zh-Hant-TW"}},
        {"de_DE@euro", "de_DE", {"de-DE"}},
        {"C", std::nullopt, {}},
        {"", std::nullopt, {}}};
    for (const auto& [lang, locale, languages] : cases) {
        lang_.set(lang);
        EXPECT_EQ(appleLocale(), locale) << lang;
        EXPECT_EQ(preferredLanguages(), languages) << lang;
    }
}

TEST_F(SystemInfoTest, UuidsAreUpperCaseVersionFourAndDistinct) {
    const std::regex shape("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(uuidString(), shape));
    EXPECT_NE(uuidString(), uuidString());
}

TEST_F(SystemInfoTest, ConcurrentLogLinesNeverInterleave) {
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    ::testing::internal::CaptureStderr();
    test_support::onThreads(kThreads, [](int t) {
        const std::string body(300, static_cast<char>('a' + t));
        for (int i = 0; i < kLines; ++i) systemLog(std::to_string(t) + ":" + body);
    });
    std::istringstream lines(::testing::internal::GetCapturedStderr());
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        const int t = line[0] - '0';
        ASSERT_EQ(line, std::to_string(t) + ":" + std::string(300, static_cast<char>('a' + t)));
    }
    EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
}  // namespace platform::foundation
