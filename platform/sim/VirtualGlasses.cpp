#include "platform/sim/VirtualGlasses.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Mutex.h"

namespace platform::sim {
namespace {

using Frame = std::array<uint8_t, 64>;

uint16_t u16At(std::span<const uint8_t> bytes, size_t offset) {
    return offset + 2 <= bytes.size()
               ? static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8)
               : 0;
}

void putU16(Frame& frame, size_t offset, uint16_t value) {
    frame[offset] = static_cast<uint8_t>(value);
    frame[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void putF32(Frame& frame, size_t offset, float value) {
    uint32_t raw = std::bit_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) frame[offset + i] = static_cast<uint8_t>(raw >> (8 * i));
}

float f32At(std::span<const uint8_t> bytes, size_t offset) {
    if (offset + 4 > bytes.size()) return 0;
    uint32_t raw = 0;
    for (size_t i = 0; i < 4; ++i) raw |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    return std::bit_cast<float>(raw);
}

constexpr uint16_t kCommandKind = 0x0040;
constexpr uint16_t kImuKind = 0x0020;
// How long an idle stream sleeps before it looks again (it is woken on every change).
constexpr auto kIdleWait = std::chrono::hours(1);

VirtualGlassesConfig glassesConfig(int64_t vendorId, int64_t productId, int generation,
                                   std::string version, uint8_t imuId) {
    VirtualGlassesConfig config;
    config.identity = {vendorId, productId, "TAVRO Glass", 64, 0x0100};
    config.generation = generation;
    config.firmwareVersion = std::move(version);
    config.imuId = imuId;
    for (size_t i = 0; i < 6; ++i) {
        const float step = static_cast<float>(i);
        config.factoryBias[i] = {20.0f + 5 * step, 0.01f * (step + 1), -0.02f, 0.03f};
    }
    config.imuOffsets = {0.1f, -0.2f, 9.8f, 0.001f, 0.002f, -0.003f};
    return config;
}

}  // namespace

VirtualGlassesConfig VirtualGlasses::firstGeneration() {
    return glassesConfig(0x0483, 0x5750, 1, "TAVRO_FW_V1.40", 'C');
}

VirtualGlassesConfig VirtualGlasses::secondGeneration(int64_t vendorId, int64_t productId) {
    return glassesConfig(vendorId, productId, 2, "TAVRO2_FW_V1.65", 'p');
}

VirtualGlassesConfig VirtualGlasses::secondGenerationPro() {
    VirtualGlassesConfig config = glassesConfig(0x0483, 0x8001, 2, "TAVRO2PRO_FW_V1.53", 'p');
    config.bootloaderModel = 2;
    return config;
}

VirtualGlasses::VirtualGlasses(VirtualGlassesConfig config)
    : VirtualHidDevice(config.identity),
      config_(std::move(config)),
      userBias_(config_.userBias),
      firmwareVersion_(config_.firmwareVersion),
      bootloader_(std::make_shared<VirtualBootloader>(config_.bootloaderModel)) {
    streamThread_ = std::thread([this] { streamImu(); });
}

VirtualGlasses::~VirtualGlasses() {
    {
        foundation::MutexLock lock(mutex_);
        stopping_ = true;
    }
    streamChanged_.notify_all();
    streamThread_.join();
    if (SimUsbBus::shared().isPlugged(*bootloader_)) SimUsbBus::shared().unplug(bootloader_);
}

void VirtualGlasses::handleOutputReport(uint8_t, std::span<const uint8_t> report) {
    if (u16At(report, 0) != kCommandKind) return;
    const uint16_t command = u16At(report, 8);
    const uint16_t subcommand = u16At(report, 10);
    Frame reply{};
    switch (command << 16 | subcommand) {
        case 0x0008'0001: {
            const std::string version = firmwareVersion();
            const size_t length = std::min<size_t>(version.size(), 37);
            putU16(reply, 12, static_cast<uint16_t>(length));
            std::copy_n(version.begin(), length, reply.begin() + 14);
            reply[51] = config_.imuId;
            sendReply(8, 1, reply);
            break;
        }
        case 0x000C'0004:
            for (size_t i = 0; i < 6; ++i) {
                static constexpr size_t kOffsets[6] = {16, 24, 32, 40, 44, 48};
                putF32(reply, kOffsets[i], config_.imuOffsets[i]);
            }
            sendReply(0x0C, 4, reply);
            break;
        case 0x000C'0006:
            answerBiasRequest(report);
            break;
        case 0x000C'0005: {
            const size_t index = report.size() > 16 ? report[16] : 6;
            if (index < 6) {
                foundation::MutexLock lock(mutex_);
                userBias_[index] = {f32At(report, 20), f32At(report, 24), f32At(report, 28),
                                    f32At(report, 32)};
            }
            break;
        }
        case 0x000C'0001: {
            {
                foundation::MutexLock lock(mutex_);
                streamOn_ = report.size() > 12 && report[12] != 0;
            }
            streamChanged_.notify_all();
            break;
        }
        case 0x0005'0002:
            putU16(reply, 14, config_.wearThresholdFirst);
            putU16(reply, 16, config_.wearThresholdSecond);
            sendReply(5, 2, reply);
            break;
        case 0x0001'0009:
            if (report.size() > 12) immersion_ = report[12];
            break;
        case 0x0009'0000:
            enterBootloader();
            break;
        default:
            break;
    }
}

