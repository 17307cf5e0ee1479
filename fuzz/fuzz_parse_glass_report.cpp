// Input reports of the glasses as they could arrive from a device: any bytes, any length,
// either generation. The first byte picks the generation, the rest is the report. Only the
// decode runs here; it touches no server, home folder or process state.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <variant>
#include <vector>

#include "glasses/GlassReportDecode.h"
#include "glasses/GlassVersionText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int32_t mode = data[0] % 4;
    // An exactly sized heap copy of the report, so that any read past its end is caught.
    const std::vector<uint8_t> report(data + 1, data + size);

    const GlassReportRecord record = decodeGlassReport(mode, report);
    if (const auto* version = std::get_if<GlassVersionReply>(&record)) {
        if (version->length > version->text.size() ||
            (version->length > 0 && version->length + 14 > report.size())) {
            std::abort();
        }
        glassVersionText(std::span<const uint8_t>(version->text).first(version->length));
    }
    return 0;
}
