#pragma once
// Virtual glasses on the simulated USB bus, command side: they answer the firmware-version
// request with their tag and IMU identifier, the bias-entry requests with factory and user
// entries, the offset request and the wear-threshold request; they keep the user entries
// and immersion value sent to them; they report display-status and immersion changes on
// demand; and they stream IMU samples at a chosen rate while the stream is on. On the
// bootloader-entry command they leave the bus and, after a short delay, their bootloader
// joins it; when it runs a completely written image they come back with the version that
// image carries.
//
// Thread-safe: commands arrive on the sender's thread and are answered there; the IMU
// stream runs on a thread of its own, paced by the platform clock.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/foundation/Guarded.h"
#include "platform/foundation/Mutex.h"
#include "platform/sim/VirtualBootloader.h"
#include "platform/sim/VirtualHidDevice.h"

namespace platform::sim {

struct BiasEntry {
    float temperature = 0;
    float x = 0;
    float y = 0;
    float z = 0;
};

struct VirtualGlassesConfig {
    VirtualHidIdentity identity;
    int generation = 2;           // IMU sample format: 1 quaternion floats, 2 raw 16-bit values
    std::string firmwareVersion;  // the bytes the glasses send as their version text
    uint8_t imuId = 'p';
    std::array<BiasEntry, 6> factoryBias{};
    std::array<BiasEntry, 6> userBias{};
    // In the order of the reply's fields at 16, 24, 32, 40, 44 and 48.
    std::array<float, 6> imuOffsets{};
    uint16_t wearThresholdFirst = 62;
    uint16_t wearThresholdSecond = 68;
    uint8_t bootloaderModel = 1;  // what their bootloader answers to the version query
};

class VirtualGlasses : public VirtualHidDevice {
  public:
    static VirtualGlassesConfig firstGeneration();
    // Second-generation glasses with one of their product identifiers.
    static VirtualGlassesConfig secondGeneration(int64_t vendorId = 0x0483,
                                                 int64_t productId = 0x8001);
    static VirtualGlassesConfig secondGenerationPro();

    explicit VirtualGlasses(VirtualGlassesConfig config);
    ~VirtualGlasses() override;

    const VirtualGlassesConfig& config() const { return config_; }
    // The configured version until a firmware update writes another.
    std::string firmwareVersion() const { return firmwareVersion_.get(); }
    // The bootloader they restart into (on the shared simulated bus); tests inject its
    // faults before sending the entry command.
    const std::shared_ptr<VirtualBootloader>& bootloader() const { return bootloader_; }
    // Clock time between leaving the bus and the next device joining it.
    static constexpr double kRestartSeconds = 0.5;
    // Takes the glasses and their bootloader off the bus, and drops every restart still
    // pending (their bootloader about to join, the glasses about to come back from an
    // update), so that nothing joins the bus later. The machine they were plugged into
    // calls it as it goes.
    void retire();

    // Reports sent as the glasses would on their own.
    void reportDisplayStatus(uint16_t status);
    void reportImmersionChange(uint8_t value);

    // IMU samples per second while the stream is on; 0 stops streaming.
    void setImuRate(double samplesPerSecond);
    bool imuStreamOn() const;
    uint64_t imuSamplesSent() const;

    uint8_t immersion() const { return immersion_.load(); }
    BiasEntry userBiasEntry(size_t index) const;

  protected:
    void handleOutputReport(uint8_t reportId, std::span<const uint8_t> report) override;
    // The bootloader-entry command: the glasses leave the bus for their bootloader.
    virtual void enterBootloader();

  private:
    void answerBiasRequest(std::span<const uint8_t> request);
    void sendReply(uint16_t command, uint16_t subcommand, std::array<uint8_t, 64>& reply);
    void streamImu();
    void sendImuSample(uint64_t index);
    void restartFrom(const std::vector<uint8_t>& image, uint64_t restart);
    // Plugs `device` in unless the glasses were retired since `restart` was current.
    void rejoin(const std::shared_ptr<VirtualHidDevice>& device, uint64_t restart);

    const VirtualGlassesConfig config_;
    mutable foundation::Mutex mutex_;
    foundation::ConditionVariable streamChanged_;
    std::array<BiasEntry, 6> userBias_ TAVRO_GUARDED_BY(mutex_);
    bool streamOn_ TAVRO_GUARDED_BY(mutex_) = true;
    double imuRate_ TAVRO_GUARDED_BY(mutex_) = 0;
    bool stopping_ TAVRO_GUARDED_BY(mutex_) = false;
    uint64_t samplesSent_ TAVRO_GUARDED_BY(mutex_) = 0;
    std::thread streamThread_;
    foundation::Guarded<std::string> firmwareVersion_;
    std::atomic<uint8_t> immersion_{0};
    const std::shared_ptr<VirtualBootloader> bootloader_;
    // Held while a pending restart plugs a device in, so that retire() waits for it.
    foundation::Mutex restartMutex_;
    uint64_t restarts_ TAVRO_GUARDED_BY(restartMutex_) = 0;  // advanced by retire()
};

// A wake device (0x0483:0x6001 or 0x1234:0x5678): it sends what it is told and answers
// nothing.
std::shared_ptr<VirtualHidDevice> makeWakeDevice(int64_t vendorId = 0x0483,
                                                 int64_t productId = 0x6001);

}  // namespace platform::sim
