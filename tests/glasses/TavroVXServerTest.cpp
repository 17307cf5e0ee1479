#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "appstate/AppDelegate.h"
#include "common/AppIdentifier.h"
#include "glasses/GlassCommands.h"
#include "glasses/GlassServer.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/NumericCompare.h"
#include "glasses/TavroVXServer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/screens/DisplayServices.h"
#include "platform/screens/Screen.h"
#include "platform/sim/SimMac.h"
#include "platform/sim/VirtualBootloader.h"
#include "platform/sim/VirtualGlasses.h"
#include "tests/support/DeviceBytes.h"
#include "tests/support/InstalledSimMac.h"
#include "tests/support/NotificationRecorder.h"

using platform::foundation::Value;
using platform::sim::VirtualBootloader;
using platform::sim::VirtualGlasses;
using platform::sim::VirtualHidDevice;
using test_support::NotificationRecorder;

namespace {

using Build = std::function<int32_t(std::span<uint8_t>)>;

// The frame a builder writes into a zeroed buffer, cut to the glasses' report size.
test_support::Bytes frameOf(const Build& build) {
    test_support::Bytes frame(100, 0);
    build(frame);
    return test_support::firstBytes(frame, 64);
}

// A glasses control server on a simulated Mac whose glasses screen stands beside the
// built-in one, so that it can change modes; its monitor thread watches the simulated bus,
// the clock runs fast so that the resolution switch's delays pass quickly, and the shared
// state starts afresh. Main thread.
class TavroVXServerTest : public ::testing::Test, public DfuCheckResultHandler {
  protected:
    void SetUp() override {
        auto profile = platform::sim::parseMachineProfile(R"({
            "model": "MacBookPro18,3",
            "builtinDisplay": {"name": "Built-in Retina Display",
                               "modes": [{"width": 1512, "height": 982}]},
            "glassesDisplay": "extended"})");
        ASSERT_TRUE(profile);
        mac_.boot(std::move(profile).value(), platform::foundation::homeDirectory());
        platform::foundation::UserDefaults::standard().removeObjectForKey(kImmersionDefaultsKey);
        resetDelegate();
        server_ = std::make_unique<TavroVXServer>();
        server_->shareManager();
    }
    void TearDown() override {
        server_.reset();
        for (auto& device : plugged_) mac_->unplugDevice(device);
        mac_.reset();
        platform::foundation::MainLoop::drain();
        resetDelegate();
    }
    static void resetDelegate() {
        AppDelegate& delegate = AppDelegate::shared();
        delegate.glassStatus = false;
        delegate.glassVersion.set({});
        delegate.isCPUARM = true;
        delegate.isCloseIMU = false;
    }

    // Plugs or unplugs a device and waits for the server to hear of it through `log`.
    void setPlugged(const std::shared_ptr<VirtualHidDevice>& device, bool plugged,
                    NotificationRecorder& log) {
        const size_t before = log.size();
        std::erase(plugged_, device);
        if (plugged) plugged_.push_back(device);
        plugged ? mac_->plugDevice(device) : mac_->unplugDevice(device);
        ASSERT_TRUE(log.awaitCount(before + 1));
    }
    std::shared_ptr<VirtualGlasses> plugGlasses(platform::sim::VirtualGlassesConfig config) {
        auto glasses = std::make_shared<VirtualGlasses>(std::move(config));
        setPlugged(glasses, true, status_);
        glasses->clearOutputReports();
        return glasses;
    }
    // Runs the main loop until `done` (clock time; the clock runs fast).
    static bool runUntil(const std::function<bool()>& done) {
        return platform::foundation::MainLoop::runUntilSeconds(done, 30);
    }
    // Waits until the glasses screen's mode is `width` wide and no resolution step is left.
    bool awaitWidth(uint32_t width) {
        return runUntil([&] {
            for (const auto& screen : platform::screens::screens()) {
                if (screen.localizedName.find("TAVRO") == std::string::npos) continue;
                const auto id = screen.deviceDescription.at("NSScreenNumber").asInt64();
                auto mode = platform::screens::displayCopyDisplayMode(static_cast<uint32_t>(id));
                return mode && mode->width == width && server_->isSuccessChangeResolution();
            }
            return false;
        });
    }
    bool answerFor(int64_t generation, const std::string& version) {
        server_->setGlassGeneration(generation);
        AppDelegate::shared().glassVersion.set(version);
        answers_.clear();
        server_->checkDfuUpdate(*this);
        EXPECT_EQ(answers_.size(), 1u);
        return answers_ == std::vector<bool>{true};
    }
    void handleDfuCheckResult(bool needsUpdate) override { answers_.push_back(needsUpdate); }