void VirtualGlasses::answerBiasRequest(std::span<const uint8_t> request) {
    if (request.size() < 15) return;
    const uint8_t type = request[12];
    const uint8_t offset = request[13];
    const bool factory = type == 1;
    const size_t index = offset / (factory ? 16 : 20);
    BiasEntry entry;
    if (index < 6) {
        foundation::MutexLock lock(mutex_);
        entry = factory ? config_.factoryBias[index] : userBias_[index];
    }
    Frame reply{};
    reply[12] = factory ? 1 : 2;
    reply[13] = offset;
    reply[14] = request[14];
    const size_t first = factory ? 16 : 20;
    putF32(reply, first, entry.temperature);
    putF32(reply, first + 4, entry.x);
    putF32(reply, first + 8, entry.y);
    putF32(reply, first + 12, entry.z);
    sendReply(0x0C, 6, reply);
}

void VirtualGlasses::sendReply(uint16_t command, uint16_t subcommand, Frame& reply) {
    putU16(reply, 0, kCommandKind);
    putU16(reply, 8, command);
    putU16(reply, 10, subcommand);
    sendInput(reply);
}

void VirtualGlasses::reportDisplayStatus(uint16_t status) {
    Frame reply{};
    putU16(reply, 12, status);
    sendReply(0x10, 7, reply);
}

void VirtualGlasses::reportImmersionChange(uint8_t value) {
    immersion_ = value;
    Frame reply{};
    reply[12] = value;
    sendReply(2, 9, reply);
}

void VirtualGlasses::setImuRate(double samplesPerSecond) {
    {
        foundation::MutexLock lock(mutex_);
        imuRate_ = std::max(0.0, samplesPerSecond);
    }
    streamChanged_.notify_all();
}

bool VirtualGlasses::imuStreamOn() const {
    foundation::MutexLock lock(mutex_);
    return streamOn_;
}

uint64_t VirtualGlasses::imuSamplesSent() const {
    foundation::MutexLock lock(mutex_);
    return samplesSent_;
}

BiasEntry VirtualGlasses::userBiasEntry(size_t index) const {
    foundation::MutexLock lock(mutex_);
    return index < userBias_.size() ? userBias_[index] : BiasEntry{};
}

void VirtualGlasses::streamImu() {
    using foundation::Clock;
    foundation::MutexLock lock(mutex_);
    auto clock = Clock::currentShared();
    auto next = clock->now();
    while (!stopping_) {
        // A clock replaced meanwhile restarts the cadence on the new clock's time.
        if (auto current = Clock::currentShared(); current != clock) {
            clock = std::move(current);
            next = clock->now();
        }
        if (!streamOn_ || imuRate_ <= 0) {
            clock->waitUntil(mutex_, streamChanged_, clock->now() + kIdleWait,
                             [this]() TAVRO_REQUIRES(mutex_) {
                                 return stopping_ || (streamOn_ && imuRate_ > 0);
                             });
            next = clock->now();
            continue;
        }
        next += Clock::fromSeconds(1.0 / imuRate_);
        const double rate = imuRate_;
        const bool changed =
            clock->waitUntil(mutex_, streamChanged_, next, [this, rate]() TAVRO_REQUIRES(mutex_) {
                return stopping_ || !streamOn_ || imuRate_ != rate;
            });
        if (changed || stopping_ || !streamOn_ || imuRate_ != rate) continue;
        // A retired clock ends the wait early: the sample is not due yet.
        if (clock->now() < next) continue;
        const uint64_t index = samplesSent_++;
        lock.unlock();
        sendImuSample(index);
        lock.lock();
    }
}

void VirtualGlasses::sendImuSample(uint64_t index) {
    Frame sample{};
    putU16(sample, 0, kImuKind);
    if (config_.generation == 1) {
        const float angle = static_cast<float>(index % 3600) * 0.001f;
        putF32(sample, 28, std::cos(angle));
        putF32(sample, 32, 0.0f);
        putF32(sample, 36, std::sin(angle));
        putF32(sample, 40, 0.0f);
    } else {
        for (size_t i = 0; i < 7; ++i) {
            putU16(sample, 28 + 2 * i, static_cast<uint16_t>(index + i * 100));
        }
    }
    sendInput(sample);
}

std::shared_ptr<VirtualHidDevice> makeWakeDevice(int64_t vendorId, int64_t productId) {
    return std::make_shared<VirtualHidDevice>(
        VirtualHidIdentity{vendorId, productId, "TAVRO Wakey", 64, 0x0100});
}

}  // namespace platform::sim
