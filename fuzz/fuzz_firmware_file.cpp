// Firmware files as they could be found in a bundle: any bytes, read with and without the
// header. Whatever the lengths in the header say, the parser must stay inside the bytes,
// and an accepted file must describe an image that lies within them and sums as announced.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "glasses/FirmwareFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized heap copy, so that any read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    for (bool withHeader : {true, false}) {
        const FirmwareFile file = parseFirmwareFile(bytes, withHeader);
        if (file.error != FirmwareFileError::None) continue;
        if (file.imageOffset + file.imageBytesPresent > bytes.size()) std::abort();
        if (static_cast<int64_t>(file.imageBytesPresent) != file.imageLength) std::abort();
        if (withHeader && (file.headerLength > kFirmwareHeaderLimit ||
                           file.versionLength > kFirmwareVersionLimit)) {
            std::abort();
        }
        if (firmwareChecksum(file.image(bytes)) != file.expectedChecksum) std::abort();
    }
    return 0;
}