    platform::foundation::ScopedClock clock_{
        std::make_shared<platform::foundation::RealClock>(20.0)};
    test_support::InstalledSimMac mac_;
    std::unique_ptr<TavroVXServer> server_;
    std::vector<std::shared_ptr<VirtualHidDevice>> plugged_;
    std::vector<bool> answers_;
    NotificationRecorder status_{{kGlassStatusChangeNotification,
                                  common::AppIdentifier() + "_WakeyChange_NSNotificationName"}};
};

TEST_F(TavroVXServerTest, EveryCommandReachesSecondGenerationGlassesAsItsFrameAnd3DStepsTheScreen) {
    AppDelegate::shared().glassVersion.set("TAVRO2PRO_FW_V1.53");
    NotificationRecorder versions({kGlassVersionNotification});
    auto pro = VirtualGlasses::secondGenerationPro();
    pro.firmwareVersion = "tavro2pro_fw_v1.53";  // announced upper-cased
    auto glasses = plugGlasses(pro);
    ASSERT_EQ(server_->glassGeneration(), 2);
    EXPECT_EQ(server_->glassName(), "TAVRO Glass");
    EXPECT_TRUE(AppDelegate::shared().glassStatus.load());

    const std::vector<std::tuple<const char*, std::function<int32_t()>, Build>> commands = {
        {"3D on", [&] { return server_->start_display_3d(); }, glass_cmd_switch_3d_gen2},
        {"duty", [&] { return server_->setDuty(200); },
         [](auto f) { return glass_cmd_set_duty(f, 200); }},
        {"volume", [&] { return server_->change_display_volume(7); },
         [](auto f) { return glass_cmd_set_volume(7, f); }},
        {"version", [&] { return server_->getTavroGlassFirmwareVersion(); },
         glass_cmd_get_firmware_version},
        {"IMU off", [&] { return server_->changeIMUWithGlassWithIsClose(true); },
         [](auto f) { return glass_cmd_switch_imu(f, true); }},
        {"offsets", [&] { return server_->getIMUOffSetNew(); }, glass_cmd_get_imu_offset},
        {"user drift", [&] { return server_->setUserTempDrift(3, 31.5f, 0.25f, -0.5f, 1.0f); },
         [](auto f) { return glass_cmd_set_user_temp_bias(f, 3, 31.5f, 0.25f, -0.5f, 1.0f); }},
        {"factory bias", [&] { return server_->getFactoryImuTempBiasWithIdx(2, 1), 0; },
         [](auto f) { return glass_cmd_get_temp_bias(f, 2, 1); }},
        {"immersion", [&] { return server_->setImmersion(90, true); },
         [](auto f) { return glass_cmd_set_immersion(f, 90); }},
        {"wear info", [&] { return server_->getLightSensorWearInfo(); },
         glass_cmd_get_wear_thresholds},
        {"wear off", [&] { return server_->setLightSensorWearDetection(true); },
         [](auto f) { return glass_cmd_set_wear_detection(f, true); }},
    };
    for (const auto& [name, send, build] : commands) {
        SCOPED_TRACE(name);
        glasses->clearOutputReports();
        EXPECT_EQ(send(), 0);
        ASSERT_TRUE(glasses->waitForOutputReports(1, std::chrono::seconds(5)));
        const auto reports = glasses->outputReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].reportId, 2);
        EXPECT_EQ(reports[0].bytes, frameOf(build));
    }
    EXPECT_TRUE(AppDelegate::shared().isCloseIMU.load());
    ASSERT_TRUE(versions.awaitCount(1));
    EXPECT_EQ(versions.notices()[0].object.text(), "TAVRO2PRO_FW_V1.53");
    // The 3D switch left a resolution step behind; 3D off then takes the screen back.
    EXPECT_TRUE(awaitWidth(3840));
    EXPECT_EQ(server_->stop_display_3d(), 0);
    EXPECT_TRUE(awaitWidth(1920));

    // Two switches within one delay both send and both schedule a step.
    glasses->clearOutputReports();
    EXPECT_EQ(server_->change_display_3d(true), 0);
    EXPECT_EQ(server_->change_display_3d(true), 0);
    EXPECT_EQ(glasses->outputReportCount(), 2u);
    ASSERT_TRUE(awaitWidth(3840));
    // A step's completion runs inside the step: a switch asked there reports 0 and sends
    // nothing.
    std::optional<int32_t> during;
    server_->deviceChangeResolution(false, [&](bool) {
        EXPECT_FALSE(server_->isSuccessChangeResolution());
        during = server_->change_display_3d(true);
    });
    ASSERT_TRUE(runUntil([&] { return during.has_value(); }));
    EXPECT_EQ(*during, 0);
    EXPECT_EQ(glasses->outputReportCount(), 2u);
}

