#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "common/AppIdentifier.h"
#include "glasses/GlassCommands.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/NumericCompare.h"
#include "platform/screens/DisplayServices.h"
#include "platform/screens/Screen.h"
#include "tests/glasses/ServerHarness.h"

using platform::foundation::Value;
using platform::sim::RecordedReport;
using platform::sim::VirtualGlasses;

namespace {

uint16_t u16At(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

// The frame a builder writes into a zeroed buffer, cut to the glasses' report size.
std::vector<uint8_t> expectedFrame(const std::function<int32_t(std::span<uint8_t>)>& build) {
    std::vector<uint8_t> frame(100, 0);
    build(frame);
    frame.resize(64);
    return frame;
}

class RecordingDelegate : public DfuCheckResultHandler {
  public:
    void handleDfuCheckResult(bool needsUpdate) override { answers.push_back(needsUpdate); }
    std::vector<bool> answers;
};

class TavroVXServerTest : public ServerHarness {
  protected:
    NotificationRecorder status_{{kGlassStatusChangeNotification,
                                  common::AppIdentifier() + "_WakeyChange_NSNotificationName"}};

    bool answerFor(int64_t generation, const std::string& version) {
        server_->setGlassGeneration(generation);
        AppDelegate::shared().glassVersion.set(version);
        RecordingDelegate delegate;
        server_->checkDfuUpdate(delegate);
        EXPECT_EQ(delegate.answers.size(), 1u);
        return !delegate.answers.empty() && delegate.answers.back();
    }

    // The width of the glasses screen's current mode (0 when there is none).
    static uint32_t glassesScreenWidth() {
        for (const auto& screen : platform::screens::screens()) {
            if (screen.localizedName.find("TAVRO") == std::string::npos) continue;
            const auto display =
                static_cast<uint32_t>(screen.deviceDescription.at("NSScreenNumber").asInt64());
            if (auto mode = platform::screens::displayCopyDisplayMode(display)) return mode->width;
        }
        return 0;
    }
};

TEST_F(TavroVXServerTest, EveryCommandReachesSecondGenerationGlassesAsItsFrame) {
    AppDelegate::shared().glassVersion.set("TAVRO2PRO_FW_V1.53");
    auto glasses = makeGlasses(VirtualGlasses::secondGenerationPro());
    NotificationRecorder versions({kGlassVersionNotification});
    server_->shareManager();
    plugAndAwait(glasses, status_);
    ASSERT_EQ(server_->glassGeneration(), 2);
    EXPECT_EQ(server_->glassName(), "TAVRO Glass");
    EXPECT_TRUE(AppDelegate::shared().glassStatus.load());

    struct Command {
        const char* name;
        std::function<int32_t()> send;
        uint16_t command, subcommand;
        std::function<int32_t(std::span<uint8_t>)> build;
    };
    const std::vector<Command> commands = {
        {"3D on", [&] { return server_->start_display_3d(); }, 1, 4, glass_cmd_switch_3d_gen2},
        {"duty", [&] { return server_->setDuty(200); }, 1, 6,
         [](std::span<uint8_t> f) { return glass_cmd_set_duty(f, 200); }},
        {"volume", [&] { return server_->change_display_volume(7); }, 0x0B, 2,
         [](std::span<uint8_t> f) { return glass_cmd_set_volume(7, f); }},
        {"version", [&] { return server_->getTavroGlassFirmwareVersion(); }, 8, 1,
         glass_cmd_get_firmware_version},
        {"IMU off", [&] { return server_->changeIMUWithGlassWithIsClose(true); }, 0x0C, 1,
         [](std::span<uint8_t> f) { return glass_cmd_switch_imu(f, true); }},
        {"offsets", [&] { return server_->getIMUOffSetNew(); }, 0x0C, 4, glass_cmd_get_imu_offset},
        {"user drift", [&] { return server_->setUserTempDrift(3, 31.5f, 0.25f, -0.5f, 1.0f); },
         0x0C, 5,
         [](std::span<uint8_t> f) {
             return glass_cmd_set_user_temp_bias(f, 3, 31.5f, 0.25f, -0.5f, 1.0f);
         }},
        {"factory bias",
         [&] {
             server_->getFactoryImuTempBiasWithIdx(2, 1);
             return 0;
         },
         0x0C, 6, [](std::span<uint8_t> f) { return glass_cmd_get_temp_bias(f, 2, 1); }},
        {"immersion", [&] { return server_->setImmersion(90, true); }, 1, 9,
         [](std::span<uint8_t> f) { return glass_cmd_set_immersion(f, 90); }},
        {"wear info", [&] { return server_->getLightSensorWearInfo(); }, 5, 2,
         glass_cmd_get_wear_thresholds},
        {"wear off", [&] { return server_->setLightSensorWearDetection(true); }, 6, 0,
         [](std::span<uint8_t> f) { return glass_cmd_set_wear_detection(f, true); }},
    };
    for (const Command& each : commands) {
        SCOPED_TRACE(each.name);
        glasses->clearOutputReports();
        EXPECT_EQ(each.send(), 0);
        ASSERT_TRUE(glasses->waitForOutputReports(1, std::chrono::seconds(5)));
        const std::vector<RecordedReport> reports = glasses->outputReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].reportId, 2);
        ASSERT_EQ(reports[0].bytes.size(), 64u);
        EXPECT_EQ(u16At(reports[0].bytes, 8), each.command);
        EXPECT_EQ(u16At(reports[0].bytes, 10), each.subcommand);
        EXPECT_EQ(reports[0].bytes, expectedFrame(each.build));
    }
    // What the glasses understood of the frames.
    EXPECT_EQ(glasses->immersion(), 90);
    EXPECT_FALSE(glasses->imuStreamOn());
    EXPECT_TRUE(AppDelegate::shared().isCloseIMU.load());
    const auto drift = glasses->userBiasEntry(3);
    EXPECT_EQ(drift.temperature, 31.5f);
    EXPECT_EQ(drift.z, 1.0f);
    ASSERT_TRUE(versions.awaitCount(1));
    EXPECT_EQ(versions.notices()[0].object.text(), "TAVRO2PRO_FW_V1.53");
    // The 3D switch left a resolution step behind; let it finish before the glasses go.
    EXPECT_TRUE(runUntil([&] { return glassesScreenWidth() == 3840; }));
    EXPECT_TRUE(runUntil([&] { return server_->isSuccessChangeResolution(); }));

