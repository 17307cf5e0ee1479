#pragma once
// The glasses' microcontroller in its firmware-update bootloader, as a HID device of the
// simulated USB bus (0x0416:0x3F00, interface 0). It speaks the in-system-programming
// protocol: 64-byte requests (command, packet number, data) answered by 64-byte replies
// that echo the request's byte-sum checksum and carry the packet number plus one; it keeps
// the 0x78000-byte APROM, answers the version query with the glasses model, writes the
// image the programming packets carry, and on the run command leaves the bus and hands the
// written image to its run handler.
//
// Faults a test injects hit the reply to a chosen request: no reply, a wrong checksum, the
// packet number of an earlier request, a short reply, or the device leaving the bus.
//
// Thread-safe: requests arrive and are answered on the writer's thread; faults and the
// APROM may be set and read from any thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualHidDevice.h"

namespace platform::sim {

enum class BootloaderFault { NoReply, WrongChecksum, WrongPacketNumber, ShortReply, Unplug };

class VirtualBootloader : public VirtualHidDevice {
  public:
    static constexpr uint32_t kApromSize = 0x78000;
    // The device's own identity, kept here as the hardware carries it: the application's
    // copy is in its table of watched devices, and the two meet only on the bus, as a
    // separate device and its host do (the platform never includes the application).
    static constexpr int64_t kVendorId = 0x0416;
    static constexpr int64_t kProductId = 0x3F00;

    explicit VirtualBootloader(uint8_t model, SimUsbBus& bus = SimUsbBus::shared());

    uint8_t model() const { return model_; }

    // The fault hits the reply to the request `skip` requests from now that carries
    // `command` (any command when none is given). Faults wait in the order injected.
    void injectFault(BootloaderFault fault, std::optional<uint32_t> command = std::nullopt,
                     uint32_t skip = 0);
    void clearFaults();

    // Called on the writer's thread after the run command, once the bootloader has left
    // the bus, with the image written when its programming was complete (else empty). It
    // must only queue work.
    using RunHandler = std::function<void(std::vector<uint8_t> image)>;
    void setRunHandler(RunHandler handler);

    std::vector<uint8_t> aprom() const;
    // Bytes written by the current programming run, and whether it carried a whole image.
    size_t bytesProgrammed() const;
    bool programmingComplete() const;
    uint64_t requestCount() const;

  protected:
    void handleOutputReport(uint8_t reportId, std::span<const uint8_t> report) override;

  private:
    struct PendingFault {
        BootloaderFault fault;
        std::optional<uint32_t> command;
        uint32_t skip;
    };
    using Packet = std::array<uint8_t, 64>;

    std::optional<BootloaderFault> takeFault(uint32_t command);
    // Carries out the command; false when it has no reply.
    bool perform(uint32_t command, std::span<const uint8_t> data, Packet& reply);
    void program(std::span<const uint8_t> bytes);
    void leaveBus(bool run);

    const uint8_t model_;
    SimUsbBus& bus_;
    mutable foundation::Mutex stateMutex_;
    std::vector<uint8_t> aprom_ TAVRO_GUARDED_BY(stateMutex_);
    std::vector<PendingFault> faults_ TAVRO_GUARDED_BY(stateMutex_);
    RunHandler runHandler_ TAVRO_GUARDED_BY(stateMutex_);
    uint32_t programStart_ TAVRO_GUARDED_BY(stateMutex_) = 0;
    uint32_t programLength_ TAVRO_GUARDED_BY(stateMutex_) = 0;
    size_t programmed_ TAVRO_GUARDED_BY(stateMutex_) = 0;
    uint64_t requests_ TAVRO_GUARDED_BY(stateMutex_) = 0;
};

}  // namespace platform::sim
