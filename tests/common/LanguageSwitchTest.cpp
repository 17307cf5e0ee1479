// The language switch: raw values, the start language, the archived helper (and bad
// archives), and lookups through the main bundle before and after the switch, with the
// application's own strings files and with a bundle that lacks the English folder.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/Bundle.h"
#include "common/TavroLocalizationHelper.h"
#include "common/TavroLocalizationHelperArchive.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"

using common::TavroLocalizationHelper;
using Language = TavroLocalizationHelper::Language;
namespace fd = platform::foundation;

namespace {

void prefer(std::vector<std::string> languages, std::optional<std::string> locale = {}) {
    fd::MachineValues values;
    values.preferredLanguages = std::move(languages);
    values.appleLocale = std::move(locale);
    fd::setMachineValues(values);
}

fd::Bytes bytesOf(const std::string& text) {
    return fd::Bytes(text.begin(), text.end());
}

std::string uid(int index) {
    return "<dict><key>CF$UID</key><integer>" + std::to_string(index) + "</integer></dict>";
}

// A keyed archive whose root object has the class `className` and the language `language`
// (stored as a referenced string object).
std::string archive(const std::string& className, const std::string& language,
                    const std::string& rootReference = uid(1)) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>$archiver</key><string>NSKeyedArchiver</string>
<key>$version</key><integer>100000</integer>
<key>$top</key><dict><key>root</key>)" +
           rootReference + R"(</dict>
<key>$objects</key><array>
  <string>$null</string>
  <dict><key>$class</key>)" +
           uid(3) + "<key>language</key>" + uid(2) + R"(</dict>
  <string>)" +
           language +
           R"(</string>
  <dict><key>$classname</key><string>)" +
           className + R"(</string>
    <key>$classes</key><array><string>)" +
           className + R"(</string><string>NSObject</string></array></dict>
</array></dict></plist>)";
}

fd::Result<Language> read(const std::string& text) {
    const fd::Bytes bytes = bytesOf(text);
    return common::unarchiveLocalizationHelper(bytes);
}

class LanguageSwitchTest : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = TavroLocalizationHelper::shared().language(); }
    void TearDown() override {
        TavroLocalizationHelper::shared().setLanguage(saved_);
        fd::Bundle::setMainBundlePath({});  // a fresh main bundle, without the route
        fd::clearMachineValues();
        std::filesystem::remove_all(scratch_);
    }

    std::string scratch_ =
        std::filesystem::temp_directory_path() / ("language-switch-" + std::to_string(::getpid()));
    Language saved_ = Language::English;
};

}  // namespace

TEST(LanguageValues, RawValuesGoBothWaysAndNothingElseIsALanguage) {
    EXPECT_EQ(TavroLocalizationHelper::rawValue(Language::Chinese), "zh-Hans");
    EXPECT_EQ(TavroLocalizationHelper::rawValue(Language::English), "en");
    EXPECT_EQ(TavroLocalizationHelper::languageFromRawValue("zh-Hans"), Language::Chinese);
    EXPECT_EQ(TavroLocalizationHelper::languageFromRawValue("en"), Language::English);
    for (const char* other : {"en-GB", "zh-Hant", "zh", "EN", ""}) {
        EXPECT_FALSE(TavroLocalizationHelper::languageFromRawValue(other)) << other;
    }
}

TEST(LanguageValues, StartLanguageIsChineseOnlyForSimplifiedChineseFirst) {
    prefer({"zh-Hans-CN", "en-US"});
    EXPECT_EQ(TavroLocalizationHelper().language(), Language::Chinese);
    for (auto list : std::vector<std::vector<std::string>>{
             {}, {"zh-Hant-TW", "zh-Hans-CN"}, {"en-US"}, {"ja-JP"}}) {
        prefer(list);
        EXPECT_EQ(TavroLocalizationHelper().language(), Language::English);
    }
    fd::clearMachineValues();
}

TEST(KeyedArchive, ArchivedHelperGivesItsLanguage) {
    EXPECT_EQ(read(archive("TavroLocalizationHelper", "en")).value(), Language::English);
    EXPECT_EQ(read(archive("TAVRO_3D.TavroLocalizationHelper", "zh-Hans")).value(),
              Language::Chinese);
}

TEST(KeyedArchive, AnythingElseIsNotAHelper) {
    const std::vector<std::string> bad = {
        archive("NSString", "en"),                         // another class
        archive("NotTavroLocalizationHelper", "en"),       // a class merely ending alike
        archive("TavroLocalizationHelper", "en-GB"),       // not a language
        archive("TavroLocalizationHelper", "en", uid(9)),  // root out of range
        archive("TavroLocalizationHelper", "en", uid(-1)),
        archive("TavroLocalizationHelper", "en", "<string>1</string>"),
        std::string("bplist00\xd1\x01\x02", 11),  // binary archives are refused
        "<plist><dict><key>$archiver</key><string>NSKeyedArchiver</string></dict></plist>",
        "not a property list at all",
        "",
    };
    for (const std::string& text : bad) {
        EXPECT_FALSE(read(text)) << text;
    }
}

