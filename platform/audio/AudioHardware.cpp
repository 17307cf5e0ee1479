#include "platform/audio/AudioHardware.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/foundation/InstalledBackend.h"
#include "platform/foundation/Mutex.h"

namespace platform::audio {
namespace {

constinit foundation::InstalledBackend<AudioHardware> installed;

uint32_t streamCount(const AudioDeviceTraits& traits, Scope scope) {
    switch (scope) {
        case Scope::Input:
            return traits.inputStreams;
        case Scope::Output:
            return traits.outputStreams;
        case Scope::Global:
            return traits.inputStreams + traits.outputStreams;
    }
    return 0;
}

bool sameProperty(const PropertyAddress& a, const PropertyAddress& b) {
    return a.selector == b.selector && a.scope == b.scope && a.element == b.element;
}

}  // namespace

AudioHardware::AudioHardware()
    : notificationQueue_(foundation::makeSerialQueue("com.apple.audio.notifications")) {}

AudioHardware::~AudioHardware() {
    flushNotifications();
}

const AudioHardware::Device* AudioHardware::find(AudioObjectId id) const {
    auto it = std::find_if(devices_.begin(), devices_.end(),
                           [id](const Device& device) { return device.id == id; });
    return it == devices_.end() ? nullptr : &*it;
}

AudioHardware::Device* AudioHardware::find(AudioObjectId id) {
    auto it = std::find_if(devices_.begin(), devices_.end(),
                           [id](const Device& device) { return device.id == id; });
    return it == devices_.end() ? nullptr : &*it;
}

AudioObjectId AudioHardware::addDevice(const AudioDeviceTraits& traits) {
    foundation::MutexLock lock(mutex_);
    const AudioObjectId id = nextId_++;
    devices_.push_back({id, traits});
    notifyLocked(kSystemObject, {Selector::Devices, Scope::Global, 0});
    return id;
}

void AudioHardware::removeDevice(AudioObjectId device) {
    foundation::MutexLock lock(mutex_);
    std::erase_if(devices_, [device](const Device& each) { return each.id == device; });
    std::erase_if(listeners_, [device](const Listener& each) { return each.object == device; });
    notifyLocked(kSystemObject, {Selector::Devices, Scope::Global, 0});
}

void AudioHardware::changeVolume(AudioObjectId device, float volume) {
    foundation::MutexLock lock(mutex_);
    Device* found = find(device);
    if (!found) return;
    found->traits.volume = std::clamp(volume, 0.0f, 1.0f);
    notifyLocked(device, {Selector::VirtualMainVolume, Scope::Output, 0});
}

void AudioHardware::changeMute(AudioObjectId device, bool muted) {
    foundation::MutexLock lock(mutex_);
    Device* found = find(device);
    if (!found) return;
    found->traits.muted = muted;
    notifyLocked(device, {Selector::Mute, Scope::Output, 0});
}

std::vector<AudioObjectId> AudioHardware::devices() const {
    foundation::MutexLock lock(mutex_);
    std::vector<AudioObjectId> ids;
    for (const Device& device : devices_) ids.push_back(device.id);
    return ids;
}

size_t AudioHardware::listenerCount(AudioObjectId device) const {
    foundation::MutexLock lock(mutex_);
    return static_cast<size_t>(
        std::count_if(listeners_.begin(), listeners_.end(),
                      [device](const Listener& each) { return each.object == device; }));
}

void AudioHardware::flushNotifications() const {
    notificationQueue_->sync([] {});
}

Status AudioHardware::dataSize(AudioObjectId object, const PropertyAddress& address,
                               uint32_t& size) const {
    foundation::MutexLock lock(mutex_);
    if (object == kSystemObject) {
        if (address.selector != Selector::Devices) return kAudioUnknownProperty;
        size = static_cast<uint32_t>(devices_.size() * sizeof(AudioObjectId));
        return kAudioNoError;
    }
    const Device* device = find(object);
    if (!device) return kAudioBadObject;
    switch (address.selector) {
        case Selector::DeviceName:
            size = static_cast<uint32_t>(device->traits.name.size() + 1);
            return kAudioNoError;
        case Selector::Streams:
            size = streamCount(device->traits, address.scope) * sizeof(uint32_t);
            return kAudioNoError;
        case Selector::VirtualMainVolume:
            if (address.scope != Scope::Output || device->traits.outputStreams == 0) {
                return kAudioUnknownProperty;
            }
            size = sizeof(float);
            return kAudioNoError;
        case Selector::Mute:
            if (address.scope != Scope::Output || device->traits.outputStreams == 0) {
                return kAudioUnknownProperty;
            }
            size = sizeof(uint32_t);
            return kAudioNoError;
        case Selector::Devices:
            return kAudioUnknownProperty;
    }
    return kAudioUnknownProperty;
}

Status AudioHardware::readData(AudioObjectId object, const PropertyAddress& address, uint32_t& size,
                               void* data) const {
    uint32_t needed = 0;
    if (Status status = dataSize(object, address, needed); status != kAudioNoError) {
        return status;
    }
    if (!data) return kAudioBadPropertySize;
    foundation::MutexLock lock(mutex_);
    if (object == kSystemObject) {
        const size_t count = std::min<size_t>(size / sizeof(AudioObjectId), devices_.size());
        auto* out = static_cast<AudioObjectId*>(data);
        for (size_t i = 0; i < count; ++i) out[i] = devices_[i].id;
        size = static_cast<uint32_t>(count * sizeof(AudioObjectId));
        return kAudioNoError;
    }
    const Device* device = find(object);
    if (!device) return kAudioBadObject;  // removed since the size was read
    switch (address.selector) {
        case Selector::DeviceName: {
            if (size == 0) return kAudioBadPropertySize;
            const size_t length = std::min<size_t>(device->traits.name.size(), size - 1);
            std::memcpy(data, device->traits.name.data(), length);
            static_cast<char*>(data)[length] = '\0';
            size = static_cast<uint32_t>(length + 1);
            return kAudioNoError;
        }
        case Selector::Streams: {
            const uint32_t count = std::min<uint32_t>(size / sizeof(uint32_t),
                                                      streamCount(device->traits, address.scope));
            auto* out = static_cast<uint32_t*>(data);
            for (uint32_t i = 0; i < count; ++i) out[i] = object * 16 + i + 1;
            size = count * static_cast<uint32_t>(sizeof(uint32_t));
            return kAudioNoError;
        }
        case Selector::VirtualMainVolume:
            if (size < sizeof(float)) return kAudioBadPropertySize;
            std::memcpy(data, &device->traits.volume, sizeof(float));
            size = sizeof(float);
            return kAudioNoError;
        case Selector::Mute: {
            if (size < sizeof(uint32_t)) return kAudioBadPropertySize;
            const uint32_t muted = device->traits.muted ? 1 : 0;
            std::memcpy(data, &muted, sizeof muted);
            size = sizeof(uint32_t);
            return kAudioNoError;
        }
        case Selector::Devices:
            break;
    }
    return kAudioUnknownProperty;
}

Status AudioHardware::writeData(AudioObjectId object, const PropertyAddress& address, uint32_t size,
                                const void* data) {
    foundation::MutexLock lock(mutex_);
    Device* device = find(object);
    if (!device) return object == kSystemObject ? kAudioIllegalOperation : kAudioBadObject;
    if (address.scope != Scope::Output || device->traits.outputStreams == 0) {
        return kAudioUnknownProperty;
    }
    switch (address.selector) {
        case Selector::VirtualMainVolume: {
            if (size != sizeof(float) || !data) return kAudioBadPropertySize;
            float volume = 0;
            std::memcpy(&volume, data, sizeof volume);
            device->traits.volume = std::clamp(volume, 0.0f, 1.0f);
            break;
        }
        case Selector::Mute: {
            if (size != sizeof(uint32_t) || !data) return kAudioBadPropertySize;
            uint32_t muted = 0;
            std::memcpy(&muted, data, sizeof muted);
            device->traits.muted = muted != 0;
            break;
        }
        default:
            return kAudioIllegalOperation;
    }
    notifyLocked(object, address);
    return kAudioNoError;
}

Status AudioHardware::addListener(AudioObjectId object, const PropertyAddress& address,
                                  PropertyListener listener, void* clientData) {
    if (!listener) return kAudioIllegalOperation;
    foundation::MutexLock lock(mutex_);
    if (object != kSystemObject && !find(object)) return kAudioBadObject;
    listeners_.push_back({object, address, listener, clientData});
    return kAudioNoError;
}

Status AudioHardware::removeListener(AudioObjectId object, const PropertyAddress& address,
                                     PropertyListener listener, void* clientData) {
    foundation::MutexLock lock(mutex_);
    auto it = std::find_if(listeners_.begin(), listeners_.end(), [&](const Listener& each) {
        return each.object == object && sameProperty(each.address, address) &&
               each.callback == listener && each.clientData == clientData;
    });
    if (it == listeners_.end()) return kAudioIllegalOperation;
    listeners_.erase(it);
    return kAudioNoError;
}

void AudioHardware::notifyLocked(AudioObjectId object, const PropertyAddress& address) {
    for (const Listener& each : listeners_) {
        if (each.object != object || !sameProperty(each.address, address)) continue;
        // A listener removed before its delivery runs is not called: its client data may
        // be gone by then.
        notificationQueue_->async([this, listener = each] {
            {
                foundation::MutexLock lock(mutex_);
                const bool stillListening =
                    std::any_of(listeners_.begin(), listeners_.end(), [&](const Listener& l) {
                        return l.object == listener.object &&
                               sameProperty(l.address, listener.address) &&
                               l.callback == listener.callback &&
                               l.clientData == listener.clientData;
                    });
                if (!stillListening) return;
            }
            listener.callback(listener.object, 1, &listener.address, listener.clientData);
        });
    }
}

std::shared_ptr<AudioHardware> audioHardware() {
    return installed.get();
}

void installAudioHardware(std::shared_ptr<AudioHardware> hardware) {
    installed.install(std::move(hardware));
}

Status getPropertyDataSize(AudioObjectId object, const PropertyAddress& address, uint32_t& size) {
    auto hardware = audioHardware();
    return hardware ? hardware->dataSize(object, address, size) : kAudioNotRunning;
}

Status getPropertyData(AudioObjectId object, const PropertyAddress& address, uint32_t& size,
                       void* data) {
    auto hardware = audioHardware();
    return hardware ? hardware->readData(object, address, size, data) : kAudioNotRunning;
}

Status setPropertyData(AudioObjectId object, const PropertyAddress& address, uint32_t size,
                       const void* data) {
    auto hardware = audioHardware();
    return hardware ? hardware->writeData(object, address, size, data) : kAudioNotRunning;
}

Status addPropertyListener(AudioObjectId object, const PropertyAddress& address,
                           PropertyListener listener, void* clientData) {
    auto hardware = audioHardware();
    return hardware ? hardware->addListener(object, address, listener, clientData)
                    : kAudioNotRunning;
}

Status removePropertyListener(AudioObjectId object, const PropertyAddress& address,
                              PropertyListener listener, void* clientData) {
    auto hardware = audioHardware();
    return hardware ? hardware->removeListener(object, address, listener, clientData)
                    : kAudioNotRunning;
}

}  // namespace platform::audio
