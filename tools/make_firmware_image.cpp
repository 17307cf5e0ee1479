// Build-time generator of the firmware images shipped in the bundle: an application image
// of the given length that carries its version tag where the glasses look for it, filled
// with reproducible pseudo-random bytes, wrapped in the firmware file format.
//
// make_firmware_image <output file> <version tag> <image length>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "glasses/FirmwareFileWriter.h"
#include "platform/sim/FirmwareImageTag.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <output> <version tag> <image length>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path output = argv[1];
    const std::string tag = argv[2];
    const long length = std::strtol(argv[3], nullptr, 0);
    using platform::sim::kImageTagCapacity;
    using platform::sim::kImageTagOffset;
    if (tag.size() >= kImageTagCapacity ||
        length < static_cast<long>(kImageTagOffset + kImageTagCapacity)) {
        std::fprintf(stderr, "tag too long or image too short\n");
        return 2;
    }
    std::vector<uint8_t> image(static_cast<size_t>(length));
    uint32_t state = 2166136261u;
    for (char c : tag) state = (state ^ static_cast<uint8_t>(c)) * 16777619u;
    for (auto& byte : image) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<uint8_t>(state);
    }
    std::fill_n(image.begin() + kImageTagOffset, kImageTagCapacity, 0);
    std::copy(tag.begin(), tag.end(), image.begin() + kImageTagOffset);

    const std::vector<uint8_t> file = encodeFirmwareFile(tag, image);
    // Several build trees may write the same file: each writes its own and renames it.
    const std::filesystem::path temporary =
        output.string() + ".tmp" + std::to_string(static_cast<long>(::getpid()));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
        if (!out) return 1;
    }
    std::error_code error;
    std::filesystem::rename(temporary, output, error);
    return error ? 1 : 0;
}
