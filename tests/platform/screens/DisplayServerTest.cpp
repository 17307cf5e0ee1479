#include <gtest/gtest.h>

#include "platform/foundation/Dispatch.h"
#include "platform/screens/DisplayServices.h"
#include "platform/screens/Reconfiguration.h"
#include "platform/screens/Screen.h"
#include "platform/screens/VirtualDisplay.h"
#include "platform/sim/SimMac.h"

namespace screens = platform::screens;
namespace fdn = platform::foundation;
using platform::sim::DisplayProfile;
using platform::sim::SimDisplayServer;

namespace {

const DisplayProfile kPanel{
    "Built-in Retina Display", 1552, 41240, 0, {{1512, 982, 120}, {1800, 1169, 120}}, 0};
const DisplayProfile kDell{"DELL U2723QE", 4268, 41456, 80, {{2560, 1440, 60}}, 0};

class DisplayServerTest : public ::testing::Test {
  protected:
    void SetUp() override { screens::installDisplayServer(server_); }
    void TearDown() override {
        screens::installDisplayServer(nullptr);
        fdn::MainLoop::drain();
    }
    std::shared_ptr<SimDisplayServer> server_ = std::make_shared<SimDisplayServer>();
};

TEST_F(DisplayServerTest, MirrorSetShowsAsOneScreenAndFramesGrowUpwards) {
    auto panel = server_->plugDisplay(kPanel, false, true);
    auto dell = server_->plugDisplay(kDell, true);
    EXPECT_TRUE(screens::displayIsInMirrorSet(panel) && screens::displayIsInMirrorSet(dell));
    ASSERT_EQ(screens::screens().size(), 1u);
    auto config = screens::DisplayConfigRef();
    screens::beginDisplayConfiguration(config);
    EXPECT_EQ(screens::configureDisplayMirrorOfDisplay(config, dell, 0), screens::kDisplaySuccess);
    EXPECT_EQ(screens::configureDisplayOrigin(config, dell, 1512, -458), screens::kDisplaySuccess);
    EXPECT_EQ(screens::screens().size(), 1u);  // nothing applies before the completion
    ASSERT_EQ(screens::completeDisplayConfiguration(config, 2), screens::kDisplaySuccess);
    EXPECT_NE(screens::configureDisplayOrigin(config, dell, 0, 0), screens::kDisplaySuccess);
    auto list = screens::screens();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].frame, (screens::Rect{0, 0, 1512, 982}));
    EXPECT_EQ(list[1].frame, (screens::Rect{1512, 0, 2560, 1440}));
    EXPECT_EQ(list[1].deviceDescription.at("NSScreenNumber"), fdn::Value(dell));
}

TEST_F(DisplayServerTest, FailedCompletionChangesNothingAndCanBeCancelled) {
    auto panel = server_->plugDisplay(kPanel, false, true);
    auto dell = server_->plugDisplay(kDell);
    auto before = server_->displays();
    auto config = screens::DisplayConfigRef();
    screens::beginDisplayConfiguration(config);
    screens::configureDisplayOrigin(config, panel, 2560, 0);
    screens::configureDisplayOrigin(config, dell, 0, 0);
    EXPECT_EQ(screens::configureDisplayOrigin(config, 999, 0, 0), screens::kDisplayIllegalArgument);
    server_->failNextCompletions(1);
    EXPECT_NE(screens::completeDisplayConfiguration(config, 2), screens::kDisplaySuccess);
    EXPECT_EQ(server_->displays(), before);
    EXPECT_EQ(screens::cancelDisplayConfiguration(config), screens::kDisplaySuccess);
    EXPECT_NE(screens::completeDisplayConfiguration(config, 2), screens::kDisplaySuccess);
    EXPECT_EQ(server_->displays(), before);
}

