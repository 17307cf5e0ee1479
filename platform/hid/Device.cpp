#include "platform/hid/Device.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <optional>
#include <vector>

#include "platform/foundation/Mutex.h"

namespace platform::hid {

// Reports between the bus (any thread) and the run loop's thread. Thread-safe.
class Device::InputQueue {
  public:
    struct Report {
        uint8_t reportId;
        std::vector<uint8_t> bytes;
    };

    // True when the queue was empty: no delivery is under way that would take the report.
    bool push(uint8_t reportId, std::span<const uint8_t> bytes) {
        foundation::MutexLock lock(mutex_);
        const bool wasEmpty = reports_.empty();
        if (reports_.size() >= kInputReportQueueDepth) {
            reports_.pop_front();
            dropped_.fetch_add(1);
        }
        reports_.push_back(Report{reportId, std::vector<uint8_t>(bytes.begin(), bytes.end())});
        return wasEmpty;
    }

    std::optional<Report> pop() {
        foundation::MutexLock lock(mutex_);
        if (reports_.empty()) return std::nullopt;
        Report report = std::move(reports_.front());
        reports_.pop_front();
        return report;
    }

    void clear() {
        foundation::MutexLock lock(mutex_);
        reports_.clear();
    }

    uint64_t dropped() const { return dropped_.load(); }

  private:
    foundation::Mutex mutex_;
    std::deque<Report> reports_ TAVRO_GUARDED_BY(mutex_);
    std::atomic<uint64_t> dropped_{0};
};

Device::Device(BusDevicePtr busDevice, std::shared_ptr<RunLoopDelivery> delivery)
    : busDevice_(std::move(busDevice)),
      delivery_(std::move(delivery)),
      inputQueue_(std::make_shared<InputQueue>()) {}

foundation::Value Device::getProperty(const std::string& key) const {
    return busDevice_->property(key);
}

int32_t Device::setReport(ReportType type, int64_t reportId, std::span<const uint8_t> report) {
    if (!isAttached()) return kIOReturnNotAttached;
    return busDevice_->setReport(type, static_cast<uint8_t>(reportId & 0xFF), report);
}

void Device::registerInputReportCallback(std::span<uint8_t> buffer, InputReportCallback callback) {
    // Subscriptions end without the lock: ending one waits for a report being handed over.
    foundation::Subscription previous;
    {
        foundation::MutexLock lock(mutex_);
        buffer_ = buffer;
        callback_ = std::move(callback);
        if (!attached_) return;
        previous = std::move(inputListener_);
    }
    previous.reset();
    std::weak_ptr<Device> weak = weak_from_this();
    foundation::Subscription listener =
        busDevice_->addInputListener([weak, delivery = delivery_, queue = inputQueue_](
                                         uint8_t reportId, std::span<const uint8_t> report) {
            // A non-empty queue has a delivery on its way, which takes this report too.
            if (!queue->push(reportId, report)) return;
            const bool accepted = delivery->deliver([weak, queue] {
                while (auto next = queue->pop()) {
                    auto device = weak.lock();
                    if (!device) return;
                    device->deliverInputReport(next->reportId, next->bytes);
                }
            });
            // Never delivered (the manager left its run loop): let the next report retry.
            if (!accepted) queue->clear();
        });
    foundation::MutexLock lock(mutex_);
    // Detached meanwhile: `listener` goes when this returns, after the lock.
    if (attached_) std::swap(listener, inputListener_);
}

void Device::deliverInputReport(uint8_t reportId, std::span<const uint8_t> bytes) {
    std::span<uint8_t> buffer;
    InputReportCallback callback;
    {
        foundation::MutexLock lock(mutex_);
        if (!attached_ || !callback_) return;
        buffer = buffer_;
        callback = callback_;
    }
    const size_t length = std::min(bytes.size(), buffer.size());
    std::copy_n(bytes.begin(), length, buffer.begin());
    callback(kIOReturnSuccess, shared_from_this(), ReportType::Input, reportId,
             buffer.first(length));
}

void Device::markDetached() {
    foundation::Subscription listener;
    {
        foundation::MutexLock lock(mutex_);
        attached_ = false;
        listener = std::move(inputListener_);
    }
}

uint64_t Device::droppedInputReports() const {
    return inputQueue_->dropped();
}

bool Device::isAttached() const {
    foundation::MutexLock lock(mutex_);
    return attached_;
}

}  // namespace platform::hid
