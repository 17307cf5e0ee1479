#include <gtest/gtest.h>

#include <thread>

#include "appstate/AppDelegate.h"
#include "glasses/GlassAudioVolume.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileSystem.h"
#include "platform/sim/SimMac.h"
#include "platform/sim/VirtualGlasses.h"
#include "tests/support/InstalledSimMac.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/Waits.h"

namespace audio = platform::audio;
namespace fd = platform::foundation;
using platform::sim::VirtualGlasses;

namespace {

class GlassAudioVolumeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto profile = platform::sim::parseMachineProfile(R"({"model": "Macmini9,1"})");
        ASSERT_TRUE(profile);
        mac_.boot(std::move(profile).value(), fd::homeDirectory());
        AppDelegate::shared().glassStatus = true;
    }
    void TearDown() override {
        removeAudioOutputVolumeListener();
        if (glasses_) mac_->unplugDevice(glasses_);
        mac_.reset();
        AppDelegate::shared().glassStatus = false;
    }
    audio::AudioObjectId plugGlasses() {
        glasses_ = std::make_shared<VirtualGlasses>(VirtualGlasses::secondGeneration());
        mac_->plugDevice(glasses_);
        return mac_->audioDeviceOf(glasses_);
    }
    // Deliveries made so far, then the notifications they posted.
    std::vector<fd::Value> heard() {
        mac_->audio().flushNotifications();
        return volume_.objects();
    }

    test_support::InstalledSimMac mac_;
    std::shared_ptr<VirtualGlasses> glasses_;
    test_support::NotificationRecorder volume_{{kSystemVolumeNotification}};
};

TEST_F(GlassAudioVolumeTest, TheLastNamedDeviceWithAnOutputStreamIsTheGlasses) {
    EXPECT_EQ(findGlassAudioDevice(), 0u);
    auto& hardware = mac_->audio();
    hardware.addDevice({"MacBook Speakers", 2, 0, 0.3f, false});
    const audio::AudioObjectId glasses = plugGlasses();
    ASSERT_NE(glasses, 0u);
    hardware.addDevice({"Tavro Microphone", 0, 1, 0.5f, false});  // input only
    EXPECT_EQ(findGlassAudioDevice(), glasses);
    const audio::AudioObjectId second = hardware.addDevice({"MY TAVRO DOCK", 1, 0, 0.5f, false});
    EXPECT_EQ(findGlassAudioDevice(), second);
    // The glasses' device leaves the list with them.
    hardware.removeDevice(second);
    mac_->unplugDevice(glasses_);
    glasses_.reset();
    EXPECT_EQ(findGlassAudioDevice(), 0u);
}

TEST_F(GlassAudioVolumeTest, ListenerFollowsTheDevicesVolumeAndMute) {
    const audio::AudioObjectId device = plugGlasses();
    addAudioOutputVolumeListener();
    EXPECT_EQ(glassAudioDevice(), device);
    EXPECT_EQ(mac_->audio().listenerCount(device), 2u);
    // The first reading announces the mute state with the current volume.
    ASSERT_EQ(heard(), std::vector<fd::Value>{fd::Value(0.5f)});

    // The listener reads the property when it is told of a change, so each change is
    // heard before the next is made.
    auto& hardware = mac_->audio();
    hardware.changeVolume(device, 0.75f), hardware.flushNotifications();
    hardware.changeVolume(device, 0.75f), hardware.flushNotifications();  // nothing posted
    hardware.changeMute(device, true), hardware.flushNotifications();
    hardware.changeMute(device, false), hardware.flushNotifications();
    EXPECT_EQ(heard(), (std::vector<fd::Value>{fd::Value(0.5f), fd::Value(0.75f), fd::Value(0),
                                               fd::Value(0.75f)}));

    // Setting from the application: 0 mutes, a volume again unmutes.
    const auto mutedAfter = [&](float volume) {
        changeAudioOutputVolumeValue(volume);
        mac_->audio().flushNotifications();
        uint32_t muted = 0, size = sizeof muted;
        audio::getPropertyData(device, {audio::Selector::Mute, audio::Scope::Output, 0}, size,
                               &muted);
        return muted;
    };
    EXPECT_EQ(mutedAfter(0), 1u);
    EXPECT_EQ(mutedAfter(0.4f), 0u);
    EXPECT_EQ(heard().back(), fd::Value(0.4f));

    removeAudioOutputVolumeListener();
    EXPECT_EQ(mac_->audio().listenerCount(device), 0u);
    const size_t before = heard().size();
    mac_->audio().changeVolume(device, 0.1f);
    EXPECT_EQ(heard().size(), before);
}

TEST_F(GlassAudioVolumeTest, WaitingForTheDeviceEndsWhenTheGlassesGoOrItAppears) {
    auto clock = std::make_shared<fd::ManualClock>();
    fd::ScopedClock scoped(clock);
    // Glasses are reported present, but their audio device has not come up.
    std::thread waiter([] { addAudioOutputVolumeListener(); });
    EXPECT_TRUE(test_support::waitForWaiters(*clock, 1));
    AppDelegate::shared().glassStatus = false;
    clock->advanceSeconds(0.25);
    waiter.join();
    EXPECT_EQ(glassAudioDevice(), 0u);
    EXPECT_TRUE(heard().empty());
    // Nothing stored: asking for the device is a fresh search, and stores nothing.
    const audio::AudioObjectId dock = mac_->audio().addDevice({"TAVRO DOCK", 1, 0, 0.5f, false});
    EXPECT_EQ(getAudioDevices(), dock);
    EXPECT_EQ(glassAudioDevice(), 0u);
    mac_->audio().removeDevice(dock);
    AppDelegate::shared().glassStatus = true;
    std::thread second([] { addAudioOutputVolumeListener(); });
    EXPECT_TRUE(test_support::waitForWaiters(*clock, 1));
    const audio::AudioObjectId device = plugGlasses();
    clock->advanceSeconds(0.25);
    second.join();
    EXPECT_EQ(glassAudioDevice(), device);
    EXPECT_EQ(mac_->audio().listenerCount(device), 2u);
    // The glasses' own threads wait on this clock: they go before it does.
    removeAudioOutputVolumeListener();
    mac_->unplugDevice(glasses_);
    glasses_.reset();
}

}  // namespace