TEST_F(DisplayServerTest, ReconfigurationCallbacksOnTheMainThread) {
    auto panel = server_->plugDisplay(kPanel, false, true);
    auto dell = server_->plugDisplay(kDell);
    fdn::MainLoop::drain();
    std::vector<std::pair<uint32_t, uint32_t>> seen;  // main thread only
    auto token = screens::registerReconfigurationCallback([&](uint32_t id, uint32_t flags) {
        EXPECT_TRUE(fdn::isMainThread());
        seen.emplace_back(id, flags);
    });

    // Changes made on another thread still reach the callback on the main thread.
    std::thread worker([&] {
        auto config = screens::DisplayConfigRef();
        screens::beginDisplayConfiguration(config);
        screens::configureDisplayOrigin(config, panel, 2560, 0);
        screens::configureDisplayOrigin(config, dell, 0, 0);
        screens::completeDisplayConfiguration(config, 2);
        screens::displaySetDisplayMode(panel, {1800, 1169, 120});
    });
    worker.join();
    ASSERT_TRUE(fdn::MainLoop::runUntilSeconds([&] { return seen.size() >= 2; }, 5));
    EXPECT_EQ(seen[0], std::make_pair(dell, screens::kDisplaySetMainFlag));
    EXPECT_EQ(seen[1], std::make_pair(panel, screens::kDisplaySetModeFlag));
    screens::removeReconfigurationCallback(token);
    server_->unplugDisplay(dell);
    fdn::MainLoop::drain();
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(screens::mainDisplayId(), panel);  // the remaining display became main
}

TEST_F(DisplayServerTest, ModesBrightnessSessionAndRegistry) {
    auto panel = server_->plugDisplay(kPanel, false, true);
    auto dell = server_->plugDisplay(kDell);
    float value = 0;
    EXPECT_EQ(screens::displayServicesSetBrightness(panel, 0.25f), screens::kDisplaySuccess);
    EXPECT_EQ(screens::displayServicesGetBrightness(panel, value), screens::kDisplaySuccess);
    EXPECT_FLOAT_EQ(value, 0.25f);
    EXPECT_NE(screens::displayServicesGetBrightness(dell, value), screens::kDisplaySuccess);
    server_->setScreenLocked(true);
    EXPECT_EQ(screens::sessionCopyCurrentDictionary()->at("CGSSessionScreenIsLocked"),
              fdn::Value(true));
    auto services = screens::displayConnectInfoDictionaries();
    ASSERT_EQ(services->size(), 2u);
    EXPECT_FALSE((*services)[0].count("DisplaySerialNumber"));  // the panel reports none
    EXPECT_EQ((*services)[1].at("DisplayProductName")["en_US"], fdn::Value("DELL U2723QE"));
    // A closed lid takes the panel offline: out of reach, its brightness kept for its return.
    server_->setLidClosed(true);
    EXPECT_FALSE(screens::displayIsBuiltin(panel));
    EXPECT_NE(screens::displayServicesSetBrightness(panel, 0.9f), screens::kDisplaySuccess);
    EXPECT_NE(screens::displayServicesGetBrightness(panel, value), screens::kDisplaySuccess);
    server_->setLidClosed(false);
    EXPECT_TRUE(screens::displayIsBuiltin(panel));
    EXPECT_EQ(screens::displayServicesGetBrightness(panel, value), screens::kDisplaySuccess);
    EXPECT_FLOAT_EQ(value, 0.25f);
}

TEST_F(DisplayServerTest, VirtualDisplayLivesAsLongAsItsLastReference) {
    server_->plugDisplay(kPanel, false, true);
    screens::VirtualDisplayDescriptor descriptor;
    descriptor.setMaxPixelsWide(1920);
    descriptor.setMaxPixelsHigh(1080);
    auto display = screens::VirtualDisplay::make(descriptor);
    ASSERT_TRUE(display);
    EXPECT_FALSE(display->applySettings({1, {{3840, 2160, 60}}}));  // beyond its maximum
    EXPECT_EQ(screens::screens().size(), 1u);
    ASSERT_TRUE(display->applySettings({1, {{1920, 1080, 60}}}));
    auto other = std::exchange(display, nullptr);
    EXPECT_EQ(screens::screens().size(), 2u);
    other.reset();
    EXPECT_EQ(screens::screens().size(), 1u);
}

TEST(DisplayProfileTest, BadDisplayFieldsAreErrors) {
    for (const char* bad :
         {R"({"builtinDisplay": 3})", R"({"builtinDisplay": {"name": "x", "modes": []}})",
          R"({"builtinDisplay": {"modes": [{"width": 1, "height": 1}]}})",
          R"({"externalDisplays": [{"name": "x", "modes": [{"width": 0, "height": 9}]}]})",
          R"({"externalDisplays": [{"name": "x", "vendorId": -1,
                 "modes": [{"width": 1, "height": 1}]}]})",
          R"({"externalDisplays": [{"name": "x", "currentMode": 1,
                 "modes": [{"width": 1, "height": 1}]}]})",
          R"({"glassesDisplay": "sideways"})", R"({"virtualDisplays": "yes"})"}) {
        auto parsed = platform::sim::parseMachineProfile(bad);
        EXPECT_FALSE(parsed) << bad;
    }
}

}  // namespace
