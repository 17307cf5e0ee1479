// The firmware updater over the simulated hidapi and bus: the bootloader link's requests,
// replies and faults, and the whole update with its notifications.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "common/AppIdentifier.h"
#include "glasses/DfuUpgrade.h"
#include "glasses/FirmwareFile.h"
#include "glasses/FirmwareFileWriter.h"
#include "glasses/IProgramFlashCallback.h"
#include "glasses/ISPLdCMD.h"
#include "glasses/IspPacket.h"
#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/hid/HidApi.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/SimulatedHidApi.h"
#include "platform/sim/VirtualBootloader.h"
#include "tests/support/DeviceBytes.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/Waits.h"

using namespace test_support;
using platform::sim::BootloaderFault;
using Values = std::vector<platform::foundation::Value>;

namespace {

// The full name of one of the updater's notifications.
std::string dfu(const char* what) {
    return common::AppIdentifier() + ".dfuUpdate_" + what;
}
// A recorder of all of them.
struct DfuNotices : NotificationRecorder {
    DfuNotices() : NotificationRecorder(NamePrefix{}, dfu("")) {}
};

class RecordingCallback final : public IProgramFlashCallback {
  public:
    void start() override {}
    void progress(float percent) override { progress_.push_back(percent); }
    void success() override { ++successes; }
    void fail(int32_t code) override { failures.push_back(code); }

    std::vector<float> progress_;
    int successes = 0;
    std::vector<int32_t> failures;
};

class DfuTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::hid::setHidApi(platform::sim::makeSimulatedHidApi()); }
    void TearDown() override {
        for (const auto& device : plugged_) platform::sim::SimUsbBus::shared().unplug(device);
        platform::hid::setHidApi(nullptr);
        platform::foundation::Bundle::setMainBundlePath({});
    }

    std::shared_ptr<platform::sim::VirtualBootloader> plugBootloader(uint8_t model = 1) {
        plugged_.push_back(std::make_shared<platform::sim::VirtualBootloader>(model));
        platform::sim::SimUsbBus::shared().plug(plugged_.back());
        return plugged_.back();
    }

    static std::vector<uint8_t> pattern(size_t length) {
        std::vector<uint8_t> image(length);
        for (size_t i = 0; i < length; ++i) image[i] = static_cast<uint8_t>(i * 31 + 7);
        return image;
    }
    std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        const auto path = folder_.path() + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    // Loads the image into an opened command layer and programs it; the callback afresh.
    void program(ISPLdCMD& command, const std::vector<uint8_t>& image) {
        callback_ = {};
        command.setCallback(&callback_);
        ASSERT_TRUE(command.openPort());
        std::array<char, kFirmwareVersionLimit> version{};
        const auto file = writeFile("image.bin", encodeFirmwareFile("TAVRO2_FW_V1.65", image));
        ASSERT_TRUE(command.UpdateFileInfo(file, version, true));
        command.programAprom();
    }

    // 5 s of bootloader time-out pass in 5 ms.
    platform::foundation::ScopedClock clock_{
        std::make_shared<platform::foundation::RealClock>(1000.0)};
    test_support::TemporaryFolder folder_{"tavro-dfu"};
    std::vector<std::shared_ptr<platform::sim::VirtualBootloader>> plugged_;
    RecordingCallback callback_;
    DfuNotices notices_;
};
using BootloaderLinkTest = DfuTest;
using FirmwareUpdateTest = DfuTest;

bool sent(const platform::sim::VirtualBootloader& bootloader, uint32_t command) {
    const auto all = bootloader.outputReports();
    return std::any_of(all.begin(), all.end(),
                       [&](const auto& r) { return isp::u32At(r.bytes, 0) == command; });
}

TEST_F(BootloaderLinkTest, ImageGoesAsAFirstPacketAndContinuations) {
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
    // 48 bytes fit the first packet.
    auto second = plugBootloader();
    ISPLdCMD small;
    program(small, pattern(48));
    EXPECT_EQ(callback_.progress_, (std::vector<float>{0, 100}));
    EXPECT_EQ(callback_.successes, 1);
    EXPECT_EQ(second->outputReportCount(), 3u);
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
        std::vector<float> percents(101);
        std::iota(percents.begin(), percents.end(), 0.0f);
        EXPECT_EQ(callback_.progress_, percents);  // each whole percent once, rising
    }
    auto second = plugBootloader();
    ISPLdCMD command;
    program(command, pattern(ISPLdCMD::kApromSize + 1));
    EXPECT_EQ(callback_.failures, (std::vector<int32_t>{-4}));
    EXPECT_TRUE(callback_.progress_.empty());
    EXPECT_EQ(second->outputReportCount(), 0u);
}