    // Last, as the glasses leave the bus for their bootloader on it.
    glasses->clearOutputReports();
    EXPECT_EQ(server_->enterDfu(), 0);
    ASSERT_EQ(glasses->outputReportCount(), 1u);
    EXPECT_EQ(glasses->outputReports()[0].bytes, expectedFrame(glass_cmd_enter_dfu));
    const auto& bootloader = glasses->bootloader();
    EXPECT_TRUE(
        runUntil([&] { return platform::sim::SimUsbBus::shared().isPlugged(*bootloader); }));
    platform::sim::SimUsbBus::shared().unplug(bootloader);
}

TEST_F(TavroVXServerTest, SecondGenerationCommandsAreRefusedWithoutGlassesOrOnFirstGeneration) {
    server_->shareManager();
    EXPECT_EQ(server_->change_display_volume(3), -1);
    EXPECT_EQ(server_->getTavroGlassFirmwareVersion(), -1);
    EXPECT_EQ(server_->enterDfu(), -1);
    EXPECT_EQ(server_->start_display_3d(), -1);
    // No device to send to yet: the 3D switch itself sends nothing and reports 0.
    EXPECT_EQ(server_->change_display_3d(false), 0);

    auto glasses = makeGlasses(VirtualGlasses::firstGeneration());
    plugAndAwait(glasses, status_);
    EXPECT_EQ(server_->glassGeneration(), 1);
    glasses->clearOutputReports();
    EXPECT_EQ(server_->setDuty(10), -1);
    EXPECT_EQ(server_->changeIMUWithGlassWithIsClose(true), -1);
    EXPECT_FALSE(AppDelegate::shared().isCloseIMU.load());
    EXPECT_EQ(server_->getIMUOffSetNew(), -1);
    EXPECT_EQ(server_->setUserTempDrift(0, 1, 2, 3, 4), -1);
    EXPECT_EQ(server_->getLightSensorWearInfo(), -1);
    EXPECT_EQ(server_->setLightSensorWearDetection(false), -1);
    EXPECT_EQ(server_->setImmersion(50, true), -1);
    server_->getFactoryImuTempBiasWithIdx(0, 1);
    EXPECT_EQ(glasses->outputReportCount(), 0u);
    // First-generation 3D on is the plain switch, not the second generation's.
    EXPECT_EQ(server_->change_display_volume(4), 0);
    EXPECT_EQ(server_->start_display_3d(), 0);
    ASSERT_TRUE(glasses->waitForOutputReports(2, std::chrono::seconds(5)));
    EXPECT_EQ(glasses->outputReports()[1].bytes,
              expectedFrame([](std::span<uint8_t> f) { return glass_cmd_switch_3d(f, true); }));
    EXPECT_TRUE(runUntil([&] { return glassesScreenWidth() == 3840; }));
    EXPECT_TRUE(runUntil([&] { return server_->isSuccessChangeResolution(); }));
}

