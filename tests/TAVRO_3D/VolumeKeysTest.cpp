// The volume keys as first-generation glasses on the simulated bus receive them: each
// accepted key is one volume frame with the level, plus the stored level and mute flag.
#include <gtest/gtest.h>

#include "appstate/AppDelegate.h"
#include "glasses/GlassCommands.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "platform/sim/VirtualGlasses.h"
#include "platform/ui/Event.h"
#include "tests/support/InstalledSimMac.h"
#include "tests/support/NotificationRecorder.h"

namespace fd = platform::foundation;
namespace sim = platform::sim;
namespace ui = platform::ui;

namespace {

constexpr const char* kLevelKey = "displayVolumeLevel_UserDefaultsKey";
constexpr const char* kSoundOffKey = "displayVolumeLevel_isSoundOff_UserDefaultsKey";
constexpr int64_t kUp = 0x00000B00;
constexpr int64_t kDown = 0x00010B00;
constexpr int64_t kMute = 0x00070B00;

using Frames = std::vector<std::vector<uint8_t>>;

std::vector<uint8_t> volumeFrame(uint8_t level) {
    std::vector<uint8_t> frame(100, 0);
    glass_cmd_set_volume(level, frame);
    frame.resize(64);
    return frame;
}

class VolumeKeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto profile = sim::machineProfileNamed("macbook");
        ASSERT_TRUE(profile);
        mac_.boot(std::move(profile).value(), fd::homeDirectory());
        server_->shareManager();
        mac_->plugDevice(glasses_);
        ASSERT_TRUE(notices_.awaitCount(kGlassStatusChangeNotification, 1));
        ASSERT_EQ(server_->glassGeneration(), 1);
        AppDelegate::shared().vxServer.set(server_);
        AppDelegate::shared().glassVersion.set("TAVRO_FW_V1.30");
        resetVolume();
        glasses_->clearOutputReports();
    }
    void TearDown() override {
        AppDelegate::shared().vxServer.set(nullptr);
        mac_->unplugDevice(glasses_);
        server_.reset();
        mac_.reset();
        fd::MainLoop::drain();
    }
    static void resetVolume() {
        AppDelegate& delegate = AppDelegate::shared();
        delegate.volumeLevel = 3;
        delegate.isSoundOff = false;
        delegate.changeVolumeTime = 0;
    }

    void press(int64_t data1, double atMilliseconds) {
        AppDelegate::shared().handleMediaKeyAt(ui::Event::systemDefined(8, data1), atMilliseconds);
    }
    // The frames the glasses received since the last call.
    Frames frames() {
        Frames bytes;
        for (const auto& report : glasses_->outputReports()) bytes.push_back(report.bytes);
        glasses_->clearOutputReports();
        return bytes;
    }
    static fd::Value stored(const char* key) {
        return fd::UserDefaults::standard().objectForKey(key);
    }

    test_support::InstalledSimMac mac_;
    std::shared_ptr<TavroVXServer> server_ = std::make_shared<TavroVXServer>();
    std::shared_ptr<sim::VirtualGlasses> glasses_ =
        std::make_shared<sim::VirtualGlasses>(sim::VirtualGlasses::firstGeneration());
    test_support::NotificationRecorder notices_{
        {kGlassStatusChangeNotification, "change_tavro_glass_volume_NSNotificationName"}};
};

TEST_F(VolumeKeysTest, KeysStepTheLevelWithinZeroToSixAndSendEachLevel) {
    press(kUp, 1000);
    EXPECT_EQ(frames(), Frames{volumeFrame(4)});
    EXPECT_EQ(stored(kLevelKey).asInt64(), 4);
    EXPECT_EQ(stored(kSoundOffKey), fd::Value(false));
    EXPECT_EQ(notices_.count("change_tavro_glass_volume_NSNotificationName"), 1u);
    press(kUp, 1005);  // 5 ms later: the same press seen twice
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(AppDelegate::shared().changeVolumeTime.load(), 1000);
    press(kUp, 1020);
    press(kUp, 1040);
    press(kUp, 1060);  // at 6 already: 6 again
    EXPECT_EQ(frames(), (Frames{volumeFrame(5), volumeFrame(6), volumeFrame(6)}));
    EXPECT_EQ(AppDelegate::shared().volumeLevel.load(), 6);
    for (int i = 0; i < 7; ++i) press(kDown, 2000 + 20 * i);
    EXPECT_EQ(frames().back(), volumeFrame(0));  // 6 down to 0, then 0 again
    EXPECT_EQ(stored(kLevelKey).asInt64(), 0);
}

TEST_F(VolumeKeysTest, MuteSendsZeroKeepsTheLevelAndAKeyOrSecondMuteUnmutes) {
    press(kMute, 1000);
    EXPECT_EQ(frames(), Frames{volumeFrame(0)});
    EXPECT_TRUE(AppDelegate::shared().isSoundOff.load());
    EXPECT_TRUE(stored(kSoundOffKey).asBool());
    EXPECT_EQ(AppDelegate::shared().volumeLevel.load(), 3);
    press(kUp, 1100);
    EXPECT_EQ(frames(), Frames{volumeFrame(4)});
    EXPECT_FALSE(AppDelegate::shared().isSoundOff.load());
    EXPECT_FALSE(stored(kSoundOffKey).asBool());
    press(kMute, 1200);
    press(kMute, 1300);
    EXPECT_EQ(frames(), (Frames{volumeFrame(0), volumeFrame(4)}));
    EXPECT_FALSE(stored(kSoundOffKey).asBool());
    EXPECT_EQ(stored(kLevelKey).asInt64(), 4);
}

TEST_F(VolumeKeysTest, OldFirmwareAndSecondGenerationGetNothingButTheKeysStillCount) {
    AppDelegate& delegate = AppDelegate::shared();
    delegate.glassVersion.set("TAVRO_FW_V1.29");
    press(kUp, 1000);
    press(kMute, 1100);
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(delegate.volumeLevel.load(), 3);
    EXPECT_TRUE(delegate.isSoundOff.load());  // the mute key flips the flag all the same
    EXPECT_EQ(delegate.changeVolumeTime.load(), 1100);
    EXPECT_TRUE(stored(kLevelKey).isNull());
    delegate.glassVersion.set("TAVRO_FW_V1.100");  // numerically above 1.30
    press(kUp, 1200);
    EXPECT_EQ(frames(), Frames{volumeFrame(4)});
    server_->setGlassGeneration(2);
    press(kUp, 1300);
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(delegate.volumeLevel.load(), 4);
    server_->setGlassGeneration(1);
}

TEST_F(VolumeKeysTest, OnlyReleasedVolumeKeysAreActedOnAndAClockSetBackDoesNotFreezeThem) {
    AppDelegate& delegate = AppDelegate::shared();
    delegate.handleMediaKeyAt(ui::Event::key(ui::EventType::KeyDown, "a"), 1000);
    press(0x00000A00, 1100);  // volume up pressed (held keys repeat this)
    press(0x00000B01, 1200);
    press(0x00100B00, 1300);  // another media key
    delegate.handleMediaKeyAt(ui::Event::systemDefined(7, kUp), 1400);
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(delegate.changeVolumeTime.load(), 0);
    // A clock set back does not freeze the keys.
    press(kUp, 5'000'000);
    press(kUp, 1'000'000);  // the wall clock went back more than an hour
    EXPECT_EQ(frames(), (Frames{volumeFrame(4), volumeFrame(5)}));
    press(kUp, 1'000'005);  // the debounce still holds after the jump
    EXPECT_TRUE(frames().empty());
}

}  // namespace
