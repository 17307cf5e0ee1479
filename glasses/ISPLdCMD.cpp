#include "glasses/ISPLdCMD.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

// Firmware files are a header and an image of at most a few hundred kilobytes; a larger
// file is read only this far (its image then reads as short).
constexpr std::streamsize kFileReadLimit = 64 << 20;

}  // namespace

ISPLdCMD::ISPLdCMD() : transport_(std::make_unique<HidIO>()) {}

ISPLdCMD::~ISPLdCMD() = default;

bool ISPLdCMD::openPort() {
    if (!transport_) transport_ = std::make_unique<HidIO>();
    portOpen_ = transport_->open(kVendorId, kProductId, kInterface);
    return portOpen_;
}

void ISPLdCMD::closePort() {
    if (transport_) transport_->close();
    transport_.reset();
    portOpen_ = false;
    failed_ = false;
}

bool ISPLdCMD::send(uint32_t command, const uint8_t* data, size_t length, int) {
    if (!portOpen_ || !transport_) return false;
    packet_.fill(0);
    isp::putU32(packet_, isp::kRequestCommandOffset, command);
    isp::putU32(packet_, isp::kRequestNumberOffset, packetNumber_);
    if (data && length > 0) {
        std::memcpy(packet_.data() + isp::kRequestDataOffset, data,
                    std::min(length, isp::kRequestDataSize));
    }
    requestChecksum_ = isp::checksum16(packet_);
    if (!transport_->write(packet_.data(), packet_.size())) {
        std::printf("\n failed,close port!!!");
        return false;
    }
    packetNumber_ += 2;
    return true;
}

bool ISPLdCMD::receive(uint8_t* out, size_t wanted, int timeoutMs, bool checkNumber) {
    readError_ = false;
    if (!portOpen_ || !transport_) {
        std::printf("There is no ISP device connected to a USB port.");
        failed_ = true;
        return false;
    }
    packet_.fill(0);
    int length = 0;
    if (!transport_->read(packet_.data(), isp::kReplySize, &length, timeoutMs)) {
        failed_ = true;
        return false;
    }
    const std::span<const uint8_t> reply(packet_.data(), static_cast<size_t>(length));
    const bool matches =
        reply.size() >= isp::kReplyHeaderSize &&
        (!checkNumber || isp::u32At(reply, isp::kReplyNumberOffset) == packetNumber_ - 1) &&
        static_cast<uint16_t>(reply[0] | reply[1] << 8) == requestChecksum_;
    if (!matches) {
        readError_ = true;
        failed_ = true;
        std::printf("\n读取数据错误...");
        return false;
    }
    if (out) {
        const size_t count = std::min(reply.size() - isp::kReplyHeaderSize, wanted);
        std::memcpy(out, packet_.data() + isp::kReplyDataOffset, count);
    }
    return true;
}

void ISPLdCMD::synchronise() {
    if (!transport_) {
        std::printf("\n\nCheck usb connection!");
        return;
    }
    packetNumber_ = 1;
    uint8_t data[4];
    isp::putU32(data, 0, packetNumber_);
    send(isp::kCmdSyncPackno, data, sizeof data, kQueryTimeoutMs);
    receive(nullptr, 0, kQueryTimeoutMs, false);
}

uint8_t ISPLdCMD::queryDeviceId(const char* trace, size_t firstByte, uint32_t* word) {
    std::printf("%s", trace);
    synchronise();
    send(isp::kCmdGetDeviceId, nullptr, 0, kQueryTimeoutMs);
    uint8_t data[32] = {};
    receive(data, sizeof data, kQueryTimeoutMs, true);
    if (word) *word = isp::u32At(data, 0);
    std::printf("\nBL %d,%d,%d,%d", data[firstByte], data[firstByte + 1], data[firstByte + 2],
                data[firstByte + 3]);
    return data[firstByte];
}

uint8_t ISPLdCMD::GetBlVersion() {
    return queryDeviceId("\n\nGetBlVersion...", 4, nullptr);
}

uint8_t ISPLdCMD::GetProductId() {
    if (!transport_) {
        std::printf("\n\nGetProductId...\n\nCheck usb connection!");
        return 2;
    }
    return queryDeviceId("\n\nGetProductId...", 5, nullptr);
}

uint32_t ISPLdCMD::getDeviceIdWord() {
    uint32_t word = 0;
    queryDeviceId("", 0, &word);
    return word;
}

uint8_t ISPLdCMD::getVersionByte() {
    synchronise();
    send(isp::kCmdGetVersion, nullptr, 0, kQueryTimeoutMs);
    uint8_t version = 0;
    receive(&version, 1, kQueryTimeoutMs, true);
    return version;
}

bool ISPLdCMD::ReadConfig(uint8_t* config) {
    std::printf("\n---------ReadConfig----------");
    synchronise();
    const bool read = send(isp::kCmdReadConfig, nullptr, 0, kQueryTimeoutMs) &&
                      receive(config, 16, kQueryTimeoutMs, true);
    std::printf("\n---------ReadConfig done....----------");
    return read;
}

bool ISPLdCMD::writeConfig(const uint8_t* config, uint8_t* readBack) {
    synchronise();
    return send(isp::kCmdUpdateConfig, config, 16, kProgramTimeoutMs) &&
           receive(readBack, 16, kProgramTimeoutMs, true);
}

bool ISPLdCMD::requestResend() {
    return send(isp::kCmdResend, nullptr, 0, kProgramTimeoutMs) &&
           receive(nullptr, 0, kProgramTimeoutMs, false);
}

bool ISPLdCMD::runAprom() {
    return send(isp::kCmdRunAprom, nullptr, 0, kProgramTimeoutMs);
}

void ISPLdCMD::setMemorySizes(uint32_t apromSize, uint32_t secondAprom, uint32_t dataFlash) {
    m_uAPROM_Size = apromSize;
    secondApromSize_ = secondAprom;
    dataFlashSize_ = dataFlash;
}

int32_t ISPLdCMD::signedSum(const uint8_t* bytes, size_t length) {
    uint32_t sum = 0;  // wraps as the 32-bit sum does, without signed overflow
    for (size_t i = 0; bytes && i < length; ++i) {
        sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(bytes[i])));
    }
    return static_cast<int32_t>(sum);
}

platform::foundation::Result<std::vector<uint8_t>> ISPLdCMD::readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return platform::foundation::Error{"ISPLdCMD", 1, "cannot open " + path};
    const std::streamsize size = std::min<std::streamsize>(file.tellg(), kFileReadLimit);
    file.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max<std::streamsize>(size, 0)));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(file.gcount()));
    return bytes;
}
