#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/Bundle.h"
#include "common/TavroLocalizationHelper.h"
#include "common/TavroLocalizationHelperArchive.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/Threads.h"

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
    return "<plist version=\"1.0\"><dict><key>$archiver</key><string>NSKeyedArchiver</string>"
           "<key>$top</key><dict><key>root</key>" +
           rootReference + "</dict><key>$objects</key><array><string>$null</string>" +
           "<dict><key>$class</key>" + uid(3) + "<key>language</key>" + uid(2) + "</dict>" +
           "<string>" + language + "</string><dict><key>$classname</key><string>" + className +
           "</string><key>$classes</key><array><string>" + className +
           "</string><string>NSObject</string></array></dict></array></dict></plist>";
}

fd::Result<Language> read(const std::string& text) {
    return common::unarchiveLocalizationHelper(bytesOf(text));
}

class LanguageSwitchTest : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = TavroLocalizationHelper::shared().language(); }
    void TearDown() override {
        TavroLocalizationHelper::shared().setLanguage(saved_);
        fd::Bundle::setMainBundlePath({});  // a fresh main bundle, without the route
        fd::clearMachineValues();
    }
    test_support::TemporaryFolder folder_{"language-switch"};
    Language saved_ = Language::English;
};

TEST_F(LanguageSwitchTest, StartLanguageIsChineseOnlyForSimplifiedChineseFirst) {
    prefer({"zh-Hans-CN", "en-US"});
    EXPECT_EQ(TavroLocalizationHelper().language(), Language::Chinese);
    for (auto list : std::vector<std::vector<std::string>>{{}, {"zh-Hant-TW", "zh-Hans-CN"}}) {
        prefer(list);
        EXPECT_EQ(TavroLocalizationHelper().language(), Language::English);
    }
}

TEST_F(LanguageSwitchTest, OnlyAnArchivedHelperGivesALanguage) {
    EXPECT_EQ(read(archive("TavroLocalizationHelper", "en")).value(), Language::English);
    EXPECT_EQ(read(archive("TAVRO_3D.TavroLocalizationHelper", "zh-Hans")).value(),
              Language::Chinese);
    const std::vector<std::string> bad = {
        archive("NSString", "en"),                         // another class
        archive("NotTavroLocalizationHelper", "en"),       // a class merely ending alike
        archive("TavroLocalizationHelper", "en-GB"),       // not a language
        archive("TavroLocalizationHelper", "en", uid(9)),  // root out of range
        archive("TavroLocalizationHelper", "en", uid(-1)),
        archive("TavroLocalizationHelper", "en", "<string>1</string>"),
        std::string("bplist00\xd1\x01\x02", 11),  // binary archives are refused
        "<plist><dict><key>$archiver</key><string>NSKeyedArchiver</string></dict></plist>",
        ""};
    for (const std::string& text : bad) {
        EXPECT_FALSE(read(text)) << text;
    }
    // In the user defaults, anything but an archived helper leaves the start language.
    prefer({"zh-Hans-CN"});
    fd::UserDefaults defaults("");
    defaults.setObject(bytesOf(archive("TavroLocalizationHelper", "en")), "DefaultUserSettings");
    EXPECT_EQ(TavroLocalizationHelper::fromUserDefaults(defaults)->language(), Language::English);
    defaults.setObject("en", "DefaultUserSettings");  // not data
    EXPECT_EQ(TavroLocalizationHelper::fromUserDefaults(defaults)->language(), Language::Chinese);
}

TEST_F(LanguageSwitchTest, OutsideChinaTextsComeOutInEnglishWhateverTheSystemLanguage) {
    prefer({"zh-Hans-CN"}, "en_US");
    EXPECT_EQ(fd::localizedString("已连接"), "已连接");  // before the switch: the system's choice
    common::Bundle::installOnMainBundle();
    TavroLocalizationHelper::shared().setLanguage(Language::English);
    // Lookups from many threads share the helper and its cache of language folders.
    std::atomic<int> wrong{0};
    test_support::onThreads(4, [&wrong](int) {
        for (int round = 0; round < 50; ++round)
            wrong += fd::localizedString("已连接") != "Connected";
    });
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(LanguageSwitchTest, WithoutAnEnglishFolderTheSwitchFallsBackToTheStandardLookup) {
    std::filesystem::create_directories(folder_.file("zh-Hans.lproj"));
    std::ofstream(folder_.file("Info.json")) << R"({"CFBundleIdentifier": "test.language"})";
    std::ofstream(folder_.file("zh-Hans.lproj/Localizable.strings")) << "\"确定\" = \"确定!\";\n";
    fd::Bundle::setMainBundlePath(folder_.path());
    prefer({"zh-Hans-CN"}, "en_US");
    common::Bundle::installOnMainBundle();
    TavroLocalizationHelper::shared().setLanguage(Language::English);
    EXPECT_EQ(fd::localizedString("确定"), "确定!");
}

}  // namespace
