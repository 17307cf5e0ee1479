#include <gtest/gtest.h>

#include <algorithm>

#include "DfuHarness.h"
#include "glasses/ISPLdCMD.h"
#include "glasses/IspPacket.h"
#include "tests/support/DeviceBytes.h"

using namespace test_support;

namespace {

using platform::sim::BootloaderFault;

bool sent(const platform::sim::VirtualBootloader& bootloader, uint32_t command) {
    const auto all = bootloader.outputReports();
    return std::any_of(all.begin(), all.end(),
                       [&](const auto& r) { return isp::u32At(r.bytes, 0) == command; });
}

class BootloaderLinkTest : public DfuTest {
  protected:
    // Loads the image into an opened command layer and programs it.
    void program(ISPLdCMD& command, const std::vector<uint8_t>& image) {
        command.setCallback(&callback_);
        ASSERT_TRUE(command.openPort());
        std::array<char, kFirmwareVersionLimit> version{};
        ASSERT_TRUE(command.UpdateFileInfo(writeImage(image), version, true));
        command.programAprom();
    }
    RecordingCallback callback_;
};

TEST_F(BootloaderLinkTest, HundredByteImageGoesAsFirstPacketAndOneContinuation) {
    auto bootloader = plugBootloader();
    const auto image = pattern(100);
    ISPLdCMD command;
    program(command, image);

    EXPECT_EQ(callback_.progress_, (std::vector<float>{0, 48, 100}));
    EXPECT_EQ(callback_.successes, 1);
    EXPECT_TRUE(callback_.failures.empty());
    const auto requests = bootloader->outputReports();
    ASSERT_EQ(requests.size(), 4u);  // synchronise, first packet, continuation, run
    EXPECT_EQ(requests[0].bytes, frame(64, {{0, {0xA4}}, {4, {1}}, {8, {1}}}));
    EXPECT_EQ(requests[1].bytes,
              frame(64, {{0, {0xA0}}, {4, {3}}, {12, {100}}, {16, firstBytes(image, 48)}}));
    EXPECT_EQ(requests[2].bytes,
              frame(64, {{4, {5}}, {8, Bytes(image.begin() + 48, image.end())}}));
    EXPECT_EQ(requests[3].bytes, frame(64, {{0, {0xAB}}, {4, {7}}}));
    EXPECT_EQ(firstBytes(bootloader->aprom(), 100), image);
    EXPECT_FALSE(platform::sim::SimUsbBus::shared().isPlugged(*bootloader));
}

TEST_F(BootloaderLinkTest, FortyEightByteImageFitsTheFirstPacket) {
    auto bootloader = plugBootloader();
    ISPLdCMD command;
    program(command, pattern(48));
    EXPECT_EQ(callback_.progress_, (std::vector<float>{0, 100}));
    EXPECT_EQ(callback_.successes, 1);
    EXPECT_EQ(bootloader->outputReportCount(), 3u);
}

TEST_F(BootloaderLinkTest, WholeApromIsAcceptedAndOneByteMoreIsRefusedBeforeProgramming) {
    auto bootloader = plugBootloader();
    const auto image = pattern(ISPLdCMD::kApromSize);
    {
        ISPLdCMD command;
        program(command, image);
        EXPECT_EQ(callback_.successes, 1);
        EXPECT_TRUE(callback_.failures.empty());
        EXPECT_EQ(bootloader->aprom(), image);
        // Each whole percent once, rising.
        EXPECT_EQ(callback_.progress_.size(), 101u);
        EXPECT_TRUE(std::is_sorted(callback_.progress_.begin(), callback_.progress_.end()));
        EXPECT_EQ(std::adjacent_find(callback_.progress_.begin(), callback_.progress_.end()),
                  callback_.progress_.end());
    }
    callback_ = {};
    auto second = plugBootloader();
    ISPLdCMD command;
    program(command, pattern(ISPLdCMD::kApromSize + 1));
    EXPECT_EQ(callback_.failures, (std::vector<int32_t>{-4}));
    EXPECT_TRUE(callback_.progress_.empty());
    EXPECT_EQ(second->outputReportCount(), 0u);
}

TEST_F(BootloaderLinkTest, EveryFaultyReplyStopsProgrammingWithoutRunningTheImage) {
    for (BootloaderFault fault :
         {BootloaderFault::NoReply, BootloaderFault::WrongChecksum, BootloaderFault::ShortReply,
          BootloaderFault::WrongPacketNumber, BootloaderFault::Unplug}) {
        SCOPED_TRACE(static_cast<int>(fault));
        callback_ = {};
        auto bootloader = plugBootloader();
        bootloader->injectFault(fault, isp::kCmdContinuation, 5);
        ISPLdCMD command;
        program(command, pattern(2000));
        EXPECT_EQ(callback_.failures, (std::vector<int32_t>{-5, -2}));
        EXPECT_FALSE(sent(*bootloader, isp::kCmdRunAprom));
        EXPECT_LT(bootloader->bytesProgrammed(), 2000u);
        // The failure sticks until the port is closed: a second attempt stops at once.
        callback_ = {};
        command.programAprom();
        EXPECT_EQ(callback_.failures, (std::vector<int32_t>{-2}));
        platform::sim::SimUsbBus::shared().unplug(bootloader);
    }
}

TEST_F(BootloaderLinkTest, QueriesReadTheModelAndFailWithoutABootloader) {
    auto bootloader = plugBootloader(2);
    ISPLdCMD command;
    ASSERT_TRUE(command.openPort());
    EXPECT_EQ(command.GetBlVersion(), 2);
    EXPECT_FALSE(command.hasFailed());
    EXPECT_EQ(command.getVersionByte(), 0x23);
    std::array<uint8_t, 16> config{};
    EXPECT_TRUE(command.ReadConfig(config.data()));
    EXPECT_EQ(config[0], 0xFF);
    command.closePort();
    EXPECT_EQ(command.GetProductId(), 2);  // no transport after closing

    platform::sim::SimUsbBus::shared().unplug(bootloader);
    ISPLdCMD missing;
    EXPECT_FALSE(missing.openPort());
    EXPECT_EQ(missing.GetBlVersion(), 0);
    EXPECT_TRUE(missing.hasFailed());
}

TEST_F(BootloaderLinkTest, RefusedFilesReportTheFileFailureAndMissingOnesNothing) {
    ISPLdCMD command;
    command.setCallback(&callback_);
    std::array<char, kFirmwareVersionLimit> version{};
    EXPECT_FALSE(command.UpdateFileInfo(folder_.path() + "/absent.bin", version, true));
    EXPECT_TRUE(callback_.failures.empty());

    auto file = encodeFirmwareFile("TAVRO2_FW_V1.65", pattern(100));
    file[8 + 15] ^= 1;  // the stored checksum no longer matches
    EXPECT_FALSE(command.UpdateFileInfo(writeFile("sum.bin", file), version, true));
    file = encodeFirmwareFile("TAVRO2_FW_V1.65", pattern(100));
    file.resize(file.size() - 1);
    EXPECT_FALSE(command.UpdateFileInfo(writeFile("short.bin", file), version, true));
    file = encodeFirmwareFile(std::string(65, 'v'), pattern(100), 200);
    EXPECT_FALSE(command.UpdateFileInfo(writeFile("version.bin", file), version, true));
    EXPECT_EQ(callback_.failures, (std::vector<int32_t>{-1, -1, -1}));

    // A zero-length image loads, and programming refuses it as a file failure.
    callback_ = {};
    EXPECT_TRUE(
        command.UpdateFileInfo(writeFile("empty.bin", encodeFirmwareFile("V", {})), version, true));
    command.programAprom();
    EXPECT_EQ(callback_.failures, (std::vector<int32_t>{-1}));
}

}  // namespace
