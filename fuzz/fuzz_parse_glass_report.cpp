// Input reports of the glasses as they could arrive from a device: any bytes, any length,
// either generation, and a caller's version buffer of any size.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <vector>

#include "glasses/GlassReportParser.h"
#include "glasses/GlassVersionText.h"
#include "localnet/TavroLocalServer.h"
#include "platform/foundation/FileSystem.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Log lines of the parser go to a scratch home, not the user's.
    auto home = std::filesystem::temp_directory_path() / "tavro-fuzz-glass-report";
    std::filesystem::create_directories(home);
    platform::foundation::setHomeDirectory(home.string());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int32_t mode = data[0] % 4;
    // An exactly sized heap copy of the text buffer, so that any overrun is caught.
    std::vector<uint8_t> versionText(data[1] % 101);
    std::vector<uint8_t> report(data + 2, data + size);

    float a = 0, b = 0, c = 0, d = 0;
    std::array<int32_t, 3> at34{}, at28{};
    int32_t at40 = 0;
    uint32_t length = 0;
    parse_glass_report(mode, report, a, b, c, d, at34, at28, at40, versionText, length);
    if (length > versionText.size()) std::abort();
    glassVersionText(std::span<const uint8_t>(versionText).first(length));

    // Keep the bias table from growing without end over millions of runs.
    TavroLocalServer& server = TavroLocalServer::shareManager();
    if (server.biasCount() > 64) {
        server.biasArray()->removeAllObjects();
        server.setBiasCount(0);
    }
    return 0;
}
