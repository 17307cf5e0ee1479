#include <gtest/gtest.h>

#include <atomic>

#include "StorageTestSupport.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/SystemInfo.h"
#include "tests/support/Threads.h"

namespace platform::foundation {
namespace {

// A bundle of its own in a temporary folder, with the machine's languages under the
// test's control.
class BundleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeText(
            folder_.file("Info.json"),
            R"({"CFBundleIdentifier": "com.example.test", "CFBundleDevelopmentRegion": "de"})");
        addStrings("en.lproj", "Localizable",
                   "\"连接\" = \"Connect\";\n\"仅英文\" = \"English only\";");
        addStrings("zh-Hans.lproj", "Localizable", "\"连接\" = \"连接眼镜\";");
        addStrings("de.lproj", "Localizable", "\"连接\" = \"Verbinden\";");
        addStrings("en.lproj", "Menu", "\"退出\" = \"Quit\";");
        createDirectory(folder_.file("images"), false);
        writeText(folder_.file("images/logo.png"), "png");
        writeText(folder_.file("en.lproj/help.html"), "html");
        writeText(folder_.file("not-a-folder.lproj"), "");
    }
    void TearDown() override { clearMachineValues(); }
    void addStrings(const std::string& lproj, const std::string& table, const std::string& text) {
        createDirectory(folder_.file(lproj), true);
        writeText(folder_.file(lproj + "/" + table + ".strings"), text);
    }
    static void setLanguages(std::vector<std::string> languages) {
        MachineValues values;
        values.preferredLanguages = std::move(languages);
        setMachineValues(values);
    }
    test_support::TemporaryFolder folder_{"tavro-bundle"};
};

TEST_F(BundleTest, InfoAndResourcesAreFound) {
    Bundle bundle(folder_.path());
    EXPECT_EQ(bundle.bundleIdentifier(), "com.example.test");
    EXPECT_EQ(bundle.localizations(), (std::vector<std::string>{"de", "en", "zh-Hans"}));
    setLanguages({"en"});
    EXPECT_EQ(bundle.pathForResource("logo", "png", "images"), folder_.file("images/logo.png"));
    EXPECT_EQ(bundle.pathForResource("help", "html"), folder_.file("en.lproj/help.html"));
    EXPECT_EQ(bundle.pathForResource("logo", "png"), std::nullopt);
    EXPECT_EQ(Bundle::withPath(folder_.path()), Bundle::withPath(folder_.path()))
        << "one folder, one bundle while in use";
    writeText(folder_.file("Info.json"), "{ not json");
    EXPECT_TRUE(Bundle(folder_.path()).infoDictionary().empty());
}

TEST_F(BundleTest, TheFirstPreferredLanguageWithAFolderWins) {
    Bundle bundle(folder_.path());
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"zh-Hans-CN", "en-US"}, "zh-Hans"},
        {{"en-US", "zh-Hans-CN"}, "en"},
        {{"fr-FR", "ja", "en-GB"}, "en"},
        {{"ZH_hans"}, "zh-Hans"},
        {{"fr-FR"}, "de"},  // none matches: the development region
        {{}, "de"}};
    for (const auto& [languages, expected] : cases) {
        setLanguages(languages);
        EXPECT_EQ(bundle.preferredLocalization(), expected) << ::testing::PrintToString(languages);
    }
    setLanguages({"en-US"});
    EXPECT_EQ(bundle.localizedStringForKey("连接"), "Connect");
    EXPECT_EQ(bundle.localizedStringForKey("退出", "", "Menu"), "Quit");
    EXPECT_EQ(bundle.localizedStringForKey("没有", "Fallback"), "Fallback");
    EXPECT_EQ(bundle.localizedStringForKey("连接", "", "NoSuchTable"), "连接");
}

TEST_F(BundleTest, AnLprojFolderIsItsOwnLocalizationAndARouteMayReplaceTheLookup) {
    setLanguages({"en-US"});
    auto chinese = Bundle::withPath(folder_.file("zh-Hans.lproj"));
    ASSERT_TRUE(chinese);
    EXPECT_EQ(chinese->localizedStringForKey("连接"), "连接眼镜");
    EXPECT_EQ(chinese->localizedStringForKey("仅英文"), "仅英文");
    // A route may call back into the bundle it replaces.
    Bundle bundle(folder_.path());
    bundle.setLookupRoute([](const Bundle& self, const std::string& key, const std::string& value,
                             const std::string& table) {
        return "[" + self.standardLocalizedStringForKey(key, value, table) + "]";
    });
    EXPECT_EQ(bundle.localizedStringForKey("连接"), "[Connect]");
    bundle.setLookupRoute(nullptr);
    EXPECT_EQ(bundle.localizedStringForKey("连接"), "Connect");
}

TEST_F(BundleTest, LookupsWhileTheRouteIsSwappedStayConsistent) {
    setLanguages({"en"});
    Bundle bundle(folder_.path());
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    auto readers = test_support::startThreads(4, [&](int) {
        while (!stop) {
            const std::string text = bundle.localizedStringForKey("连接");
            if (text != "Connect" && text != "Route") ++bad;
        }
    });
    for (int i = 0; i < 500; ++i) {
        bundle.setLookupRoute([](const Bundle&, const std::string&, const std::string&,
                                 const std::string&) { return std::string("Route"); });
        bundle.setLookupRoute(nullptr);
    }
    stop = true;
    readers.clear();
    EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace platform::foundation
