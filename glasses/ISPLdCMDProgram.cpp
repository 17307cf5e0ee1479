// The firmware file loader and the APROM programming of ISPLdCMD.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "glasses/ISPLdCMD.h"
#include "platform/foundation/BackgroundWork.h"

namespace {

std::string versionText(const std::array<char, kFirmwareVersionLimit>& field) {
    return {field.data(), strnlen(field.data(), field.size())};
}

}  // namespace

bool ISPLdCMD::UpdateFileInfo(const std::string& path,
                              std::array<char, kFirmwareVersionLimit>& version, bool withHeader) {
    auto read = readFile(path);
    if (!read) {
        std::printf("\nCan't open %s", path.c_str());
        return false;
    }
    const std::vector<uint8_t>& bytes = *read;
    const FirmwareFile file = parseFirmwareFile(bytes, withHeader);
    auto refuse = [this] {
        if (callback_) callback_->fail(-1);
        return false;
    };
    if (withHeader) {
        std::printf("\n协议总长度:%d", file.headerLength);
        if (file.error == FirmwareFileError::BadHeader) {
            std::printf("\nheader refused: length=%d,fm_len=%d", file.headerLength,
                        file.versionLength);
            return refuse();
        }
        std::printf("\nfm_len=%d", file.versionLength);
        versionLength_ = file.versionLength;
        version_ = file.version;
        version = version_;
    }
    expectedChecksum_ = file.expectedChecksum;
    imageLength_ = file.imageLength;
    std::printf("\nFile size=%d", static_cast<int>(file.imageLength));
    if (file.error == FirmwareFileError::ShortImage) {
        std::printf("ERROR: only %i could be read\n", static_cast<int>(file.imageBytesPresent));
        return refuse();
    }
    const auto image = file.image(bytes);
    image_.assign(image.begin(), image.end());
    if (withHeader) std::printf("\ncks=%d", static_cast<int>(file.computedChecksum));
    if (file.error == FirmwareFileError::ChecksumMismatch) {
        std::printf("Bin error!");
        return refuse();
    }
    computedChecksum_ = file.computedChecksum;
    return true;
}

bool ISPLdCMD::UpdateFileInfo(const std::string& path, FirmwareFileInfo& info) {
    std::printf("\n\nUpdateFileInfo...");
    auto read = readFile(path);
    if (!read) return false;
    const std::vector<uint8_t>& bytes = *read;
    const FirmwareFile file = parseFirmwareFile(bytes, true);
    if (file.error != FirmwareFileError::None) return false;
    info.versionLength = file.versionLength;
    info.version = file.version;
    info.checksum = file.expectedChecksum;
    info.imageLength = file.imageLength;
    const auto image = file.image(bytes);
    info.image.assign(image.begin(), image.end());
    std::printf("\nFimware version=%s", versionText(info.version).c_str());
    std::printf("\ncheckSum=%d,bin_len=%d,st_size=%lu", static_cast<int>(info.checksum),
                static_cast<int>(info.imageLength), static_cast<unsigned long>(bytes.size()));
    return true;
}

bool ISPLdCMD::updateBlock(uint32_t startAddress, uint32_t imageLength, uint32_t position,
                           const uint8_t* bytes, uint32_t* count) {
    const uint32_t remaining = startAddress + imageLength - position;
    uint32_t n = 0;
    bool done = false;
    if (position == startAddress) {
        n = std::min(remaining, isp::kFirstPacketImageBytes);
        uint8_t data[8 + isp::kFirstPacketImageBytes];
        isp::putU32(data, 0, startAddress);
        isp::putU32(data, 4, imageLength);
        std::memcpy(data + 8, bytes, n);
        done = send(isp::kCmdUpdateAprom, data, n + 8, kProgramTimeoutMs) &&
               receive(nullptr, 0, kProgramTimeoutMs, true);
    } else {
        n = std::min(remaining, isp::kContinuationImageBytes);
        done = send(isp::kCmdContinuation, bytes, n, kProgramTimeoutMs) &&
               receive(nullptr, 0, kProgramTimeoutMs, true);
    }
    if (count) *count = done ? n : 0;
    return done;
}

void ISPLdCMD::programAprom() {
    m_uAPROM_Size = kApromSize;
    startAddress_ = 0;
    auto fail = [this](int32_t code) {
        if (callback_) callback_->fail(code);
    };
    const int64_t length = static_cast<int64_t>(image_.size());
    if (uint64_t{startAddress_} + static_cast<uint64_t>(imageLength_ < 0 ? 0 : imageLength_) >
        m_uAPROM_Size) {
        std::printf("内存溢出");
        fail(-4);
        return;
    }
    if (imageLength_ <= 0 || length != imageLength_) {
        std::printf("文件长度不正确需要检查固件...end fileInf.st_size=%lu",
                    static_cast<unsigned long>(std::max<int64_t>(imageLength_, 0)));
        fail(-1);
        return;
    }
    std::printf("\n\n\n\nm_uAPROM_Size=0x%x", m_uAPROM_Size);
    synchronise();
    if (failed_) {
        fail(-2);
        return;
    }
    if (callback_) callback_->progress(0.0f);
    const auto total = static_cast<uint32_t>(length);
    uint32_t position = 0;
    int lastPercent = 0;
    while (position < total) {
        // The application quits: the image stays half written, and the glasses stay in their
        // bootloader, where the next update finds them.
        if (platform::foundation::BackgroundWork::stopping()) {
            std::printf("\nStopped: the application quits");
            break;
        }
        uint32_t written = 0;
        updateBlock(startAddress_, total, startAddress_ + position, image_.data() + position,
                    &written);
        if (readError_) {
            std::printf("\nFlash failed,exit!!!");
            written = 0;
        }
        if (written == 0) {
            std::printf("Flash failed!!!!");
            fail(-5);
            break;
        }
        position += written;
        const int percent = static_cast<int>(static_cast<double>(position) / total * 100.0);
        if (percent > lastPercent) {
            if (callback_) callback_->progress(static_cast<float>(percent));
            lastPercent = percent;
        }
    }
    if (position == total) {
        if (runAprom()) {
            if (callback_) callback_->success();
        } else {
            std::printf("Can't run APRom");
            fail(-2);
        }
    } else {
        fail(-2);
    }
    std::printf("\n------------Stop flash file end----------");
}
