#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "platform/audio/AudioHardware.h"

using namespace platform::audio;

namespace {

constexpr PropertyAddress kVolume{Selector::VirtualMainVolume, Scope::Output, 0};

// Counts its calls; while `hold` is set a call keeps the notification queue busy, so that
// later deliveries wait behind it.
struct Client {
    std::atomic<int> calls{0};
    std::atomic<bool> hold{false};
};
Status countingListener(AudioObjectId, uint32_t count, const PropertyAddress*, void* data) {
    auto* client = static_cast<Client*>(data);
    client->calls += static_cast<int>(count);
    while (client->hold) std::this_thread::yield();
    return 0;
}

TEST(AudioHardwareTest, WithoutHardwareEveryCallFails) {
    installAudioHardware(nullptr);
    uint32_t size = 0;
    EXPECT_EQ(getPropertyDataSize(kSystemObject, {}, size), kAudioNotRunning);
    EXPECT_EQ(addPropertyListener(kSystemObject, {}, countingListener, nullptr), kAudioNotRunning);
}

TEST(AudioHardwareTest, PropertiesAreReadWithinTheirBuffers) {
    auto hardware = std::make_shared<AudioHardware>();
    installAudioHardware(hardware);
    const AudioObjectId speakers = hardware->addDevice({"Speakers", 2, 0, 0.25f, false});
    const AudioObjectId microphone = hardware->addDevice({"Microphone", 0, 1, 0.5f, false});
    uint32_t size = 0;
    ASSERT_EQ(getPropertyDataSize(kSystemObject, {}, size), kAudioNoError);
    EXPECT_EQ(size, 2 * sizeof(AudioObjectId));
    AudioObjectId first = 0;
    size = sizeof first;  // room for one: only one is written
    ASSERT_EQ(getPropertyData(kSystemObject, {}, size, &first), kAudioNoError);
    EXPECT_EQ(size, sizeof first);
    EXPECT_EQ(first, speakers);
    std::array<char, 4> shortName{'x', 'x', 'x', 'x'};
    size = shortName.size();
    ASSERT_EQ(
        getPropertyData(speakers, {Selector::DeviceName, Scope::Global, 0}, size, shortName.data()),
        kAudioNoError);
    EXPECT_STREQ(shortName.data(), "Spe");
    float volume = 0;
    size = sizeof volume;
    EXPECT_EQ(getPropertyData(microphone, kVolume, size, &volume), kAudioUnknownProperty);
    EXPECT_EQ(getPropertyData(999, kVolume, size, &volume), kAudioBadObject);
    size = 2;
    EXPECT_EQ(getPropertyData(speakers, kVolume, size, &volume), kAudioBadPropertySize);
    installAudioHardware(nullptr);
}

TEST(AudioHardwareTest, ListenersHearChangesUntilRemoved) {
    auto hardware = std::make_shared<AudioHardware>();
    installAudioHardware(hardware);
    const AudioObjectId device = hardware->addDevice({"Glasses", 1, 0, 0.5f, false});
    Client client;
    ASSERT_EQ(addPropertyListener(device, kVolume, countingListener, &client), kAudioNoError);
    hardware->changeVolume(device, 0.6f);
    const float written = 0.7f;
    EXPECT_EQ(setPropertyData(device, kVolume, sizeof written, &written), kAudioNoError);
    hardware->changeMute(device, true);  // another property: not heard
    hardware->flushNotifications();
    EXPECT_EQ(client.calls, 2);

    // A delivery still queued when its listener is removed is not made.
    client.hold = true;
    hardware->changeVolume(device, 0.1f);
    hardware->changeVolume(device, 0.2f);  // queued behind the held delivery
    while (client.calls < 3) std::this_thread::yield();
    EXPECT_EQ(removePropertyListener(device, kVolume, countingListener, &client), kAudioNoError);
    client.hold = false;
    hardware->flushNotifications();
    EXPECT_EQ(client.calls, 3);
    EXPECT_EQ(removePropertyListener(device, kVolume, countingListener, &client),
              kAudioIllegalOperation);
    installAudioHardware(nullptr);
}

}  // namespace
