// The glasses' input road: the report parser alone, and a report's whole way from the
// simulated bus through the HID monitor's run loop to readCallBack.
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "glasses/GlassReport.h"
#include "glasses/GlassReportParser.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/HIDMonitorThread.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualGlasses.h"

namespace {

std::array<uint8_t, 64> imuSample(uint16_t kind) {
    std::array<uint8_t, 64> report{};
    glass_report::writeU16(report, 0, kind);
    for (size_t i = 0; i < 4; ++i) glass_report::writeF32(report, 28 + 4 * i, 0.25f * i);
    return report;
}

void parseReports(benchmark::State& state, int32_t mode) {
    const auto report = imuSample(0x0020);
    float a = 0, b = 0, c = 0, d = 0;
    std::array<int32_t, 3> at34{}, at28{};
    int32_t at40 = 0;
    std::array<uint8_t, 100> text{};
    uint32_t length = 0;
    for (auto _ : state) {
        parse_glass_report(mode, report, a, b, c, d, at34, at28, at40, text, length);
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(at40);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_parse_glass_report_gen1(benchmark::State& state) {
    parseReports(state, 1);
}
void BM_parse_glass_report_gen2(benchmark::State& state) {
    parseReports(state, 2);
}
BENCHMARK(BM_parse_glass_report_gen1);
BENCHMARK(BM_parse_glass_report_gen2);

// Reports sent in batches; each batch is timed until its last report reached readCallBack.
void BM_input_path_to_readCallBack(benchmark::State& state) {
    HIDDeviceMonitor monitor({watchedHIDDevices.begin(), watchedHIDDevices.end()}, 64);
    std::mutex mutex;
    std::condition_variable changed;
    uint64_t reads = 0;
    bool plugged = false;
    monitor.setDevicePlugIn([&](const platform::hid::DevicePtr&) {
        std::lock_guard lock(mutex);
        plugged = true;
        changed.notify_all();
    });
    monitor.setReadCallBack([&](float, float, float, float) {
        std::lock_guard lock(mutex);
        ++reads;
        changed.notify_all();
    });
    HIDMonitorThread thread(monitor);

    auto glasses = std::make_shared<platform::sim::VirtualGlasses>(
        platform::sim::VirtualGlasses::firstGeneration());
    platform::sim::SimUsbBus::shared().plug(glasses);
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return plugged; });
    }

    const auto report = imuSample(0x0020);
    const int64_t batch = state.range(0);
    uint64_t expected = 0;
    for (auto _ : state) {
        for (int64_t i = 0; i < batch; ++i) glasses->sendInput(report);
        expected += static_cast<uint64_t>(batch);
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return reads >= expected; });
    }
    state.SetItemsProcessed(state.iterations() * batch);

    platform::sim::SimUsbBus::shared().unplug(glasses);
    thread.stop();
}
BENCHMARK(BM_input_path_to_readCallBack)->Arg(1)->Arg(1000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
