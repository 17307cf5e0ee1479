#pragma once
// Where an application image for the glasses carries its own version tag, so that virtual
// glasses restarted from a freshly written image know which version they now run: a
// zero-terminated tag such as "TAVRO2_FW_V1.65" at a fixed offset of the image. The
// firmware-image generator writes it; the virtual bootloader reads it. Pure, any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace platform::sim {

inline constexpr size_t kImageTagOffset = 0x40;
inline constexpr size_t kImageTagCapacity = 32;

// The tag of an image, or nothing when the image carries none (too short, no "TAVRO"
// prefix, or no terminating zero within the capacity).
inline std::optional<std::string> imageVersionTag(std::span<const uint8_t> image) {
    if (image.size() < kImageTagOffset + kImageTagCapacity) return std::nullopt;
    const auto field = image.subspan(kImageTagOffset, kImageTagCapacity);
    std::string tag;
    for (uint8_t byte : field) {
        if (byte == 0) return tag.starts_with("TAVRO") ? std::optional(tag) : std::nullopt;
        tag += static_cast<char>(byte);
    }
    return std::nullopt;
}

}  // namespace platform::sim
