#pragma once
// Describes the glasses' audio output as a sound card: a device identifier, the name
// "TAVRO Audio Device" and the description of the audio unit that plays to it (the default
// output unit), whose component is looked up the first time it is asked for.
//
// Any thread; the lookup happens once.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

// What identifies an audio unit: four-character type, subtype and manufacturer codes.
struct AudioComponentDescription {
    uint32_t componentType = 0;
    uint32_t componentSubType = 0;
    uint32_t componentManufacturer = 0;
    uint32_t componentFlags = 0;
    uint32_t componentFlagsMask = 0;
    bool operator==(const AudioComponentDescription&) const = default;
};

constexpr uint32_t fourCharCode(const char (&code)[5]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

class TavroSoundCard {
  public:
    uint32_t deviceID = 0;
    std::string deviceName = "TAVRO Audio Device";
    AudioComponentDescription componentDescription{fourCharCode("auou"), fourCharCode("def "),
                                                   fourCharCode("appl"), 0, 0};

    // The component matching componentDescription. Every Mac has a default output unit,
    // so the one found is the one described.
    const AudioComponentDescription& audioComponent();

  private:
    std::once_flag found_;
    std::optional<AudioComponentDescription> audioComponent_;
};
