#pragma once
// A HID device monitor running on its own thread over the simulated USB bus, with
// everything it reports recorded for the tests to await.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "glasses/HIDDeviceMonitor.h"
#include "glasses/HIDMonitorThread.h"
#include "platform/foundation/NotificationCenter.h"

struct MonitorEvents {
    std::vector<std::string> notifications;  // names, in order
    std::vector<platform::foundation::Value> objects;
    std::vector<platform::hid::DevicePtr> pluggedIn;
    std::vector<platform::hid::DevicePtr> pulledOut;
    std::vector<std::array<float, 4>> reads;
    std::vector<std::string> versions;
    size_t count(const std::string& name) const {
        return static_cast<size_t>(std::count(notifications.begin(), notifications.end(), name));
    }
};

class MonitorHarness {
  public:
    MonitorHarness() : monitor_({watchedHIDDevices.begin(), watchedHIDDevices.end()}, 64) {
        auto& center = platform::foundation::NotificationCenter::defaultCenter();
        for (const char* name : {kHIDDeviceConnected, kHIDDeviceDisconnected,
                                 kHIDDeviceDataReceived, kGlassVersionNotification}) {
            tokens_.push_back(center.addObserver(
                name, std::nullopt, nullptr, [this](const platform::foundation::Notification& n) {
                    record([&](MonitorEvents& events) {
                        events.notifications.push_back(n.name);
                        events.objects.push_back(n.object);
                        if (n.name == kGlassVersionNotification) {
                            events.versions.push_back(n.object.text());
                        }
                    });
                }));
        }
        monitor_.setDevicePlugIn([this](const platform::hid::DevicePtr& device) {
            record([&](MonitorEvents& events) { events.pluggedIn.push_back(device); });
        });
        monitor_.setDevicePullOut([this](const platform::hid::DevicePtr& device) {
            record([&](MonitorEvents& events) { events.pulledOut.push_back(device); });
        });
        monitor_.setReadCallBack([this](float a, float b, float c, float d) {
            record([&](MonitorEvents& events) { events.reads.push_back({a, b, c, d}); });
        });
        thread_ = std::make_unique<HIDMonitorThread>(monitor_);
    }

    ~MonitorHarness() {
        thread_->stop();
        tokens_.clear();
    }

    HIDDeviceMonitor& monitor() { return monitor_; }

    // Waits until `condition` holds for the recorded events (5 s at most).
    bool await(const std::function<bool(const MonitorEvents&)>& condition) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return condition(events_); });
    }
    MonitorEvents events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

  private:
    void record(const std::function<void(MonitorEvents&)>& change) {
        {
            std::lock_guard lock(mutex_);
            change(events_);
        }
        changed_.notify_all();
    }

    HIDDeviceMonitor monitor_;
    std::mutex mutex_;
    std::condition_variable changed_;
    MonitorEvents events_;
    std::vector<platform::foundation::Subscription> tokens_;
    std::unique_ptr<HIDMonitorThread> thread_;
};
