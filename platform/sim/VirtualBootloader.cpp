#include "platform/sim/VirtualBootloader.h"

#include <algorithm>
#include <array>

#include "platform/foundation/Mutex.h"

namespace platform::sim {
namespace {

constexpr uint32_t kSync = 0xA4;
constexpr uint32_t kVersion = 0xB1;
constexpr uint32_t kFirstPacket = 0xA0;
constexpr uint32_t kContinuation = 0x00;
constexpr uint32_t kRunAprom = 0xAB;
constexpr uint32_t kVersionByte = 0xA6;
constexpr uint32_t kReadConfig = 0xA2;
constexpr uint32_t kWriteConfig = 0xA1;

constexpr size_t kRequestDataOffset = 8;
constexpr size_t kFirstPacketImageBytes = 48;
constexpr size_t kContinuationImageBytes = 56;
// The host takes reply data from one byte past the data field.
constexpr size_t kReplyDataOffset = 9;
constexpr size_t kShortReplyLength = 32;
constexpr uint8_t kBootloaderVersion = 0x23;
constexpr uint32_t kChipProductId = 0x00235100;

uint32_t u32At(std::span<const uint8_t> bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
        value |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

template <size_t N>
void putU32(std::array<uint8_t, N>& packet, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) packet[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

VirtualBootloader::VirtualBootloader(uint8_t model, SimUsbBus& bus)
    : VirtualHidDevice({kVendorId, kProductId, "ISP HID", 64, 0x0100}),
      model_(model),
      bus_(bus),
      aprom_(kApromSize, 0xFF) {
    setProperty("InterfaceNumber", int64_t{0});
}

void VirtualBootloader::injectFault(BootloaderFault fault, std::optional<uint32_t> command,
                                    uint32_t skip) {
    foundation::MutexLock lock(stateMutex_);
    faults_.push_back({fault, command, skip});
}

void VirtualBootloader::clearFaults() {
    foundation::MutexLock lock(stateMutex_);
    faults_.clear();
}

void VirtualBootloader::setRunHandler(RunHandler handler) {
    foundation::MutexLock lock(stateMutex_);
    runHandler_ = std::move(handler);
}

std::vector<uint8_t> VirtualBootloader::aprom() const {
    foundation::MutexLock lock(stateMutex_);
    return aprom_;
}

size_t VirtualBootloader::bytesProgrammed() const {
    foundation::MutexLock lock(stateMutex_);
    return programmed_;
}

bool VirtualBootloader::programmingComplete() const {
    foundation::MutexLock lock(stateMutex_);
    return programLength_ > 0 && programmed_ == programLength_;
}

uint64_t VirtualBootloader::requestCount() const {
    foundation::MutexLock lock(stateMutex_);
    return requests_;
}

std::optional<BootloaderFault> VirtualBootloader::takeFault(uint32_t command) {
    foundation::MutexLock lock(stateMutex_);
    ++requests_;
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->command && *it->command != command) continue;
        if (it->skip > 0) {
            --it->skip;
            return std::nullopt;
        }
        const BootloaderFault fault = it->fault;
        faults_.erase(it);
        return fault;
    }
    return std::nullopt;
}

void VirtualBootloader::handleOutputReport(uint8_t, std::span<const uint8_t> report) {
    const uint32_t command = u32At(report, 0);
    const uint32_t number = u32At(report, 4);
    uint32_t checksum = 0;
    for (uint8_t byte : report) checksum += byte;
    const std::span<const uint8_t> data = report.size() > kRequestDataOffset
                                              ? report.subspan(kRequestDataOffset)
                                              : std::span<const uint8_t>();

    const std::optional<BootloaderFault> fault = takeFault(command);
    if (fault == BootloaderFault::Unplug) {
        leaveBus(false);
        return;
    }
    Packet reply{};
    if (!perform(command, data, reply)) return;
    if (fault == BootloaderFault::NoReply) return;

    reply[0] = static_cast<uint8_t>(checksum + (fault == BootloaderFault::WrongChecksum ? 1 : 0));
    reply[1] = static_cast<uint8_t>(checksum >> 8);
    putU32(reply, 4, fault == BootloaderFault::WrongPacketNumber ? number - 1 : number + 1);
    const size_t length = fault == BootloaderFault::ShortReply ? kShortReplyLength : reply.size();
    sendInput(std::span<const uint8_t>(reply.data(), length));
}

bool VirtualBootloader::perform(uint32_t command, std::span<const uint8_t> data, Packet& reply) {
    switch (command) {
        case kVersion: {
            reply[kReplyDataOffset] = kBootloaderVersion;
            reply[kReplyDataOffset + 4] = model_;
            for (size_t i = 0; i < 4; ++i) {
                reply[kReplyDataOffset + 5 + i] = static_cast<uint8_t>(kChipProductId >> (8 * i));
            }
            return true;
        }
        case kVersionByte:
            reply[kReplyDataOffset] = kBootloaderVersion;
            return true;
        case kReadConfig:
        case kWriteConfig:
            std::fill_n(reply.begin() + kReplyDataOffset, 16, 0xFF);
            return true;
        case kFirstPacket: {
            {
                foundation::MutexLock lock(stateMutex_);
                programStart_ = u32At(data, 0);
                programLength_ = u32At(data, 4);
                programmed_ = 0;
            }
            const auto image = data.size() > 8 ? data.subspan(8) : std::span<const uint8_t>();
            program(image.first(std::min(kFirstPacketImageBytes, image.size())));
            return true;
        }
        case kContinuation:
            program(data.first(std::min(kContinuationImageBytes, data.size())));
            return true;
        case kRunAprom:
            leaveBus(true);
            return false;
        case kSync:
        default:
            return true;
    }
}

void VirtualBootloader::program(std::span<const uint8_t> bytes) {
    foundation::MutexLock lock(stateMutex_);
    const size_t remaining = programLength_ - std::min<size_t>(programmed_, programLength_);
    const size_t count = std::min(bytes.size(), remaining);
    for (size_t i = 0; i < count; ++i) {
        const uint64_t address = uint64_t{programStart_} + programmed_ + i;
        if (address < aprom_.size()) aprom_[address] = bytes[i];
    }
    programmed_ += count;
}

void VirtualBootloader::leaveBus(bool run) {
    bus_.unplug(std::static_pointer_cast<VirtualHidDevice>(shared_from_this()));
    if (!run) return;
    RunHandler handler;
    std::vector<uint8_t> image;
    {
        foundation::MutexLock lock(stateMutex_);
        handler = runHandler_;
        const bool complete = programLength_ > 0 && programmed_ == programLength_ &&
                              uint64_t{programStart_} + programLength_ <= aprom_.size();
        if (complete) {
            image.assign(aprom_.begin() + programStart_,
                         aprom_.begin() + programStart_ + programLength_);
        }
    }
    if (handler) handler(std::move(image));
}

}  // namespace platform::sim