TEST_F(TavroVXServerTest, SecondGenerationCommandsAreRefusedWithoutGlassesOrOnFirstGeneration) {
    for (int32_t refused :
         {server_->change_display_volume(3), server_->getTavroGlassFirmwareVersion(),
          server_->enterDfu(), server_->start_display_3d()}) {
        EXPECT_EQ(refused, -1);
    }
    // No device to send to yet: the 3D switch itself sends nothing and reports 0.
    EXPECT_EQ(server_->change_display_3d(false), 0);
    auto glasses = plugGlasses(VirtualGlasses::firstGeneration());
    EXPECT_EQ(server_->glassGeneration(), 1);
    for (int32_t refused :
         {server_->setDuty(10), server_->changeIMUWithGlassWithIsClose(true),
          server_->getIMUOffSetNew(), server_->setUserTempDrift(0, 1, 2, 3, 4),
          server_->getLightSensorWearInfo(), server_->setLightSensorWearDetection(false),
          server_->setImmersion(50, true)}) {
        EXPECT_EQ(refused, -1);
    }
    EXPECT_FALSE(AppDelegate::shared().isCloseIMU.load());
    server_->getFactoryImuTempBiasWithIdx(0, 1);
    EXPECT_EQ(glasses->outputReportCount(), 0u);
    // First-generation 3D on is the plain switch, not the second generation's.
    EXPECT_EQ(server_->change_display_volume(4), 0);
    EXPECT_EQ(server_->start_display_3d(), 0);
    ASSERT_TRUE(glasses->waitForOutputReports(2, std::chrono::seconds(5)));
    EXPECT_EQ(glasses->outputReports()[1].bytes,
              frameOf([](auto f) { return glass_cmd_switch_3d(f, true); }));
    EXPECT_TRUE(awaitWidth(3840));
}

