#pragma once
// What the firmware-update tests share: the simulated hidapi over the shared simulated
// bus, a clock fast enough that the bootloader's 5 s and 25 s time-outs pass in a few
// milliseconds, a recorder of the updater's notifications and of a callback's reports,
// firmware files written to a scratch folder, and waits on the bus.

#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "common/AppIdentifier.h"
#include "glasses/FirmwareFileWriter.h"
#include "glasses/IProgramFlashCallback.h"
#include "platform/foundation/Clock.h"
#include "platform/hid/HidApi.h"
#include "platform/hid/SimulatedHidApi.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualBootloader.h"
#include "tests/support/NotificationRecorder.h"

// The updater's notifications, read by the part of their names after AppIdentifier.
class DfuNotices : public test_support::NotificationRecorder {
  public:
    DfuNotices()
        : NotificationRecorder({common::AppIdentifier() + ".dfuUpdate_versionShow",
                                common::AppIdentifier() + ".dfuUpdate_progress",
                                common::AppIdentifier() + ".dfuUpdate_status"}) {}
    std::vector<platform::foundation::Value> of(const std::string& suffix) const {
        return objects(common::AppIdentifier() + suffix);
    }
};

class RecordingCallback final : public IProgramFlashCallback {
  public:
    void start() override {}
    void progress(float percent) override { progress_.push_back(percent); }
    void success() override { ++successes; }
    void fail(int32_t code) override { failures.push_back(code); }

    std::vector<float> progress_;
    int successes = 0;
    std::vector<int32_t> failures;
};

// Waits, on a bus listener, until the device is (or is not) attached. The listener is
// told at once of every device attached now, so its own record is the device's state.
inline bool awaitAttached(const platform::hid::BusDevice* device, bool attached,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    auto& bus = platform::sim::SimUsbBus::shared().hidBus();
    std::mutex mutex;
    std::condition_variable changed;
    bool present = false;
    const uint64_t listener =
        bus.addListener([&](const platform::hid::BusDevicePtr& which, bool nowAttached) {
            if (which.get() != device) return;
            std::lock_guard lock(mutex);
            present = nowAttached;
            changed.notify_all();
        });
    bool reached = false;
    {
        std::unique_lock lock(mutex);
        reached = changed.wait_for(lock, timeout, [&] { return present == attached; });
    }
    bus.removeListener(listener);
    return reached;
}

class DfuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::hid::setHidApi(platform::hid::makeSimulatedHidApi());
        folder_ = std::filesystem::temp_directory_path() /
                  ("tavro-dfu-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        for (const auto& device : plugged_) platform::sim::SimUsbBus::shared().unplug(device);
        platform::hid::setHidApi(nullptr);
        std::filesystem::remove_all(folder_);
    }

    std::shared_ptr<platform::sim::VirtualBootloader> plugBootloader(uint8_t model = 1) {
        auto bootloader = std::make_shared<platform::sim::VirtualBootloader>(model);
        plug(bootloader);
        return bootloader;
    }
    void plug(const std::shared_ptr<platform::sim::VirtualHidDevice>& device) {
        plugged_.push_back(device);
        platform::sim::SimUsbBus::shared().plug(device);
    }

    static std::vector<uint8_t> pattern(size_t length) {
        std::vector<uint8_t> image(length);
        for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>(i * 31 + 7);
        return image;
    }
    std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::string writeImage(const std::vector<uint8_t>& image) {
        return writeFile("image.bin", encodeFirmwareFile("TAVRO2_FW_V1.65", image));
    }

    // 5 s of bootloader time-out pass in 5 ms.
    platform::foundation::ScopedClock clock_{
        std::make_shared<platform::foundation::RealClock>(1000.0)};
    std::filesystem::path folder_;
    std::vector<std::shared_ptr<platform::sim::VirtualHidDevice>> plugged_;
};