TEST(KeyedArchive, UserDefaultsEntryDecidesTheHelperOnlyWhenItIsAnArchivedHelper) {
    prefer({"zh-Hans-CN"});
    fd::UserDefaults defaults("");
    EXPECT_EQ(TavroLocalizationHelper::fromUserDefaults(defaults)->language(), Language::Chinese);
    defaults.setObject(bytesOf(archive("TavroLocalizationHelper", "en")), "DefaultUserSettings");
    EXPECT_EQ(TavroLocalizationHelper::fromUserDefaults(defaults)->language(), Language::English);
    defaults.setObject("en", "DefaultUserSettings");  // not data
    EXPECT_EQ(TavroLocalizationHelper::fromUserDefaults(defaults)->language(), Language::Chinese);
    defaults.setObject(bytesOf(archive("NSString", "en")), "DefaultUserSettings");
    EXPECT_EQ(TavroLocalizationHelper::fromUserDefaults(defaults)->language(), Language::Chinese);
    fd::clearMachineValues();
}

TEST_F(LanguageSwitchTest, OutsideChinaTextsComeOutInEnglishWhateverTheSystemLanguage) {
    prefer({"zh-Hans-CN"}, "en_US");
    EXPECT_EQ(fd::localizedString("已连接"), "已连接");  // before the switch: the system's choice
    common::Bundle::installOnMainBundle();
    TavroLocalizationHelper::shared().setLanguage(Language::English);
    EXPECT_EQ(fd::localizedString("已连接"), "Connected");
    EXPECT_EQ(fd::localizedString("退出TAVRO 3D"), "Quit TAVRO 3D");
    EXPECT_EQ(fd::localizedString("no such key"), "no such key");
    // The cache answers the same folder again.
    const auto& helper = TavroLocalizationHelper::shared();
    EXPECT_EQ(helper.languageBundle(Language::English), helper.languageBundle(Language::English));
    EXPECT_TRUE(helper.languageBundle(Language::English)->bundlePath().ends_with("en.lproj"));
}

TEST_F(LanguageSwitchTest, InChinaTextsFollowTheSystemLanguage) {
    prefer({"en-US"}, "zh_CN");
    // No switch is made: the standard lookup picks the system's language.
    EXPECT_EQ(fd::localizedString("已连接"), "Connected");
    prefer({"zh-Hans-CN"}, "zh_CN");
    EXPECT_EQ(fd::localizedString("已连接"), "已连接");
    EXPECT_EQ(TavroLocalizationHelper().language(), Language::Chinese);
}

TEST_F(LanguageSwitchTest, EveryChineseKeyHasAnEnglishText) {
    const auto english = TavroLocalizationHelper::shared().languageBundle(Language::English);
    const auto chinese = TavroLocalizationHelper::shared().languageBundle(Language::Chinese);
    ASSERT_TRUE(english && chinese);
    for (const char* key : {"已连接", "固件版本：V", "开始升级", "升级失败，请重试", "重试",
                            "已恢复默认值", "将眼镜摘下\n平放在桌上并保持静止"}) {
        EXPECT_NE(english->localizedStringForKey(key), key) << key;
        EXPECT_EQ(chinese->localizedStringForKey(key), key) << key;
    }
}

TEST_F(LanguageSwitchTest, WithoutAnEnglishFolderTheSwitchFallsBackToTheStandardLookup) {
    std::filesystem::create_directories(scratch_ + "/zh-Hans.lproj");
    std::ofstream(scratch_ + "/Info.json") << R"({"CFBundleIdentifier": "test.language"})";
    std::ofstream(scratch_ + "/zh-Hans.lproj/Localizable.strings") << "\"确定\" = \"确定!\";\n";
    fd::Bundle::setMainBundlePath(scratch_);
    prefer({"zh-Hans-CN"}, "en_US");
    common::Bundle::installOnMainBundle();
    TavroLocalizationHelper::shared().setLanguage(Language::English);
    EXPECT_FALSE(TavroLocalizationHelper::shared().languageBundle(Language::English));
    EXPECT_EQ(fd::localizedString("确定"), "确定!");
}

TEST_F(LanguageSwitchTest, LookupsFromManyThreadsShareTheHelperAndTheCache) {
    prefer({"zh-Hans-CN"}, "en_US");
    common::Bundle::installOnMainBundle();
    TavroLocalizationHelper::shared().setLanguage(Language::English);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int index = 0; index < 4; ++index) {
        threads.emplace_back([&wrong] {
            for (int round = 0; round < 50; ++round) {
                if (fd::localizedString("重试") != "Retry") ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
