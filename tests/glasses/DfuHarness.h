#pragma once
// What the firmware-update tests share: the simulated hidapi over the shared simulated
// bus, a clock fast enough that the bootloader's 5 s and 25 s time-outs pass in a few
// milliseconds, a recorder of the updater's notifications and of a callback's reports, and
// firmware files written to a scratch folder.

#include <gtest/gtest.h>

#include <fstream>
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
#include "tests/support/TemporaryHome.h"

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

class DfuTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::hid::setHidApi(platform::hid::makeSimulatedHidApi()); }
    void TearDown() override {
        for (const auto& device : plugged_) platform::sim::SimUsbBus::shared().unplug(device);
        platform::hid::setHidApi(nullptr);
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
        const auto path = folder_.path() + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string writeImage(const std::vector<uint8_t>& image) {
        return writeFile("image.bin", encodeFirmwareFile("TAVRO2_FW_V1.65", image));
    }

    // 5 s of bootloader time-out pass in 5 ms.
    platform::foundation::ScopedClock clock_{
        std::make_shared<platform::foundation::RealClock>(1000.0)};
    test_support::TemporaryFolder folder_{"tavro-dfu"};
    std::vector<std::shared_ptr<platform::sim::VirtualHidDevice>> plugged_;
};