TEST_F(TavroVXServerTest, WakeDeviceAndGlassesAreHeldApart) {
    server_->shareManager();
    auto wake = platform::sim::makeWakeDevice();
    plugAndAwait(wake, status_);
    auto glasses = makeGlasses(VirtualGlasses::secondGeneration());
    plugAndAwait(glasses, status_);

    auto entries = status_.notices();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, common::AppIdentifier() + "_WakeyChange_NSNotificationName");
    EXPECT_EQ(entries[0].object, Value(1));
    EXPECT_EQ(entries[1].name, kGlassStatusChangeNotification);
    EXPECT_EQ(entries[1].object, Value(1));
    ASSERT_TRUE(server_->hubDevice());
    EXPECT_EQ(server_->hubDevice()->deviceInfo.productId, 0x6001);
    ASSERT_TRUE(server_->ioHidDevice());
    EXPECT_EQ(server_->connectedDevice()->deviceInfo.productId, 0x8001);

    // The wake device goes on its own; the glasses stay held.
    unplugAndAwait(wake, status_);
    entries = status_.notices();
    EXPECT_EQ(entries.back().object, Value(0));
    EXPECT_FALSE(server_->hubDevice());
    EXPECT_FALSE(server_->hubHidDevice());
    EXPECT_TRUE(server_->ioHidDevice());
    EXPECT_TRUE(AppDelegate::shared().glassStatus.load());
}

TEST_F(TavroVXServerTest, SecondPairIsIgnoredAndPullOutKeepsTheConnectedDevice) {
    server_->shareManager();
    auto first = makeGlasses(VirtualGlasses::secondGeneration(0x0483, 0x8001));
    plugAndAwait(first, status_);
    const auto held = server_->ioHidDevice();

    // A second pair and its removal change nothing; the monitor's own announcement tells
    // when the server has had its chance to react.
    NotificationRecorder monitor({kHIDDeviceConnected, kHIDDeviceDisconnected});
    auto second = makeGlasses(VirtualGlasses::firstGeneration());
    plugged_.push_back(second);
    mac_->plugDevice(second);
    ASSERT_TRUE(monitor.awaitCount(1));
    std::erase(plugged_, second);
    mac_->unplugDevice(second);
    ASSERT_TRUE(monitor.awaitCount(2));
    EXPECT_EQ(status_.notices().size(), 1u);
    EXPECT_EQ(server_->ioHidDevice(), held);
    EXPECT_EQ(server_->glassGeneration(), 2);
    EXPECT_TRUE(AppDelegate::shared().glassStatus.load());

    unplugAndAwait(first, status_);
    EXPECT_EQ(status_.notices().back().object, Value(0));
    EXPECT_FALSE(server_->ioHidDevice());
    EXPECT_FALSE(AppDelegate::shared().glassStatus.load());
    ASSERT_TRUE(server_->connectedDevice());
    EXPECT_EQ(server_->connectedDevice()->deviceInfo.productId, 0x8001);
    EXPECT_EQ(server_->glassGeneration(), 2);
    EXPECT_EQ(server_->change_display_volume(3), -1);
}

TEST_F(TavroVXServerTest, BootloaderAsFirstGlassesNeedsAnUpdateWhateverItsVersion) {
    server_->shareManager();
    auto config = VirtualGlasses::secondGeneration(0x0416, 0x3F00);
    config.identity.product = "";
    auto bootloader = makeGlasses(config);
    plugAndAwait(bootloader, status_);
    EXPECT_EQ(server_->glassGeneration(), 2);
    EXPECT_TRUE(answerFor(2, ""));
    EXPECT_TRUE(answerFor(1, "TAVRO_FW_V1.40"));
}

