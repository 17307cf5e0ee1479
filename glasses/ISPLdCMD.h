#pragma once
// The command layer of the bootloader link: numbered, checksummed requests and the replies
// that echo them; the bootloader queries; the firmware file loader; and the programming of
// the application flash (APROM) block by block, reported to an IProgramFlashCallback.
// One object serves one update run: constructed, callback set, port opened, model asked
// for, file loaded, image programmed. Nothing is retried: a reply that does not come or
// does not match ends the operation that asked for it, and marks the object failed until
// its port is closed.
//
// Blocking; used by one thread at a time (the update run's). Replies are awaited up to
// 5 s for queries and 25 s for programming packets. Programming stops between two packets,
// as a failure, once the application quits.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "glasses/FirmwareFile.h"
#include "glasses/HIDMonitorData.h"
#include "glasses/HidIO.h"
#include "glasses/IProgramFlashCallback.h"
#include "glasses/IspPacket.h"
#include "platform/foundation/Result.h"

// What the free-standing form of the loader fills in.
struct FirmwareFileInfo {
    int32_t versionLength = 0;
    std::array<char, kFirmwareVersionLimit> version{};
    uint32_t checksum = 0;
    int64_t imageLength = 0;
    std::vector<uint8_t> image;
};

class ISPLdCMD {
  public:
    static constexpr uint16_t kVendorId = kBootloaderDevice.vendorId;
    static constexpr uint16_t kProductId = kBootloaderDevice.productId;
    static constexpr int kInterface = 0;
    static constexpr int kQueryTimeoutMs = 5000;
    static constexpr int kProgramTimeoutMs = 25000;
    static constexpr uint32_t kApromSize = 0x78000;

    ISPLdCMD();
    virtual ~ISPLdCMD();
    ISPLdCMD(const ISPLdCMD&) = delete;
    ISPLdCMD& operator=(const ISPLdCMD&) = delete;

    void setCallback(IProgramFlashCallback* callback) { callback_ = callback; }

    bool openPort();
    // Closes the device and drops the transport; clears the port-open and failed flags.
    void closePort();
    bool isPortOpen() const { return portOpen_; }
    bool hasFailed() const { return failed_; }

    bool send(uint32_t command, const uint8_t* data, size_t length, int timeoutMs);
    bool receive(uint8_t* out, size_t wanted, int timeoutMs, bool checkNumber);
    void synchronise();

    uint8_t GetBlVersion();
    // `version` receives the 64-byte version field (no terminator when it is full).
    bool UpdateFileInfo(const std::string& path, std::array<char, kFirmwareVersionLimit>& version,
                        bool withHeader);
    bool updateBlock(uint32_t startAddress, uint32_t imageLength, uint32_t position,
                     const uint8_t* bytes, uint32_t* count);
    void programAprom();

    // Queries and commands the updater does not use.
    uint8_t GetProductId();
    uint32_t getDeviceIdWord();
    uint8_t getVersionByte();
    bool ReadConfig(uint8_t* config);
    bool writeConfig(const uint8_t* config, uint8_t* readBack);
    bool requestResend();
    bool runAprom();
    void setMemorySizes(uint32_t apromSize, uint32_t secondAprom, uint32_t dataFlash);
    static int32_t signedSum(const uint8_t* bytes, size_t length);
    static bool UpdateFileInfo(const std::string& path, FirmwareFileInfo& info);

    const std::vector<uint8_t>& image() const { return image_; }
    uint32_t imageChecksum() const { return computedChecksum_; }
    uint32_t m_uAPROM_Size = 0;

  private:
    uint8_t queryDeviceId(const char* trace, size_t firstByte, uint32_t* word);
    // The file's bytes; a file beyond the loader's size limit is read only that far.
    static platform::foundation::Result<std::vector<uint8_t>> readFile(const std::string& path);

    std::unique_ptr<HidIO> transport_;
    int32_t versionLength_ = 0;
    std::array<char, kFirmwareVersionLimit> version_{};
    uint32_t expectedChecksum_ = 0;
    int64_t imageLength_ = 0;
    uint32_t computedChecksum_ = 0;
    std::vector<uint8_t> image_;
    IProgramFlashCallback* callback_ = nullptr;
    isp::Packet packet_{};
    uint32_t packetNumber_ = 0;
    uint16_t requestChecksum_ = 0;
    bool portOpen_ = false;
    bool readError_ = false;
    uint32_t startAddress_ = 0;
    uint32_t secondApromSize_ = 0;
    uint32_t dataFlashSize_ = 0;
    bool failed_ = false;
};
