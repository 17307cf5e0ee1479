#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "DfuHarness.h"
#include "glasses/DfuUpgrade.h"
#include "glasses/FirmwareFile.h"
#include "glasses/IspPacket.h"
#include "platform/foundation/Bundle.h"

namespace {

using platform::sim::BootloaderFault;
using Values = std::vector<platform::foundation::Value>;

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

class FirmwareUpdateTest : public DfuTest {
  protected:
    void TearDown() override {
        platform::foundation::Bundle::setMainBundlePath({});
        DfuTest::TearDown();
    }
    DfuNotices notices_;
};

TEST_F(FirmwareUpdateTest, WholeUpdateWritesTheModelsImageWithProgressCappedAt95) {
    for (uint8_t model : {1, 2}) {
        SCOPED_TRACE(model);
        DfuNotices notices;
        auto bootloader = plugBootloader(model);
        EXPECT_EQ(run_glass_dfu_upgrade(), 0);

        EXPECT_EQ(notices.of(".dfuUpdate_versionShow"), Values{int64_t{model}});
        EXPECT_TRUE(notices.of(".dfuUpdate_status").empty());
        const auto progress = notices.of(".dfuUpdate_progress");
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
    EXPECT_EQ(notices_.of(".dfuUpdate_versionShow"), Values{int64_t{0}});
    EXPECT_EQ(notices_.of(".dfuUpdate_status"), Values{false});
    EXPECT_TRUE(notices_.of(".dfuUpdate_progress").empty());
    EXPECT_EQ(bootloader->bytesProgrammed(), 0u);
}

TEST_F(FirmwareUpdateTest, SecondRunClosesTheFirstRunsPortAndStartsAfresh) {
    auto bootloader = plugBootloader(1);
    bootloader->injectFault(BootloaderFault::WrongPacketNumber, isp::kCmdContinuation, 10);
    EXPECT_EQ(run_glass_dfu_upgrade(), 0);
    EXPECT_EQ(notices_.of(".dfuUpdate_status").size(), 2u);  // -5, then -2
    EXPECT_TRUE(platform::sim::SimUsbBus::shared().isPlugged(*bootloader));

    // Had the failed command layer been kept, its failure would stop this run at once.
    DfuNotices second;
    EXPECT_EQ(run_glass_dfu_upgrade(), 0);
    EXPECT_TRUE(second.of(".dfuUpdate_status").empty());
    EXPECT_EQ(second.of(".dfuUpdate_progress").back().asFloat(), 95.0f);
    EXPECT_TRUE(bootloader->programmingComplete());
}

TEST_F(FirmwareUpdateTest, MissingBootloaderOrResourceEndsWithoutAStatusARefusedOneWithIt) {
    EXPECT_EQ(run_glass_dfu_upgrade(), -1);
    EXPECT_TRUE(notices_.notices().empty());

    auto bootloader = plugBootloader(1);
    platform::foundation::Bundle::setMainBundlePath(folder_.path());
    EXPECT_EQ(run_glass_dfu_upgrade(), -1);
    EXPECT_TRUE(notices_.of(".dfuUpdate_status").empty());
    EXPECT_EQ(notices_.of(".dfuUpdate_versionShow").size(), 1u);

    auto file = encodeFirmwareFile("TAVRO2_FW_V1.65", pattern(5000));
    file.back() ^= 0x55;
    writeFile("tavro2-evb-v1.65-79-11-00-0e.bin", file);
    EXPECT_EQ(run_glass_dfu_upgrade(), -1);
    EXPECT_EQ(notices_.of(".dfuUpdate_status"), Values{false});
    EXPECT_EQ(bootloader->bytesProgrammed(), 0u);
}

}  // namespace