TEST_F(BootloaderLinkTest, EveryFaultyReplyStopsProgrammingWithoutRunningTheImage) {
    using enum BootloaderFault;
    for (BootloaderFault fault : {NoReply, WrongChecksum, ShortReply, WrongPacketNumber, Unplug}) {
        SCOPED_TRACE(static_cast<int>(fault));
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

TEST_F(BootloaderLinkTest, RefusedFilesReportTheFileFailureAndMissingOnesNothing) {
    ISPLdCMD command;
    command.setCallback(&callback_);
    std::array<char, kFirmwareVersionLimit> version{};
    EXPECT_FALSE(command.UpdateFileInfo(folder_.path() + "/absent.bin", version, true));
    EXPECT_TRUE(callback_.failures.empty());
    // The file's own checks are the parser's tests; a refusal is reported as a file failure.
    auto file = encodeFirmwareFile("TAVRO2_FW_V1.65", pattern(100));
    file[8 + 15] ^= 1;  // the stored checksum no longer matches
    EXPECT_FALSE(command.UpdateFileInfo(writeFile("sum.bin", file), version, true));
    EXPECT_EQ(callback_.failures, (std::vector<int32_t>{-1}));
    // A zero-length image loads, and programming refuses it as a file failure.
    callback_ = {};
    EXPECT_TRUE(
        command.UpdateFileInfo(writeFile("empty.bin", encodeFirmwareFile("V", {})), version, true));
    command.programAprom();
    EXPECT_EQ(callback_.failures, (std::vector<int32_t>{-1}));
}

std::vector<uint8_t> shippedImage(const std::string& name) {
    auto path = platform::foundation::Bundle::main().pathForResource(name, "bin");
    EXPECT_TRUE(path.has_value()) << name;
    if (!path) return {};
    std::ifstream in(*path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    const FirmwareFile file = parseFirmwareFile(bytes, true);
    EXPECT_EQ(file.error, FirmwareFileError::None);
    const auto image = file.image(bytes);
    return {image.begin(), image.end()};
}

TEST_F(FirmwareUpdateTest, WholeUpdateWritesTheModelsImageWithProgressCappedAt95) {
    for (uint8_t model : {1, 2}) {
        SCOPED_TRACE(model);
        DfuNotices notices;
        auto bootloader = plugBootloader(model);
        EXPECT_EQ(run_glass_dfu_upgrade(), 0);
        EXPECT_EQ(notices.objects(dfu("versionShow")), Values{int64_t{model}});
        EXPECT_TRUE(notices.objects(dfu("status")).empty());
        const auto progress = notices.objects(dfu("progress"));
        ASSERT_GE(progress.size(), 96u);
        EXPECT_EQ(progress.front().asFloat(), 0.0f);
        for (size_t i = 1; i < progress.size(); ++i) {
            EXPECT_TRUE(progress[i].kind() == platform::foundation::Value::Kind::Float);
            EXPECT_LE(progress[i].asFloat(), 95.0f);
            EXPECT_GE(progress[i].asFloat(), progress[i - 1].asFloat());
        }
        EXPECT_EQ(progress.back().asFloat(), 95.0f);
        // The percentages above 95 all arrive as 95.
        EXPECT_EQ(std::count(progress.begin(), progress.end(), platform::foundation::Value(95.0f)),
                  6);
        const auto image = shippedImage(model == 1 ? "tavro2-evb-v1.65-79-11-00-0e"
                                                   : "tavro2pro-evb-v1.53-79-11-01-0F");
        const auto aprom = bootloader->aprom();
        ASSERT_FALSE(image.empty());
        EXPECT_TRUE(std::equal(image.begin(), image.end(), aprom.begin()));
        EXPECT_FALSE(platform::sim::SimUsbBus::shared().isPlugged(*bootloader));
    }
}

TEST_F(FirmwareUpdateTest, NoAnswerToTheModelQueryPicksTheProImageAndFailsOnce) {
    auto bootloader = plugBootloader(1);
    bootloader->injectFault(BootloaderFault::NoReply, isp::kCmdGetDeviceId);
    EXPECT_EQ(run_glass_dfu_upgrade(), 0);
    EXPECT_EQ(notices_.objects(dfu("versionShow")), Values{int64_t{0}});
    EXPECT_EQ(notices_.objects(dfu("status")), Values{false});
    EXPECT_TRUE(notices_.objects(dfu("progress")).empty());
    EXPECT_EQ(bootloader->bytesProgrammed(), 0u);
}

TEST_F(FirmwareUpdateTest, SecondRunClosesTheFirstRunsPortAndStartsAfresh) {
    auto bootloader = plugBootloader(1);
    bootloader->injectFault(BootloaderFault::WrongPacketNumber, isp::kCmdContinuation, 10);
    EXPECT_EQ(run_glass_dfu_upgrade(), 0);
    EXPECT_EQ(notices_.objects(dfu("status")).size(), 2u);  // -5, then -2
    EXPECT_TRUE(platform::sim::SimUsbBus::shared().isPlugged(*bootloader));
    // Had the failed command layer been kept, its failure would stop this run at once.
    DfuNotices second;
    EXPECT_EQ(run_glass_dfu_upgrade(), 0);
    EXPECT_TRUE(second.objects(dfu("status")).empty());
    EXPECT_EQ(second.objects(dfu("progress")).back().asFloat(), 95.0f);
    EXPECT_TRUE(bootloader->programmingComplete());
}

TEST_F(FirmwareUpdateTest, MissingBootloaderOrResourceEndsWithoutAStatusARefusedOneWithIt) {
    EXPECT_EQ(run_glass_dfu_upgrade(), -1);
    EXPECT_TRUE(notices_.notices().empty());
    auto bootloader = plugBootloader(1);
    platform::foundation::Bundle::setMainBundlePath(folder_.path());
    EXPECT_EQ(run_glass_dfu_upgrade(), -1);
    EXPECT_TRUE(notices_.objects(dfu("status")).empty());
    EXPECT_EQ(notices_.objects(dfu("versionShow")).size(), 1u);
    auto file = encodeFirmwareFile("TAVRO2_FW_V1.65", pattern(5000));
    file.back() ^= 0x55;
    writeFile("tavro2-evb-v1.65-79-11-00-0e.bin", file);
    EXPECT_EQ(run_glass_dfu_upgrade(), -1);
    EXPECT_EQ(notices_.objects(dfu("status")), Values{false});
    EXPECT_EQ(bootloader->bytesProgrammed(), 0u);
}

// The bootloader stops answering in the middle of the image and the application quits: the
// read that waits for the reply ends with the slice of its wait under way when the quit
// begins, not after the whole wait of a programming reply (25 s).
TEST_F(FirmwareUpdateTest, AQuitEndsTheReadOfABootloaderThatStoppedAnsweringAtOnce) {
    namespace fd = platform::foundation;
    auto clock = std::make_shared<fd::ManualClock>();
    fd::ScopedClock manual(clock);
    auto bootloader = plugBootloader(1);
    bootloader->injectFault(BootloaderFault::NoReply, isp::kCmdContinuation, 5);
    std::atomic<bool> ended{false};
    std::thread update([&] {
        auto hold = fd::BackgroundWork::hold();
        run_glass_dfu_upgrade();
        ended = true;
    });
    // The replies before come at once: the only wait on the clock is the unanswered one.
    ASSERT_TRUE(waitForWaiters(*clock, 1));
    std::thread quit([] { fd::BackgroundWork::finish(); });
    ASSERT_TRUE(waitUntil([] { return fd::BackgroundWork::stopping(); }));
    clock->advanceSeconds(0.1);
    EXPECT_TRUE(waitUntil([&] { return ended.load(); }))
        << "the read went on after the quit had begun";
    while (!ended) {  // lets a read that failed to stop run out its wait
        clock->advanceSeconds(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    update.join();
    quit.join();
    fd::BackgroundWork::resume();
    EXPECT_LT(bootloader->bytesProgrammed(), ISPLdCMD::kApromSize);
    EXPECT_FALSE(bootloader->programmingComplete());
}

}  // namespace
