#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "display/ScreenHelpers.h"
#include "localnet/TavroLocalServer.h"
#include "tests/display/DisplayHarness.h"
#include "tests/support/LoopbackClient.h"

namespace {

using ScreenRecognition = DisplayHarness;

// Ports of the loopback sockets this process listens on, other than `known`.
std::vector<uint16_t> listeningLoopbackPorts(const std::vector<uint16_t>& known = {}) {
    std::vector<uint16_t> ports;
    for (int handle = 0; handle < 4096; ++handle) {
        int listening = 0;
        sockaddr_in address{};
        socklen_t size = sizeof listening, length = sizeof address;
        if (getsockopt(handle, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening &&
            getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
            address.sin_family == AF_INET && address.sin_addr.s_addr == htonl(INADDR_LOOPBACK) &&
            !std::ranges::count(known, ntohs(address.sin_port)))
            ports.push_back(ntohs(address.sin_port));
    }
    return ports;
}

TEST_F(ScreenRecognition, HostScreensTheBuiltInOneAndTheNeedForAVirtualMainDisplay) {
    // A glasses screen is named "TAVRO", in any case, without "Monitor".
    for (const char* name : {"TAVRO Glass", "tavro pro"}) EXPECT_TRUE(isTavroGlassScreenName(name));
    for (const char* name : {"TAVRO Monitor", "DELL U2723QE", ""})
        EXPECT_FALSE(isTavroGlassScreenName(name)) << name;
    struct Case {
        std::string machine, host, externalHost;  // a profile's name or JSON; "" for none
        bool needsVirtualMain;
    };
    const Case cases[] = {
        {R"({"model": "Mac13,1"})", "", "", true},  // no screens at all
        {"macbook", "Built-in Retina Display", "", false},
        {"macmini-monitor", "DELL U2723QE", "DELL U2723QE", true},  // a Mac mini always does
        {desktopWith("Studio Display"), "Studio Display", "Studio Display", false},
        {desktopWith("LG Monitor"), "", "", true},  // a "Monitor" is no host
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.machine);
        boot(c.machine);
        plugGlasses();
        EXPECT_EQ(findHostScreen().value_or(screens::Screen{}).localizedName, c.host);
        EXPECT_EQ(findExternalHostScreen().value_or(screens::Screen{}).localizedName,
                  c.externalHost);
        EXPECT_EQ(screenNumber(), c.externalHost.empty()
                                      ? std::nullopt
                                      : displayNumberOf(*findExternalHostScreen()));
        EXPECT_EQ(needsVirtualMainDisplay(), c.needsVirtualMain);
    }
    // Without any screen there is nothing to un-mirror, and no host to make main. The built-in
    // screen is searched for again on each call until found, and then remembered.
    auto& mac = boot(R"({"model": "Mac13,1"})");
    EXPECT_TRUE(cancelMirroring(false, true));
    EXPECT_FALSE(cancelMirroring(true, true));
    EXPECT_FALSE(builtinScreen());
    auto id = mac.displays().plugDisplay(
        {"Built-in Retina Display", 1552, 41240, 0, {{1512, 982, 120}}, 0}, false, true);
    auto found = builtinScreen();
    ASSERT_TRUE(found);
    mac.displays().unplugDisplay(id);  // lid closed
    EXPECT_EQ(builtinScreen(), found);
}

// The companion application can connect once the question has been asked, before any
// glasses have replied. Checked in a fresh process (the shared server lives as long as its
// process, and an earlier test may have made it).
TEST_F(ScreenRecognition, AskingStartsTheCompanionServer) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    boot("macbook");
    EXPECT_EXIT(
        {
            const auto before = listeningLoopbackPorts();
            const bool answer = needsVirtualMainDisplay();
            const auto started = listeningLoopbackPorts(before);
            if (answer || started.size() != 1 || started[0] > TavroLocalServer::defaultPort())
                std::_Exit(2);
            LoopbackClient client(started[0]);
            auto served = [] { return TavroLocalServer::shareManager().hasClient(); };
            std::_Exit(client.connected() && waitUntil(served) ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

// Only a Boolean lock entry counts: a number or text under the key reads as unlocked, as
// does a missing session.
TEST_F(ScreenRecognition, OnlyABooleanLockEntryCountsAsLocked) {
    auto& mac = boot("macbook");
    EXPECT_FALSE(isScreenLocked());
    mac.lockScreen();
    EXPECT_TRUE(isScreenLocked());
    for (const fdn::Value& entry : {fdn::Value(1), fdn::Value(1.0), fdn::Value("true"),
                                    fdn::Value(fdn::ValueArray{true}), fdn::Value(false)}) {
        mac.displays().setSessionEntry("CGSSessionScreenIsLocked", entry);
        EXPECT_FALSE(isScreenLocked()) << entry.description();
    }
    mac.displays().setSessionEntry("CGSSessionScreenIsLocked", true);
    EXPECT_TRUE(isScreenLocked());
    mac.displays().setSessionAvailable(false);
    EXPECT_FALSE(isScreenLocked());
}

// The registry's product names are written by the display's driver: a name is taken only
// from a dictionary whose every value is a text, wherever the odd value sits in it.
TEST_F(ScreenRecognition, AProductNameComesOnlyFromADictionaryOfTexts) {
    auto& mac = boot(desktopWith("Studio Display"));
    auto screen = findExternalHostScreen();
    ASSERT_TRUE(screen);
    const uint32_t id = screenDisplayID(*screen);
    EXPECT_EQ(screenDisplayName(*screen), "Studio Display");
    using Dictionary = fdn::ValueDictionary;
    const std::pair<fdn::Value, std::optional<std::string>> cases[] = {
        {Dictionary{{"de_DE", "Studio-Bildschirm"}, {"en_US", "Studio"}}, "Studio-Bildschirm"},
        {Dictionary{{"de_DE", 7}, {"en_US", "Studio"}}, std::nullopt},
        {Dictionary{{"en_US", "Studio"}, {"fr_FR", fdn::ValueArray{"Studio"}}}, std::nullopt},
        {Dictionary{{"en_US", fdn::Value()}}, std::nullopt},
        {Dictionary{}, std::nullopt},
        {fdn::Value("Studio"), std::nullopt},
    };
    for (const auto& [names, expected] : cases) {
        SCOPED_TRACE(names.description());
        mac.displays().setRegistryProductNames(id, names);
        EXPECT_EQ(screenDisplayName(*screen), expected);
    }
}

// A MacBook whose glasses come up mirrored, a Mac mini with the glasses as its only display,
// and an iMac with the glasses as main beside its built-in panel.
TEST_F(ScreenRecognition, UnmirroringAndTheGlassesResolution) {
    auto& mac = boot("macbook");
    uint32_t glasses = plugGlasses();
    ASSERT_EQ(screenNames(), std::vector<std::string>{"Built-in Retina Display"});
    EXPECT_FALSE(cancelMirroring(true, true));  // a second screen was required
    EXPECT_EQ(info(glasses).mirrorOf, 0u);
    EXPECT_EQ(screenNames().size(), 2u);
    EXPECT_EQ(mac.displays().completedConfigurations(), 1);
    // The glasses as the master of the mirror set, so the glasses step un-mirrors them; its
    // first completion fails.
    auto host = *displayNumberOf(*builtinScreen());
    auto config = screens::DisplayConfigRef();
    screens::beginDisplayConfiguration(config);
    screens::configureDisplayMirrorOfDisplay(config, host, glasses);
    ASSERT_EQ(screens::completeDisplayConfiguration(config, 2), screens::kDisplaySuccess);
    ASSERT_EQ(screenNames(), std::vector<std::string>{"TAVRO Glass"});
    mac.displays().failNextCompletions(1);
    EXPECT_FALSE(cancelMirroring(false, true));
    EXPECT_TRUE(screens::displayIsInMirrorSet(glasses));
    EXPECT_TRUE(cancelMirroring(false, true));
    EXPECT_FALSE(screens::displayIsInMirrorSet(glasses));
    boot("macmini");
    glasses = plugGlasses();
    ASSERT_TRUE(screens::displayIsMain(glasses));
    EXPECT_TRUE(cancelMirroring(true, false));
    EXPECT_TRUE(cancelMirroring(true, true));
    auto& imac = boot("imac");
    glasses = plugGlasses();
    host = *displayNumberOf(*builtinScreen());
    AppDelegate::shared().displayManager.set(nullptr);  // the shared manager stands in
    config = screens::DisplayConfigRef();
    screens::beginDisplayConfiguration(config);
    screens::configureDisplayOrigin(config, glasses, 0, 0);
    screens::configureDisplayOrigin(config, host, 1920, 0);
    ASSERT_EQ(screens::completeDisplayConfiguration(config, screens::kConfigurePermanently),
              screens::kDisplaySuccess);
    EXPECT_FALSE(cancelMirroring(true, false));
    EXPECT_TRUE(screens::displayIsMain(glasses));
    EXPECT_GE(secondsTaken([] { EXPECT_TRUE(cancelMirroring(true, true)); }), 0.5);
    EXPECT_TRUE(screens::displayIsMain(host));
    EXPECT_EQ(info(glasses).origin, (screens::Point{4224, 0}));
    // The completion's answer to a resolution switch; it is called before the switch returns.
    auto switchTo = [](uint32_t display, size_t width, size_t height) {
        std::optional<bool> result;
        switchDisplayResolution(display, width, height, [&](bool ok) { result = ok; });
        return result;
    };
    int before = imac.displays().completedConfigurations();
    EXPECT_EQ(switchTo(glasses, 1920, 1080), true);  // already so
    EXPECT_EQ(switchTo(glasses, 3840, 1080), true);
    EXPECT_EQ(info(glasses).mode(), (screens::DisplayMode{3840, 1080, 60}));
    EXPECT_EQ(switchTo(glasses, 1920, 1200), true);  // the height asked for does not matter
    EXPECT_EQ(info(glasses).mode().width, 1920u);
    EXPECT_EQ(switchTo(glasses, 1280, 720), false);
    EXPECT_EQ(switchTo(9999, 1920, 1080), false);
    EXPECT_EQ(imac.displays().completedConfigurations(), before);
}

}  // namespace