TEST_F(TavroVXServerTest, FirmwareDecisionComparesVersionsNumerically) {
    AppDelegate::shared().glassStatus = true;
    EXPECT_TRUE(answerFor(2, "TAVRO2_FW_V1.64"));
    EXPECT_FALSE(answerFor(2, "TAVRO2_FW_V1.65"));
    EXPECT_TRUE(answerFor(2, "TAVRO2_FW_V1.9"));     // 9 < 65, though "9" > "6"
    EXPECT_FALSE(answerFor(2, "TAVRO2_FW_V1.100"));  // 100 > 65
    EXPECT_TRUE(answerFor(2, "TAVRO2PRO_FW_V1.52"));
    EXPECT_FALSE(answerFor(2, "TAVRO2PRO_FW_V1.53"));
    EXPECT_FALSE(answerFor(2, "SOMETHING_ELSE_V0.1"));
    EXPECT_FALSE(answerFor(1, "TAVRO2_FW_V1.0"));
    AppDelegate::shared().glassStatus = false;
    EXPECT_FALSE(answerFor(2, "TAVRO2_FW_V1.0"));

    EXPECT_LT(numericCompare("1.9", "1.65"), 0);
    EXPECT_LT(numericCompare("1.65", "1.100"), 0);
    EXPECT_GT(numericCompare("1.100", "1.9"), 0);
    EXPECT_EQ(numericCompare("V1.007", "V1.7"), 0);
    EXPECT_LT(numericCompare("V1", "V1.0"), 0);
    EXPECT_LT(numericCompare("V1.99999999999999999999999", "V1.100000000000000000000000"), 0);
    EXPECT_GT(numericCompare("b", "a1"), 0);
}

TEST_F(TavroVXServerTest, ImmersionIsStoredAndSentOnlyWhenItMatters) {
    auto& defaults = platform::foundation::UserDefaults::standard();
    EXPECT_EQ(server_->getImmersion(), 76);
    EXPECT_EQ(defaults.objectForKey(kImmersionDefaultsKey), Value(76));
    server_->changeImmersion(40);
    EXPECT_EQ(server_->getImmersion(), 40);
    defaults.setObject(Value("loud"), kImmersionDefaultsKey);
    EXPECT_EQ(server_->getImmersion(), 76);
    EXPECT_EQ(defaults.objectForKey(kImmersionDefaultsKey), Value("loud"));
    server_->changeImmersion(40);

    server_->shareManager();
    auto glasses = makeGlasses(VirtualGlasses::secondGenerationPro());
    plugAndAwait(glasses, status_);
    glasses->clearOutputReports();
    AppDelegate::shared().glassVersion.set("TAVRO2_FW_V1.65");
    EXPECT_EQ(server_->setImmersion(60, true), 0);  // not a Pro firmware
    AppDelegate::shared().glassVersion.set("TAVRO2PRO_FW_V1.53");
    EXPECT_EQ(server_->setImmersion(40, false), 0);  // already the stored value
    EXPECT_EQ(glasses->outputReportCount(), 0u);
    EXPECT_EQ(server_->setImmersion(40, true), 0);
    EXPECT_EQ(server_->setImmersion(41, false), 0);
    ASSERT_TRUE(glasses->waitForOutputReports(2, std::chrono::seconds(5)));
    EXPECT_EQ(glasses->immersion(), 41);
    EXPECT_EQ(server_->getImmersion(), 40);  // sending does not store

    unplugAndAwait(glasses, status_);
    EXPECT_EQ(server_->setImmersion(42, true), -1);
}

TEST_F(TavroVXServerTest, ThreeDimensionalModeSwitchesTheGlassesScreenResolution) {
    server_->shareManager();
    auto glasses = makeGlasses(VirtualGlasses::secondGeneration());
    plugAndAwait(glasses, status_);
    ASSERT_EQ(glassesScreenWidth(), 1920u);

    EXPECT_EQ(server_->change_display_3d(true), 0);
    ASSERT_TRUE(runUntil([&] { return glassesScreenWidth() == 3840; }));
    ASSERT_TRUE(runUntil([&] { return server_->isSuccessChangeResolution(); }));
    EXPECT_EQ(server_->stop_display_3d(), 0);
    ASSERT_TRUE(runUntil([&] { return glassesScreenWidth() == 1920; }));
    ASSERT_TRUE(runUntil([&] { return server_->isSuccessChangeResolution(); }));

    // Without a glasses screen the switch ends with false and the server is free again.
    bool outcome = true;
    bool called = false;
    mac_->unplugDevice(glasses);
    std::erase(plugged_, glasses);
    server_->deviceChangeResolution(true, [&](bool ok) {
        outcome = ok;
        called = true;
    });
    ASSERT_TRUE(runUntil([&] { return called; }));
    EXPECT_FALSE(outcome);
}

