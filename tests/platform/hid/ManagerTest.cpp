#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <thread>

#include "platform/hid/Manager.h"
#include "platform/sim/VirtualHidDevice.h"

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
            loopThread_ = std::this_thread::get_id();
            RunLoop& loop = RunLoop::current();
            manager_ = Manager::create(bus);
            manager_->setDeviceMatchingMultiple(criteria);
            manager_->scheduleWithRunLoop(loop);
            manager_->open();
            manager_->registerDeviceMatchingCallback([this](int32_t, const DevicePtr& d) {
                onLoopThread_ &= std::this_thread::get_id() == loopThread_;
                d->registerInputReportCallback(
                    buffer_, [this](int32_t, const DevicePtr&, ReportType, uint32_t id,
                                    std::span<uint8_t> report) {
                        if (hold_.exchange(false)) {
                            held_.set_value();
                            release_.get_future().wait();
                        }
                        change([&] { reports_.push_back({id, report.size(), report[0]}); });
                    });
                change([&] { matched_.push_back(d); });
            });
            manager_->registerDeviceRemovalCallback(
                [this](int32_t, const DevicePtr& d) { change([&] { removed_.push_back(d); }); });
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

    bool await(const std::function<bool()>& condition) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), condition);
    }
    // The `count`th device matched, once it is (null after 5 s).
    DevicePtr matched(size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(5), [&] { return matched_.size() >= count; });
        return matched_.size() >= count ? matched_[count - 1] : nullptr;
    }

    // Set, holds the loop's thread inside the next report callback until released, as a
    // busy main thread holds the HID monitor's thread.
    std::atomic<bool> hold_{false};
    std::promise<void> held_, release_;
    std::vector<DevicePtr> matched_, removed_;
    struct Report {
        uint32_t id;
        size_t size;
        uint8_t first;
    };
    std::vector<Report> reports_;
    bool onLoopThread_ = true;
    std::mutex mutex_;

  private:
    void change(const std::function<void()>& what) {
        {
            std::lock_guard lock(mutex_);
            what();
        }
        changed_.notify_all();
    }

    std::condition_variable changed_;
    RunLoop* loop_ = nullptr;
    std::thread::id loopThread_;  // written by the loop thread before its first callback
    ManagerPtr manager_;
    std::array<uint8_t, 16> buffer_{};
    std::thread thread_;
};

TEST(HIDManager, MatchesPresentAndArrivingDevicesOnItsRunLoop) {
    HIDBus bus;
    auto present = device(0x0483, 0x5750);
    auto other = device(0x0483, 0x9999);
    bus.attach(present);
    bus.attach(other);
    ManagerOnThread watcher(
        bus, std::vector<Value>{ValueDictionary{{"VendorID", 0x0483}, {"ProductID", 0x5750}},
                                ValueDictionary{{"VendorID", 0x1234}, {"ProductID", 0x5678}}});
    ASSERT_TRUE(watcher.matched(1));
    EXPECT_EQ(watcher.matched(1)->getProperty("ProductID"), Value(0x5750));
    bus.attach(device(0x1234, 0x5678));
    ASSERT_TRUE(watcher.matched(2));
    EXPECT_EQ(watcher.matched(2)->getProperty("VendorID"), Value(0x1234));
    {
        std::lock_guard lock(watcher.mutex_);
        EXPECT_EQ(watcher.matched_.size(), 2u);
        EXPECT_TRUE(watcher.onLoopThread_);
    }
    // An empty list matches nothing; no list, every device that comes.
    auto manager = Manager::create(bus);
    manager->setDeviceMatchingMultiple(std::vector<Value>{});
    manager->open();
    EXPECT_TRUE(manager->copyDevices().empty());
    manager->setDeviceMatchingMultiple(std::nullopt);
    bus.attach(device(3, 4));
    EXPECT_EQ(manager->copyDevices().size(), 1u);
}

TEST(HIDManager, RemovalHandsBackTheSameHandleAndStopsItsReports) {
    HIDBus bus;
    auto glasses = device(1, 2);
    ManagerOnThread watcher(bus, std::nullopt);
    bus.attach(glasses);
    DevicePtr handle = watcher.matched(1);
    ASSERT_TRUE(handle);

    std::array<uint8_t, 40> longReport{};
    glasses->sendInput(longReport, 7);
    ASSERT_TRUE(watcher.await([&] { return watcher.reports_.size() == 1; }));
    EXPECT_EQ(watcher.reports_[0].id, 7u);
    EXPECT_EQ(watcher.reports_[0].size, 16u);  // cut to the buffer
    std::array<uint8_t, 4> frame{1, 2, 3, 4};
    EXPECT_EQ(handle->setReport(ReportType::Output, 0x102, frame), kIOReturnSuccess);
    ASSERT_EQ(glasses->outputReports().back().reportId, 2);

    bus.detach(glasses);
    ASSERT_TRUE(watcher.await([&] { return watcher.removed_.size() == 1; }));
    std::lock_guard lock(watcher.mutex_);
    EXPECT_EQ(watcher.removed_[0], handle);
    EXPECT_EQ(handle->setReport(ReportType::Output, 2, frame), kIOReturnNotAttached);
    glasses->sendInput(longReport);  // nobody listens any more
    EXPECT_EQ(watcher.reports_.size(), 1u);
}

TEST(HIDManager, AHeldUpLoopKeepsOnlyTheNewestReportsAndCountsTheRest) {
    HIDBus bus;
    auto glasses = device(1, 2);
    ManagerOnThread watcher(bus, std::nullopt);
    bus.attach(glasses);
    DevicePtr handle = watcher.matched(1);
    ASSERT_TRUE(handle);

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

    ASSERT_TRUE(watcher.await([&] { return watcher.reports_.size() == 1 + kKept; }));
    std::lock_guard lock(watcher.mutex_);
    for (size_t kept = 0; kept < kKept; ++kept) {
        EXPECT_EQ(watcher.reports_[1 + kept].first, static_cast<uint8_t>(kSent - kKept + 1 + kept));
    }
}

}  // namespace
