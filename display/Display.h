#pragma once
// A display's description with its resolutions, as a display list would show it. Values;
// any thread.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

class Display {
  public:
    struct Resolution {
        uint32_t modeNumber = 0;
        uint32_t width = 0;
        uint32_t height = 0;
        uint32_t bitDepth = 0;
        uint16_t refreshRate = 0;
        bool hiDPI = false;
        bool isActive = false;
        bool operator==(const Resolution&) const = default;
    };

    // Two displays are the same display when their identifiers are.
    bool operator==(const Display& other) const { return identifier == other.identifier; }

    uint32_t identifier = 0;
    std::string prefsId;
    std::string name;
    std::optional<uint32_t> vendorNumber;
    std::optional<uint32_t> modelNumber;
    std::optional<uint32_t> serialNumber;
    std::map<int64_t, Resolution> resolutions;
    int64_t currentResolution = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelWidth = 0;
    uint32_t pixelHeight = 0;
    bool isHiDPI = false;
    bool isVirtual = false;
    bool isDummy = false;
};
