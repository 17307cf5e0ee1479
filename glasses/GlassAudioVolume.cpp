#include "glasses/GlassAudioVolume.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "appstate/AppDelegate.h"
#include "platform/foundation/AsciiLowercased.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SystemInfo.h"

namespace audio = platform::audio;
namespace fd = platform::foundation;

namespace {

constexpr audio::PropertyAddress kDevicesAddress{audio::Selector::Devices, audio::Scope::Global, 0};
constexpr audio::PropertyAddress kNameAddress{audio::Selector::DeviceName, audio::Scope::Global, 0};
constexpr audio::PropertyAddress kStreamsAddress{audio::Selector::Streams, audio::Scope::Output, 0};
constexpr audio::PropertyAddress kVolumeAddress{audio::Selector::VirtualMainVolume,
                                                audio::Scope::Output, 0};
constexpr audio::PropertyAddress kMuteAddress{audio::Selector::Mute, audio::Scope::Output, 0};

std::atomic<audio::AudioObjectId> gDevice{0};
std::atomic<float> gLastVolume{0};
std::atomic<bool> gMuted{false};
// The listeners' client data: any stable address that tells our listeners apart.
int gClientData = 0;

void log(const char* line) {
    fd::systemLog(line);
}

template <class First, class... Rest>
void log(const char* format, First first, Rest... rest) {
    char line[512];
    std::snprintf(line, sizeof line, format, first, rest...);
    fd::systemLog(line);
}

void postVolume(const fd::Value& object) {
    fd::NotificationCenter::defaultCenter().post(kSystemVolumeNotification, object);
}

void readVolume(bool notify) {
    float volume = 0;
    uint32_t size = sizeof volume;
    const audio::Status status =
        audio::getPropertyData(gDevice.load(), kVolumeAddress, size, &volume);
    if (status != audio::kAudioNoError) {
        log("修改失败 error: %d", static_cast<int>(status));
        return;
    }
    log("音量值: %f", static_cast<double>(volume));
    if (gLastVolume.exchange(volume) == volume) return;
    if (notify) postVolume(fd::Value(volume));
}

void readMute() {
    uint32_t muted = 0;
    uint32_t size = sizeof muted;
    if (audio::getPropertyData(gDevice.load(), kMuteAddress, size, &muted) !=
        audio::kAudioNoError) {
        return;
    }
    log("是否静音: %d", static_cast<int>(muted));
    gMuted.store(muted != 0);
    if (muted == 1) {
        postVolume(fd::Value(0));
    } else {
        postVolume(fd::Value(gLastVolume.load()));
    }
}

audio::Status volumeListener(audio::AudioObjectId, uint32_t addressCount,
                             const audio::PropertyAddress* addresses, void*) {
    if (addressCount != 1 || !addresses || gDevice.load() == 0) return 0;
    if (addresses[0].selector == audio::Selector::VirtualMainVolume) {
        readVolume(true);
    } else if (addresses[0].selector == audio::Selector::Mute) {
        readMute();
    }
    return 0;
}

}  // namespace

audio::AudioObjectId findGlassAudioDevice() {
    uint32_t size = 0;
    if (audio::getPropertyDataSize(audio::kSystemObject, kDevicesAddress, size) !=
            audio::kAudioNoError ||
        size < sizeof(audio::AudioObjectId)) {
        return 0;
    }
    std::vector<audio::AudioObjectId> devices(size / sizeof(audio::AudioObjectId));
    if (audio::getPropertyData(audio::kSystemObject, kDevicesAddress, size, devices.data()) !=
        audio::kAudioNoError) {
        return 0;
    }
    devices.resize(size / sizeof(audio::AudioObjectId));
    audio::AudioObjectId found = 0;
    for (const audio::AudioObjectId device : devices) {
        std::array<char, 256> name{};
        uint32_t nameSize = name.size();
        // A device that went away since the list was read has no name; it is passed over.
        if (audio::getPropertyData(device, kNameAddress, nameSize, name.data()) !=
            audio::kAudioNoError) {
            name[0] = '\0';
        }
        name.back() = '\0';
        log("--name = %s--", name.data());
        if (fd::asciiLowercased(name.data()).find("tavro") == std::string::npos) continue;
        uint32_t streamsSize = 0;
        if (audio::getPropertyDataSize(device, kStreamsAddress, streamsSize) !=
            audio::kAudioNoError) {
            continue;
        }
        const auto streamCount = static_cast<int>(streamsSize / sizeof(uint32_t));
        log("streamCount = %d", streamCount);
        if (streamCount > 0) {
            log("TAVRO 输出设备ID = %d", static_cast<int>(device));
            found = device;
        }
    }
    return found;
}

void addAudioOutputVolumeListener() {
    gDevice.store(findGlassAudioDevice());
    while (gDevice.load() == 0) {
        if (!AppDelegate::shared().glassStatus.load()) return;
        // The search has no end of its own while the glasses stay: it ends at the quit.
        if (!fd::BackgroundWork::sleepForSeconds(0.25)) return;
        gDevice.store(findGlassAudioDevice());
    }
    const audio::AudioObjectId device = gDevice.load();
    audio::addPropertyListener(device, kVolumeAddress, volumeListener, &gClientData);
    audio::addPropertyListener(device, kMuteAddress, volumeListener, &gClientData);
    readVolume(false);
    readMute();
}

void removeAudioOutputVolumeListener() {
    const audio::AudioObjectId device = gDevice.load();
    if (device == 0) return;
    audio::removePropertyListener(device, kVolumeAddress, volumeListener, &gClientData);
    audio::removePropertyListener(device, kMuteAddress, volumeListener, &gClientData);
}

void changeAudioOutputVolumeValue(float volume) {
    const audio::AudioObjectId device = gDevice.load();
    if (audio::setPropertyData(device, kVolumeAddress, sizeof volume, &volume) ==
        audio::kAudioNoError) {
        log("修改音量成功.");
    }
    uint32_t mute = 0;
    if (!(volume > 0)) {
        mute = 1;
    } else if (gMuted.load()) {
        mute = 0;
    } else {
        return;
    }
    if (audio::setPropertyData(device, kMuteAddress, sizeof mute, &mute) == audio::kAudioNoError) {
        log("修改音量成功静音.");
    }
}

audio::AudioObjectId getAudioDevices() {
    const audio::AudioObjectId device = gDevice.load();
    return device != 0 ? device : findGlassAudioDevice();
}

audio::AudioObjectId glassAudioDevice() {
    return gDevice.load();
}
