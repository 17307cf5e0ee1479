#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/hid/Manager.h"
#include "platform/sim/VirtualHidDevice.h"
#include "tests/support/AwaitedLog.h"

using platform::foundation::RunLoop;
using platform::foundation::Value;
using platform::foundation::ValueDictionary;
using namespace platform::hid;

namespace {

std::shared_ptr<platform::sim::VirtualHidDevice> device(int64_t vendor, int64_t product) {
    return std::make_shared<platform::sim::VirtualHidDevice>(
        platform::sim::VirtualHidIdentity{vendor, product, "Test", 64, 1});
}

// A manager on a run loop of its own thread, recording what it delivers and where.
class ManagerOnThread {
  public:
    explicit ManagerOnThread(HIDBus& bus, std::optional<std::vector<Value>> criteria) {
        std::promise<RunLoop*> started;
        thread_ = std::thread([this, &bus, criteria, &started] {
            const auto loopThread = std::this_thread::get_id();
            RunLoop& loop = RunLoop::current();
            manager_ = Manager::create(bus);
            manager_->setDeviceMatchingMultiple(criteria);
            manager_->scheduleWithRunLoop(loop);
            manager_->open();
            manager_->registerDeviceMatchingCallback(
                [this, loopThread](int32_t, const DevicePtr& d) {
                    if (std::this_thread::get_id() != loopThread) offLoopThread_ = true;
                    d->registerInputReportCallback(
                        buffer_, [this](int32_t, const DevicePtr&, ReportType, uint32_t id,
                                        std::span<uint8_t> report) {
                            if (hold_.exchange(false)) {
                                held_.set_value();
                                release_.get_future().wait();
                            }
                            reports_.add({id, report.size(), report[0]});
                        });
                    matched_.add(d);
                });
            manager_->registerDeviceRemovalCallback(
                [this](int32_t, const DevicePtr& d) { removed_.add(d); });
            started.set_value(&loop);
            loop.run();
            manager_.reset();
        });
        loop_ = started.get_future().get();
    }
    ~ManagerOnThread() {
        loop_->stop();
        thread_.join();
    }

    // Set, holds the loop's thread inside the next report callback until released, as a
    // busy main thread holds the HID monitor's thread.
    std::atomic<bool> hold_{false};
    std::promise<void> held_, release_;
    test_support::AwaitedLog<DevicePtr> matched_, removed_;
    using Report = std::array<size_t, 3>;  // identifier, size, first byte
    test_support::AwaitedLog<Report> reports_;
    std::atomic<bool> offLoopThread_{false};

  private:
    RunLoop* loop_ = nullptr;
    ManagerPtr manager_;
    std::array<uint8_t, 16> buffer_{};
    std::thread thread_;
};

TEST(HIDManager, MatchesPresentAndArrivingDevicesOnItsRunLoop) {
    HIDBus bus;
    bus.attach(device(0x0483, 0x5750));
    bus.attach(device(0x0483, 0x9999));
    ManagerOnThread watcher(
        bus, std::vector<Value>{ValueDictionary{{"VendorID", 0x0483}, {"ProductID", 0x5750}},
                                ValueDictionary{{"VendorID", 0x1234}, {"ProductID", 0x5678}}});
    ASSERT_TRUE(watcher.matched_.awaitCount(1));
    EXPECT_EQ(watcher.matched_.entries()[0]->getProperty("ProductID"), Value(0x5750));
    bus.attach(device(0x1234, 0x5678));
    ASSERT_TRUE(watcher.matched_.awaitCount(2));
    EXPECT_EQ(watcher.matched_.entries()[1]->getProperty("VendorID"), Value(0x1234));
    EXPECT_EQ(watcher.matched_.size(), 2u);
    EXPECT_FALSE(watcher.offLoopThread_);
    // An empty list matches nothing; no list, every device that comes.
    auto manager = Manager::create(bus);
    manager->setDeviceMatchingMultiple(std::vector<Value>{});
    manager->open();
    EXPECT_TRUE(manager->copyDevices().empty());
    manager->setDeviceMatchingMultiple(std::nullopt);
    bus.attach(device(3, 4));
    EXPECT_EQ(manager->copyDevices().size(), 1u);
}

TEST(HIDManager, AHeldUpLoopKeepsTheNewestReportsAndRemovalHandsBackTheHandleAndStopsThem) {
    HIDBus bus;
    auto glasses = device(1, 2);
    ManagerOnThread watcher(bus, std::nullopt);
    bus.attach(glasses);
    DevicePtr handle = watcher.matched_.awaitAt(0);
    ASSERT_TRUE(handle);

    std::array<uint8_t, 40> longReport{};
    glasses->sendInput(longReport, 7);
    EXPECT_EQ(watcher.reports_.awaitAt(0),
              (ManagerOnThread::Report{7, 16, 0}));  // cut to the buffer
    std::array<uint8_t, 4> frame{1, 2, 3, 4};
    EXPECT_EQ(handle->setReport(ReportType::Output, 0x102, frame), kIOReturnSuccess);
    ASSERT_EQ(glasses->outputReports().back().reportId, 2);

    watcher.hold_ = true;
    std::array<uint8_t, 64> report{};
    glasses->sendInput(report, 1);  // the loop's thread takes this one and is held
    watcher.held_.get_future().wait();
    constexpr size_t kSent = 2000;
    for (size_t index = 1; index <= kSent; ++index) {
        report[0] = static_cast<uint8_t>(index);
        glasses->sendInput(report, 1);
    }
    constexpr size_t kKept = Device::kInputReportQueueDepth;
    EXPECT_EQ(handle->droppedInputReports(), kSent - kKept);
    watcher.release_.set_value();
    ASSERT_TRUE(watcher.reports_.awaitCount(2 + kKept));
    const auto reports = watcher.reports_.entries();
    for (size_t kept = 0; kept < kKept; ++kept)
        EXPECT_EQ(reports[2 + kept][2], (kSent - kKept + 1 + kept) % 256);

    bus.detach(glasses);
    EXPECT_EQ(watcher.removed_.awaitAt(0), handle);
    EXPECT_EQ(handle->setReport(ReportType::Output, 2, frame), kIOReturnNotAttached);
    glasses->sendInput(longReport);  // nobody listens any more
    EXPECT_EQ(watcher.reports_.size(), 2 + kKept);
}

}  // namespace
