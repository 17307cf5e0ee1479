#include "platform/sim/SimulatedHidApi.h"

#include <cstring>
#include <deque>
#include <vector>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Guarded.h"
#include "platform/foundation/Mutex.h"

namespace platform::sim {
namespace {

using foundation::Clock;
using hid::BusDevice;
using hid::BusDevicePtr;
using hid::HidApi;
using hid::HIDBus;
using hid::HidDeviceHandle;
using hid::HidDeviceInfo;
using hid::kIOReturnSuccess;
using hid::ReportType;

constexpr size_t kQueuedReportLimit = 30;
// A read "without limit" still wakes now and then; the device's removal wakes it at once.
constexpr auto kNoLimit = std::chrono::hours(24 * 365);

std::string busPath(const BusDevice& device) {
    const foundation::Value location = device.property("LocationID");
    if (location.isText()) return "HIDBus/" + location.text();
    if (location.isNumber()) return "HIDBus/" + std::to_string(location.asInt64());
    return "HIDBus/@" + std::to_string(reinterpret_cast<uintptr_t>(&device));
}

class SimDevice final : public HidDeviceHandle {
  public:
    SimDevice(HIDBus& bus, BusDevicePtr device) : bus_(bus), device_(std::move(device)) {
        inputListener_ =
            device_->addInputListener([this](uint8_t reportId, std::span<const uint8_t> report) {
                std::vector<uint8_t> bytes;
                if (reportId != 0) bytes.push_back(reportId);
                bytes.insert(bytes.end(), report.begin(), report.end());
                {
                    foundation::MutexLock lock(mutex_);
                    if (queue_.size() == kQueuedReportLimit) queue_.pop_front();
                    queue_.push_back(std::move(bytes));
                }
                arrived_.notify_all();
            });
        busListener_ = bus_.addListener([this](const BusDevicePtr& changed, bool attached) {
            if (attached || changed != device_) return;
            {
                foundation::MutexLock lock(mutex_);
                gone_ = true;
            }
            arrived_.notify_all();
        });
    }

    int write(const unsigned char* data, size_t length) {
        if (!data || length == 0) return -1;
        if (!bus_.isAttached(device_.get())) return -1;
        const int32_t status = device_->setReport(ReportType::Output, data[0],
                                                  std::span<const uint8_t>(data + 1, length - 1));
        return status == kIOReturnSuccess ? static_cast<int>(length) : -1;
    }

    int read(unsigned char* data, size_t length, int milliseconds) {
        if (!data) return -1;
        foundation::MutexLock lock(mutex_);
        const bool wait = !nonblocking_ && milliseconds != 0;
        if (wait && queue_.empty() && !gone_) {
            const auto clock = Clock::current();
            const Clock::Duration limit =
                milliseconds < 0 ? Clock::Duration(kNoLimit)
                                 : Clock::Duration(std::chrono::milliseconds(milliseconds));
            clock.waitUntil(mutex_, arrived_, clock.now() + limit,
                            [this]() TAVRO_REQUIRES(mutex_) { return !queue_.empty() || gone_; });
        }
        if (queue_.empty()) return gone_ ? -1 : 0;
        std::vector<uint8_t> report = std::move(queue_.front());
        queue_.pop_front();
        const size_t count = std::min(length, report.size());
        std::memcpy(data, report.data(), count);
        return static_cast<int>(count);
    }

    void setNonblocking(bool nonblocking) {
        foundation::MutexLock lock(mutex_);
        nonblocking_ = nonblocking;
    }

  private:
    HIDBus& bus_;
    const BusDevicePtr device_;
    foundation::Mutex mutex_;
    foundation::ConditionVariable arrived_;
    std::deque<std::vector<uint8_t>> queue_ TAVRO_GUARDED_BY(mutex_);
    bool gone_ TAVRO_GUARDED_BY(mutex_) = false;
    bool nonblocking_ TAVRO_GUARDED_BY(mutex_) = false;
    // Last, so the listeners go before the state they reach.
    foundation::Subscription inputListener_;
    foundation::Subscription busListener_;
};

class SimulatedHidApi final : public HidApi {
  public:
    explicit SimulatedHidApi(HIDBus& bus) : bus_(bus) {}

    int hid_init() override { return 0; }
    int hid_exit() override { return 0; }

    HidDeviceInfo* hid_enumerate(uint16_t vendor_id, uint16_t product_id) override {
        HidDeviceInfo* first = nullptr;
        HidDeviceInfo** tail = &first;
        for (const BusDevicePtr& device : bus_.devices()) {
            const auto vendor = static_cast<uint16_t>(device->property("VendorID").asInt64());
            const auto product = static_cast<uint16_t>(device->property("ProductID").asInt64());
            if ((vendor_id && vendor != vendor_id) || (product_id && product != product_id)) {
                continue;
            }
            auto* info = new HidDeviceInfo;
            info->path = busPath(*device);
            info->vendor_id = vendor;
            info->product_id = product;
            const foundation::Value name = device->property("Product");
            if (name.isText()) info->product_string = name.text();
            const foundation::Value interface = device->property("InterfaceNumber");
            info->interface_number =
                interface.isNumber() ? static_cast<int>(interface.asInt64()) : 0;
            *tail = info;
            tail = &info->next;
        }
        return first;
    }

    HidDeviceHandle* hid_open_path(const char* path) override {
        if (!path) return nullptr;
        for (const BusDevicePtr& device : bus_.devices()) {
            if (busPath(*device) == path) return new SimDevice(bus_, device);
        }
        setError("no device at " + std::string(path));
        return nullptr;
    }

    int hid_set_nonblocking(HidDeviceHandle* device, int nonblock) override {
        auto* sim = dynamic_cast<SimDevice*>(device);
        if (!sim) return -1;
        sim->setNonblocking(nonblock != 0);
        return 0;
    }

    int hid_write(HidDeviceHandle* device, const unsigned char* data, size_t length) override {
        auto* sim = dynamic_cast<SimDevice*>(device);
        return sim ? sim->write(data, length) : -1;
    }

    int hid_read_timeout(HidDeviceHandle* device, unsigned char* data, size_t length,
                         int milliseconds) override {
        auto* sim = dynamic_cast<SimDevice*>(device);
        return sim ? sim->read(data, length, milliseconds) : -1;
    }

    void hid_close(HidDeviceHandle* device) override { delete device; }

    std::string hid_error(HidDeviceHandle*) override { return error_.get(); }

  private:
    void setError(std::string text) { error_.set(std::move(text)); }

    HIDBus& bus_;
    foundation::Guarded<std::string> error_;
};

}  // namespace

std::shared_ptr<hid::HidApi> makeSimulatedHidApi(hid::HIDBus& bus) {
    return std::make_shared<SimulatedHidApi>(bus);
}

}  // namespace platform::sim