// Forwards to the simulated display server and runs a hook inside each mode change, which
// is while a resolution step is in progress.
class HookedDisplayServer : public platform::screens::DisplayServer {
  public:
    explicit HookedDisplayServer(std::shared_ptr<platform::screens::DisplayServer> inner)
        : inner_(std::move(inner)) {}
    std::function<void()> duringSetMode;

    std::vector<platform::screens::DisplayInfo> displays() const override {
        return inner_->displays();
    }
    platform::screens::DisplayError applyConfiguration(
        const std::vector<platform::screens::ConfigurationChange>& changes) override {
        return inner_->applyConfiguration(changes);
    }
    platform::screens::DisplayError setMode(platform::screens::DisplayId display,
                                            const platform::screens::DisplayMode& mode) override {
        if (duringSetMode) duringSetMode();
        return inner_->setMode(display, mode);
    }
    bool supportsVirtualDisplays() const override { return inner_->supportsVirtualDisplays(); }
    platform::screens::DisplayId reserveDisplayId() override { return inner_->reserveDisplayId(); }
    bool addVirtualDisplay(platform::screens::DisplayId id,
                           const platform::screens::VirtualDisplayTraits& traits) override {
        return inner_->addVirtualDisplay(id, traits);
    }
    void removeVirtualDisplay(platform::screens::DisplayId id) override {
        inner_->removeVirtualDisplay(id);
    }
    std::optional<float> brightness(platform::screens::DisplayId display) const override {
        return inner_->brightness(display);
    }
    platform::screens::DisplayError setBrightness(platform::screens::DisplayId display,
                                                  float value) override {
        return inner_->setBrightness(display, value);
    }
    std::optional<platform::foundation::ValueDictionary> sessionDictionary() const override {
        return inner_->sessionDictionary();
    }
    platform::screens::DisplayError moveCursor(platform::screens::Point point) override {
        return inner_->moveCursor(point);
    }

  private:
    std::shared_ptr<platform::screens::DisplayServer> inner_;
};

TEST_F(TavroVXServerTest, ThreeDimensionalSwitchDuringAResolutionStepSendsNothing) {
    auto hooked = std::make_shared<HookedDisplayServer>(platform::screens::displayServer());
    platform::screens::installDisplayServer(hooked);
    struct Restore {
        std::shared_ptr<HookedDisplayServer> hooked;
        ~Restore() {
            hooked->duringSetMode = nullptr;
            platform::screens::installDisplayServer(nullptr);
        }
    } restore{hooked};
    server_->shareManager();
    auto glasses = makeGlasses(VirtualGlasses::secondGeneration());
    plugAndAwait(glasses, status_);

    std::vector<int32_t> duringStep;
    hooked->duringSetMode = [&] {
        EXPECT_FALSE(server_->isSuccessChangeResolution());
        duringStep.push_back(server_->change_display_3d(false));
    };
    glasses->clearOutputReports();
    // Two switches within one delay both send and both schedule a step.
    EXPECT_EQ(server_->change_display_3d(true), 0);
    EXPECT_EQ(server_->change_display_3d(true), 0);
    EXPECT_EQ(glasses->outputReportCount(), 2u);
    ASSERT_TRUE(runUntil([&] { return duringStep.size() == 1 && glassesScreenWidth() == 3840; }));
    ASSERT_TRUE(runUntil([&] { return server_->isSuccessChangeResolution(); }));
    EXPECT_EQ(duringStep, std::vector<int32_t>{0});
    // The second step found the mode already set, so no mode change and no further hook.
    EXPECT_EQ(glasses->outputReportCount(), 2u);
}

TEST_F(TavroVXServerTest, CommandsRaceWithPlugAndPullOut) {
    server_->shareManager();
    auto glasses = makeGlasses(VirtualGlasses::secondGeneration());
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::vector<std::thread> senders;
    for (int i = 0; i < 2; ++i) {
        senders.emplace_back([&] {
            while (!stop.load()) {
                // A pull-out between the gate and the send fails the send; either is fine.
                if (server_->change_display_volume(5) == 0) sent.fetch_add(1);
                server_->getLightSensorWearInfo();
            }
        });
    }
    for (int round = 0; round < 5; ++round) {
        plugAndAwait(glasses, status_);
        unplugAndAwait(glasses, status_);
    }
    plugAndAwait(glasses, status_);
    while (sent.load() == 0) std::this_thread::yield();
    stop = true;
    for (auto& sender : senders) sender.join();
    EXPECT_EQ(status_.notices().size(), 11u);
    EXPECT_TRUE(server_->ioHidDevice());
}

}  // namespace
