// Programming a whole 0x78000-byte APROM image through the simulated bootloader: what the
// host side (command layer, transport, simulated hidapi and the bootloader's own handling)
// costs next to the USB link, which needs about 2 ms a packet, 17.6 s for the image.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "glasses/FirmwareFileWriter.h"
#include "glasses/ISPLdCMD.h"
#include "platform/hid/HidApi.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/SimulatedHidApi.h"
#include "platform/sim/VirtualBootloader.h"

namespace {

class Counting final : public IProgramFlashCallback {
  public:
    void start() override {}
    void progress(float) override {}
    void success() override { ++successes; }
    void fail(int32_t) override { ++failures; }
    int successes = 0;
    int failures = 0;
};

void programWholeAprom(benchmark::State& state) {
    platform::hid::setHidApi(platform::sim::makeSimulatedHidApi());
    std::vector<uint8_t> image(ISPLdCMD::kApromSize);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
    const auto path = std::filesystem::temp_directory_path() /
                      ("tavro-bench-aprom-" + std::to_string(::getpid()) + ".bin");
    const auto file = encodeFirmwareFile("TAVRO2_FW_V1.65", image);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    // The programming traces go to standard output; keep them out of the figures.
    std::fflush(stdout);
    const int console = ::dup(1);
    std::FILE* sink = std::freopen("/dev/null", "w", stdout);

    Counting callback;
    for (auto _ : state) {
        auto bootloader = std::make_shared<platform::sim::VirtualBootloader>(1);
        platform::sim::SimUsbBus::shared().plug(bootloader);
        ISPLdCMD command;
        command.setCallback(&callback);
        command.openPort();
        std::array<char, kFirmwareVersionLimit> version{};
        command.UpdateFileInfo(path.string(), version, true);
        command.programAprom();
        command.closePort();
        platform::sim::SimUsbBus::shared().unplug(bootloader);
    }

    std::fflush(stdout);
    if (sink) ::dup2(console, 1);
    ::close(console);
    std::filesystem::remove(path);
    platform::hid::setHidApi(nullptr);
    if (callback.failures > 0 || callback.successes == 0) state.SkipWithError("programming failed");
    const double packets = 1 + (ISPLdCMD::kApromSize - 48 + 55) / 56;
    state.counters["packets"] = packets;
    state.counters["link_s"] = packets * 0.002;
}
BENCHMARK(programWholeAprom)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