// The server holds one pair of glasses and the wake device apart; a second pair changes
// nothing, and the pair's pull-out keeps its record.
TEST_F(TavroVXServerTest, OnePairAndTheWakeDeviceAreHeldApart) {
    auto wake = platform::sim::makeWakeDevice();
    setPlugged(wake, true, status_);
    auto glasses = plugGlasses(VirtualGlasses::secondGeneration(0x0483, 0x8001));
    const auto held = server_->ioHidDevice();
    EXPECT_EQ(status_.names(),
              (std::vector<std::string>{common::AppIdentifier() + "_WakeyChange_NSNotificationName",
                                        kGlassStatusChangeNotification}));
    EXPECT_EQ(status_.numbers(), (std::vector<int64_t>{1, 1}));
    ASSERT_TRUE(server_->hubDevice());
    EXPECT_EQ(server_->hubDevice()->deviceInfo.productId, 0x6001);

    // The monitor's own announcement tells when the server has had its chance to react.
    NotificationRecorder monitor({kHIDDeviceConnected, kHIDDeviceDisconnected});
    auto second = std::make_shared<VirtualGlasses>(VirtualGlasses::firstGeneration());
    setPlugged(second, true, monitor);
    setPlugged(second, false, monitor);
    setPlugged(wake, false, status_);
    EXPECT_EQ(status_.numbers(), (std::vector<int64_t>{1, 1, 0}));
    EXPECT_FALSE(server_->hubDevice());
    EXPECT_FALSE(server_->hubHidDevice());
    EXPECT_EQ(server_->ioHidDevice(), held);
    EXPECT_EQ(server_->glassGeneration(), 2);
    EXPECT_TRUE(AppDelegate::shared().glassStatus.load());

    setPlugged(glasses, false, status_);
    EXPECT_EQ(status_.numbers().back(), 0);
    EXPECT_FALSE(server_->ioHidDevice());
    EXPECT_FALSE(AppDelegate::shared().glassStatus.load());
    ASSERT_TRUE(server_->connectedDevice());
    EXPECT_EQ(server_->connectedDevice()->deviceInfo.productId, 0x8001);
    EXPECT_EQ(server_->glassGeneration(), 2);
    EXPECT_EQ(server_->change_display_volume(3), -1);

    // Without a glasses screen a resolution step ends with false.
    std::optional<bool> outcome;
    server_->deviceChangeResolution(true, [&](bool ok) { outcome = ok; });
    ASSERT_TRUE(runUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(*outcome);
}

TEST_F(TavroVXServerTest, FirmwareDecisionComparesVersionsNumerically) {
    AppDelegate::shared().glassStatus = true;
    const std::tuple<int64_t, const char*, bool> cases[] = {
        {2, "TAVRO2_FW_V1.64", true},      {2, "TAVRO2_FW_V1.65", false},
        {2, "TAVRO2_FW_V1.9", true},     // 9 < 65, though "9" > "6"
        {2, "TAVRO2_FW_V1.100", false},  // 100 > 65
        {2, "TAVRO2PRO_FW_V1.52", true},   {2, "TAVRO2PRO_FW_V1.53", false},
        {2, "SOMETHING_ELSE_V0.1", false}, {1, "TAVRO2_FW_V1.0", false}};
    for (const auto& [generation, version, needed] : cases)
        EXPECT_EQ(answerFor(generation, version), needed) << version;
    AppDelegate::shared().glassStatus = false;
    EXPECT_FALSE(answerFor(2, "TAVRO2_FW_V1.0"));
    EXPECT_EQ(numericCompare("V1.007", "V1.7"), 0);
    EXPECT_LT(numericCompare("V1", "V1.0"), 0);
    EXPECT_LT(numericCompare("V1.99999999999999999999999", "V1.100000000000000000000000"), 0);
    EXPECT_GT(numericCompare("b", "a1"), 0);
    // A bootloader taken for the glasses needs an update whatever the version says.
    auto config = VirtualGlasses::secondGeneration(VirtualBootloader::kVendorId,
                                                   VirtualBootloader::kProductId);
    config.identity.product = "";
    plugGlasses(config);
    EXPECT_TRUE(answerFor(2, ""));
    EXPECT_TRUE(answerFor(1, "TAVRO_FW_V1.40"));
}

TEST_F(TavroVXServerTest, ImmersionIsStoredAndSentOnlyWhenItMatters) {
    auto& defaults = platform::foundation::UserDefaults::standard();
    EXPECT_EQ(server_->getImmersion(), 76);
    EXPECT_EQ(defaults.objectForKey(kImmersionDefaultsKey), Value(76));
    defaults.setObject(Value("loud"), kImmersionDefaultsKey);
    EXPECT_EQ(server_->getImmersion(), 76);
    EXPECT_EQ(defaults.objectForKey(kImmersionDefaultsKey), Value("loud"));
    server_->changeImmersion(40);
    EXPECT_EQ(server_->getImmersion(), 40);
    auto glasses = plugGlasses(VirtualGlasses::secondGenerationPro());
    AppDelegate::shared().glassVersion.set("TAVRO2_FW_V1.65");
    EXPECT_EQ(server_->setImmersion(60, true), 0);  // not a Pro firmware
    AppDelegate::shared().glassVersion.set("TAVRO2PRO_FW_V1.53");
    EXPECT_EQ(server_->setImmersion(40, false), 0);  // already the stored value
    EXPECT_EQ(glasses->outputReportCount(), 0u);
    EXPECT_EQ(server_->setImmersion(40, true), 0);  // unless forced
    EXPECT_EQ(server_->setImmersion(41, false), 0);
    ASSERT_TRUE(glasses->waitForOutputReports(2, std::chrono::seconds(5)));
    EXPECT_EQ(glasses->immersion(), 41);
    EXPECT_EQ(server_->getImmersion(), 40);  // sending does not store
    setPlugged(glasses, false, status_);
    EXPECT_EQ(server_->setImmersion(42, true), -1);
}

TEST_F(TavroVXServerTest, CommandsRaceWithPlugAndPullOut) {
    auto glasses = std::make_shared<VirtualGlasses>(VirtualGlasses::secondGeneration());
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
    for (int round = 0; round < 11; ++round) setPlugged(glasses, round % 2 == 0, status_);
    while (sent.load() == 0) std::this_thread::yield();
    stop = true;
    for (auto& sender : senders) sender.join();
    EXPECT_EQ(status_.notices().size(), 11u);
    EXPECT_TRUE(server_->ioHidDevice());
}

// Every holder of the concrete server reaches the delegate's one; a server of another kind,
// or none, in its place is a fault of the program, not a reason to skip the work quietly.
TEST(GlassServerDeathTest, TheDelegatesServerIsReachedWholeAndAnotherKindStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    AppDelegate& delegate = AppDelegate::shared();
    auto server = std::make_shared<TavroVXServer>();
    delegate.vxServer.set(server);
    EXPECT_EQ(glassServer(delegate), server);
    struct OtherServer : VXServerInterface {
        void changeImmersion(int32_t) override {}
    };
    delegate.vxServer.set(std::make_shared<OtherServer>());
    EXPECT_DEATH(glassServer(delegate), "the delegate holds its glasses server");
    delegate.vxServer.set(nullptr);
    EXPECT_DEATH(glassServer(delegate), "the delegate holds its glasses server");
}

}  // namespace
