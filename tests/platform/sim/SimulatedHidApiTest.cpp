#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "platform/foundation/Clock.h"
#include "platform/hid/HidApi.h"
#include "platform/sim/SimulatedHidApi.h"
#include "platform/sim/VirtualHidDevice.h"
#include "tests/support/Waits.h"

namespace {

using namespace platform::hid;
using platform::sim::makeSimulatedHidApi;
using platform::sim::VirtualHidDevice;
using platform::sim::VirtualHidIdentity;

class Echo final : public VirtualHidDevice {
  public:
    Echo() : VirtualHidDevice(VirtualHidIdentity{0x0416, 0x3F00, "ISP", 64, 1}) {}
    void handleOutputReport(uint8_t, std::span<const uint8_t> report) override {
        sendInput(report);
    }
};

std::shared_ptr<VirtualHidDevice> device(int64_t vendor, int64_t product, int64_t location) {
    auto made = std::make_shared<VirtualHidDevice>(VirtualHidIdentity{vendor, product, "X", 64, 1});
    made->setProperty("LocationID", location);
    return made;
}

std::vector<std::string> listed(HidApi& api, uint16_t vendor, uint16_t product) {
    std::vector<std::string> found;
    HidDeviceInfo* list = api.hid_enumerate(vendor, product);
    for (auto* entry = list; entry; entry = entry->next) {
        found.push_back(entry->path + " " + std::to_string(entry->interface_number) + " " +
                        entry->product_string);
    }
    api.hid_free_enumeration(list);
    return found;
}

TEST(SimulatedHidApi, EnumeratesByVendorAndProductAndOpensByPath) {
    HIDBus bus;
    auto api = makeSimulatedHidApi(bus);
    auto glasses = device(0x0483, 0x8001, 0x14100000);
    bus.attach(glasses);
    bus.attach(device(0x0483, 0x5750, 0x14200000));
    EXPECT_EQ(listed(*api, 0x0483, 0x8001), (std::vector<std::string>{"HIDBus/336592896 0 X"}));
    EXPECT_EQ(listed(*api, 0x0483, 0).size(), 2u);
    EXPECT_TRUE(listed(*api, 0x0416, 0x3F00).empty());

    EXPECT_EQ(api->hid_open_path("HIDBus/1"), nullptr);
    EXPECT_FALSE(api->hid_error(nullptr).empty());
    HidDeviceHandle* handle = api->hid_open_path("HIDBus/336592896");
    ASSERT_NE(handle, nullptr);
    const std::array<uint8_t, 5> report{2, 0xA, 0xB, 0xC, 0xD};
    EXPECT_EQ(api->hid_write(handle, report.data(), report.size()), 5);
    ASSERT_EQ(glasses->outputReportCount(), 1u);
    EXPECT_EQ(glasses->outputReports()[0].reportId, 2);
    EXPECT_EQ(glasses->outputReports()[0].bytes, (std::vector<uint8_t>{0xA, 0xB, 0xC, 0xD}));
    api->hid_close(handle);
}

TEST(SimulatedHidApi, TimedReadsWaitOnTheClockAndEndWhenTheDeviceLeaves) {
    platform::foundation::ScopedClock fast(
        std::make_shared<platform::foundation::RealClock>(1000.0));
    HIDBus bus;
    auto api = makeSimulatedHidApi(bus);
    auto echo = std::make_shared<Echo>();
    echo->setProperty("LocationID", int64_t{7});
    bus.attach(echo);
    HidDeviceHandle* handle = api->hid_open_path("HIDBus/7");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(api->hid_set_nonblocking(handle, 0), 0);

    std::array<uint8_t, 64> in{};
    // Ten seconds of clock time pass in about ten milliseconds.
    EXPECT_EQ(api->hid_read_timeout(handle, in.data(), in.size(), 10000), 0);

    // More reports than the handle keeps: the oldest go.
    for (uint8_t i = 0; i < 40; ++i) {
        const std::array<uint8_t, 3> request{0, i, i};
        ASSERT_EQ(api->hid_write(handle, request.data(), request.size()), 3);
    }
    ASSERT_EQ(api->hid_read_timeout(handle, in.data(), in.size(), 0), 2);
    EXPECT_EQ(in[0], 10);
    while (api->hid_read_timeout(handle, in.data(), in.size(), 0) > 0) continue;

    // A reader blocked without limit wakes when the device leaves the bus, which it does
    // only once the reader sleeps.
    auto manual = std::make_shared<platform::foundation::ManualClock>();
    platform::foundation::ScopedClock scoped(manual);
    std::thread unplug([&] {
        EXPECT_TRUE(test_support::waitForWaiters(*manual, 1));
        bus.detach(echo);
    });
    EXPECT_EQ(api->hid_read_timeout(handle, in.data(), in.size(), -1), -1);
    unplug.join();
    const std::array<uint8_t, 2> late{0, 1};
    EXPECT_EQ(api->hid_write(handle, late.data(), late.size()), -1);
    api->hid_close(handle);
}

}  // namespace
