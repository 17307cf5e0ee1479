#pragma once
// The audio hardware as the application sees it: audio objects (the system object and its
// devices) with properties addressed by selector, scope and element, and property
// listeners. The machine side (the simulated Mac) adds and removes devices and changes
// their volume and mute as a user would; every change of a listened property is delivered
// on the audio notification thread, one delivery at a time. Without installed hardware
// every call fails with kAudioNotRunning.
//
// Thread-safe. Listener callbacks run on the notification thread, never under a lock of
// this module, so a callback may read properties and add or remove listeners.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Mutex.h"

namespace platform::audio {

using AudioObjectId = uint32_t;
using Status = int32_t;

inline constexpr AudioObjectId kSystemObject = 1;
inline constexpr Status kAudioNoError = 0;
inline constexpr Status kAudioNotRunning = 0x73746F70;        // 'stop'
inline constexpr Status kAudioBadObject = 0x216F626A;         // '!obj'
inline constexpr Status kAudioUnknownProperty = 0x77686F3F;   // 'who?'
inline constexpr Status kAudioBadPropertySize = 0x2173697A;   // '!siz'
inline constexpr Status kAudioIllegalOperation = 0x6E6F7065;  // 'nope'

enum class Selector { Devices, DeviceName, Streams, VirtualMainVolume, Mute };
enum class Scope { Global, Input, Output };

struct PropertyAddress {
    Selector selector = Selector::Devices;
    Scope scope = Scope::Global;
    uint32_t element = 0;  // 0: the main element
    bool operator==(const PropertyAddress&) const = default;
};

// Returns a status that the hardware ignores.
using PropertyListener = Status (*)(AudioObjectId object, uint32_t addressCount,
                                    const PropertyAddress* addresses, void* clientData);

struct AudioDeviceTraits {
    std::string name;
    uint32_t outputStreams = 1;
    uint32_t inputStreams = 0;
    float volume = 0.5f;  // virtual main volume, 0 to 1
    bool muted = false;
};

class AudioHardware {
  public:
    AudioHardware();
    ~AudioHardware();
    AudioHardware(const AudioHardware&) = delete;
    AudioHardware& operator=(const AudioHardware&) = delete;

    // Machine side.
    AudioObjectId addDevice(const AudioDeviceTraits& traits);
    void removeDevice(AudioObjectId device);
    // Changes made outside the application (keys, another program); listeners hear them.
    void changeVolume(AudioObjectId device, float volume);
    void changeMute(AudioObjectId device, bool muted);
    std::vector<AudioObjectId> devices() const;
    // Number of listeners installed on the device right now.
    size_t listenerCount(AudioObjectId device) const;
    // Waits until every delivery queued so far has been made (tests).
    void flushNotifications() const;

    // Application side, as the free functions below.
    Status dataSize(AudioObjectId object, const PropertyAddress& address, uint32_t& size) const;
    Status readData(AudioObjectId object, const PropertyAddress& address, uint32_t& size,
                    void* data) const;
    Status writeData(AudioObjectId object, const PropertyAddress& address, uint32_t size,
                     const void* data);
    Status addListener(AudioObjectId object, const PropertyAddress& address,
                       PropertyListener listener, void* clientData);
    Status removeListener(AudioObjectId object, const PropertyAddress& address,
                          PropertyListener listener, void* clientData);

  private:
    struct Device {
        AudioObjectId id = 0;
        AudioDeviceTraits traits;
    };
    struct Listener {
        AudioObjectId object;
        PropertyAddress address;
        PropertyListener callback;
        void* clientData;
    };
    const Device* find(AudioObjectId id) const TAVRO_REQUIRES(mutex_);
    Device* find(AudioObjectId id) TAVRO_REQUIRES(mutex_);
    // Queues the deliveries for a changed property; mutex_ held.
    void notifyLocked(AudioObjectId object, const PropertyAddress& address) TAVRO_REQUIRES(mutex_);

    mutable foundation::Mutex mutex_;
    std::vector<Device> devices_ TAVRO_GUARDED_BY(mutex_);
    std::vector<Listener> listeners_ TAVRO_GUARDED_BY(mutex_);
    AudioObjectId nextId_ TAVRO_GUARDED_BY(mutex_) = 100;
    foundation::DispatchQueuePtr notificationQueue_;
};

std::shared_ptr<AudioHardware> audioHardware();
void installAudioHardware(std::shared_ptr<AudioHardware> hardware);

// The CoreAudio-style calls of the application: sizes and data in bytes; texts are written
// zero-terminated and cut to the buffer.
Status getPropertyDataSize(AudioObjectId object, const PropertyAddress& address, uint32_t& size);
Status getPropertyData(AudioObjectId object, const PropertyAddress& address, uint32_t& size,
                       void* data);
Status setPropertyData(AudioObjectId object, const PropertyAddress& address, uint32_t size,
                       const void* data);
Status addPropertyListener(AudioObjectId object, const PropertyAddress& address,
                           PropertyListener listener, void* clientData);
Status removePropertyListener(AudioObjectId object, const PropertyAddress& address,
                              PropertyListener listener, void* clientData);

}  // namespace platform::audio
