// The firmware-update panel: its four looks, the reset, the failures it detects itself,
// and the two roads of an update on the simulated Mac: glasses at 1.60 sent into their
// bootloader and programmed to 1.65, and a device that already is the bootloader.
#include <algorithm>

#include "PanelFixture.h"
#include "TAVRO_3D/TavroDFUUpdateViewController.h"
#include "TAVRO_3D/Widgets/ColorFromHex.h"
#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "glasses/TavroVXServer.h"
#include "platform/hid/HidApi.h"
#include "platform/hid/SimulatedHidApi.h"
#include "platform/sim/MachineProfiles.h"
#include "platform/sim/SimMac.h"
#include "platform/sim/SimUsbBus.h"
#include "platform/sim/VirtualBootloader.h"
#include "platform/sim/VirtualGlasses.h"

namespace {

using namespace panel_fixture;
using Panel = TavroDFUUpdateViewController;

std::string dfuName(const char* suffix) {
    return common::AppIdentifier() + suffix;
}

// What the panel shows: picture, tips, button (title, red tint), progress bar.
struct Look {
    std::string image;
    std::string tips;
    bool buttonShown;
    std::string buttonTitle;
    bool redButton;
    bool progressShown;
    bool operator==(const Look&) const = default;
};

void PrintTo(const Look& look, std::ostream* out) {
    *out << look.image << " / " << look.tips << " / button " << look.buttonShown << " "
         << look.buttonTitle << " red " << look.redButton << " / progress " << look.progressShown;
}

Look lookOf(const Panel& panel) {
    auto button = panel.updateButton.lock();
    auto image = panel.updateImageView.lock()->image();
    auto tips = panel.tipsLabel1.lock()->attributedStringValue();
    return {image ? image->name() : "",
            tips ? tips->string : "",
            !button->isHidden(),
            button->title(),
            button->contentTintColor() == initWithHexString("#FF0000"),
            !panel.progressIndicator.lock()->isHidden()};
}

const Look kOffer{"update-dfu", "发现眼镜固件新版本", true, "开始升级", false, false};
const Look kFailed{"update-dfu-failed", "升级失败，请重试", true, "重试", true, false};

class DfuPanelTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        panel_ = std::make_shared<Panel>();
    }
    void load() {
        show(panel_);
        ASSERT_FALSE(panel_->loadError()) << panel_->loadError()->localizedDescription;
    }
    static void post(const char* suffix, fdn::Value object) {
        common::postNotification(dfuName(suffix), object);
        fdn::MainLoop::drain();
    }
    std::shared_ptr<Panel> panel_;
};

TEST_F(DfuPanelTest, LooksFollowTheUpdatersNotices) {
    AppDelegate::shared().isDfuUpdateStart = true;
    load();
    EXPECT_FALSE(AppDelegate::shared().isDfuUpdateStart.load());
    Look offer = kOffer;
    offer.image = "update-dfu";  // the description's own first picture
    EXPECT_EQ(lookOf(*panel_), offer);
    EXPECT_EQ(panel_->tipsLabel2.lock()->stringValue(), "升级耗时约15秒");

    // The version line: the plain model shows its target, any other model the Pro's.
    post(".dfuUpdate_versionShow", fdn::Value(1.0f));
    EXPECT_EQ(panel_->tipsLabel2.lock()->stringValue(), "版本V1.65");
    post(".dfuUpdate_versionShow", fdn::Value(2));
    EXPECT_EQ(panel_->tipsLabel2.lock()->stringValue(), "版本V1.53");
    post(".dfuUpdate_versionShow", fdn::Value("1"));  // not a number: ignored
    EXPECT_EQ(panel_->tipsLabel2.lock()->stringValue(), "版本V1.53");
    post(".dfuUpdate_progress", fdn::Value(42.5f));
    EXPECT_EQ(panel_->progressIndicator.lock()->doubleValue(), 42.5);

    post(".dfuUpdate_status", fdn::Value(false));
    EXPECT_EQ(lookOf(*panel_), kFailed);

    AppDelegate::shared().isDfuUpdateStart = true;
    post(".dfuUpdate_status", fdn::Value(true));
    EXPECT_EQ(lookOf(*panel_),
              (Look{"update-dfu-success", "升级完成，请重新插入眼镜", false, "重试", true, false}));
    EXPECT_FALSE(AppDelegate::shared().isDfuUpdateStart.load());

    panel_->isBeginUpdateDfu = true;
    panel_->resetDfuView();
    EXPECT_EQ(lookOf(*panel_), kOffer);
    EXPECT_FALSE(panel_->isBeginUpdateDfu.load());
    EXPECT_EQ(panel_->progressIndicator.lock()->doubleValue(), 0.0);
    EXPECT_EQ(panel_->tipsLabel2.lock()->stringValue(), "升级耗时约15秒");
}

TEST_F(DfuPanelTest, ResetBeforeLoadingChangesNothing) {
    panel_->isBeginUpdateDfu = true;
    panel_->resetDfuView();
    EXPECT_FALSE(panel_->isViewLoaded());
    EXPECT_TRUE(panel_->isBeginUpdateDfu.load());
}

TEST_F(DfuPanelTest, WithoutGlassesTheBootloaderCommandFailsAtOnceAndRetryKeepsTheRedButton) {
    load();
    panel_->updateButton.lock()->performClick();
    EXPECT_TRUE(AppDelegate::shared().isDfuUpdateStart.load());
    fdn::MainLoop::drain();
    EXPECT_EQ(lookOf(*panel_), kFailed);
    EXPECT_TRUE(AppDelegate::shared().isDfuUpdateStart.load());  // kept on failure

    // A new attempt hides the button without restoring its colours.
    panel_->startDFUUpdate();
    Look updating = kFailed;
    updating.image = "update-dfu";
    updating.tips = "正在升级，请勿拔出眼镜";
    updating.buttonShown = false;
    updating.progressShown = true;
    EXPECT_EQ(lookOf(*panel_), updating);
    fdn::MainLoop::drain();
    EXPECT_EQ(lookOf(*panel_), kFailed);
}

// The panel on a simulated Mac with a glasses server, the clock running fast.
class DfuRoadTest : public DfuPanelTest {
  protected:
    void SetUp() override {
        DfuPanelTest::SetUp();
        scopedClock_.reset();
        scopedClock_.emplace(std::make_shared<fdn::RealClock>(20.0));
        auto profile = platform::sim::parseMachineProfile(R"({
            "model": "MacBookPro18,3", "cpuBrand": "Apple M1 Pro", "locale": "zh_CN",
            "glassesDisplay": "extended"})");
        ASSERT_TRUE(profile);
        mac_ = std::make_unique<platform::sim::SimMac>(std::move(profile).value());
        // Installed once for the whole run: an updater run may still be closing its port
        // on it when a test has seen all it waits for.
        [[maybe_unused]] static const bool installed =
            (platform::hid::setHidApi(platform::hid::makeSimulatedHidApi()), true);
        server_ = std::make_shared<TavroVXServer>();
        server_->shareManager();
        AppDelegate::shared().vxServer.set(server_);
    }
    void TearDown() override {
        AppDelegate::shared().vxServer.set(nullptr);
        server_.reset();
        for (auto& device : plugged_) mac_->unplugDevice(device);
        // The devices' own threads wait on the clock: they go before it does.
        plugged_.clear();
        mac_.reset();
        DfuPanelTest::TearDown();
    }
    void plug(const std::shared_ptr<platform::sim::VirtualHidDevice>& device) {
        plugged_.push_back(device);
        mac_->plugDevice(device);
    }
    static bool runUntil(const std::function<bool()>& done, double seconds = 600) {
        return fdn::MainLoop::runUntilSeconds(done, seconds);
    }
    // The updater's progress values; its statuses must stay unsent (the delegate decides).
    std::vector<float> progress() const {
        std::vector<float> values;
        for (const auto& value : notices_.objects(dfuName(".dfuUpdate_progress")))
            values.push_back(value.asFloat());
        return values;
    }
    size_t statuses() const { return notices_.count(dfuName(".dfuUpdate_status")); }
    bool connectedIsBootloader() const {
        auto device = server_->connectedDevice();
        return device && device->deviceInfo.vendorId == 0x0416 &&
               device->deviceInfo.productId == 0x3F00;
    }

    std::shared_ptr<TavroVXServer> server_;
    std::vector<std::shared_ptr<platform::sim::VirtualHidDevice>> plugged_;
    NotificationRecorder notices_{{dfuName(".dfuUpdate_progress"), dfuName(".dfuUpdate_status")}};
};

TEST_F(DfuRoadTest, GlassesAt160GoThroughTheirBootloaderAndComeBackAt165) {
    auto config = platform::sim::VirtualGlasses::secondGeneration();
    config.firmwareVersion = "TAVRO2_FW_V1.60";
    auto glasses = std::make_shared<platform::sim::VirtualGlasses>(config);
    plug(glasses);
    ASSERT_TRUE(runUntil([&] { return server_->connectedDevice() != nullptr; }));
    load();

    panel_->updateButton.lock()->performClick();
    EXPECT_TRUE(AppDelegate::shared().isDfuUpdateStart.load());
    EXPECT_TRUE(panel_->updateButton.lock()->isHidden());
    EXPECT_FALSE(panel_->progressIndicator.lock()->isHidden());

    // What the plug sequence does when the bootloader arrives: it ends the panel's wait.
    ASSERT_TRUE(runUntil([&] { return connectedIsBootloader(); }));
    panel_->isBeginUpdateDfu = true;
    ASSERT_TRUE(runUntil([&] {
        return !progress().empty() && platform::sim::SimUsbBus::shared().isPlugged(*glasses) &&
               !platform::sim::SimUsbBus::shared().isPlugged(*glasses->bootloader());
    }));
    fdn::MainLoop::drain();

    const auto values = progress();
    EXPECT_GT(values.size(), 2u);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_LE(*std::max_element(values.begin(), values.end()), 95.0f);
    EXPECT_LE(panel_->progressIndicator.lock()->doubleValue(), 95.0);
    EXPECT_GT(panel_->progressIndicator.lock()->doubleValue(), 50.0);
    EXPECT_EQ(statuses(), 0u);
    EXPECT_EQ(panel_->tipsLabel2.lock()->stringValue(), "版本V1.65");
    EXPECT_EQ(glasses->firmwareVersion(), "TAVRO2_FW_V1.65");
}

TEST_F(DfuRoadTest, ABootloaderAlreadyPresentIsProgrammedAtOnceWithoutTheCommandOrTheWait) {
    auto bootloader = std::make_shared<platform::sim::VirtualBootloader>(1);
    plug(bootloader);
    ASSERT_TRUE(runUntil([&] { return connectedIsBootloader(); }));
    load();
    // The wait would not program while the glasses count as gone; the direct run does.
    AppDelegate::shared().glassStatus = false;
    panel_->updateButton.lock()->performClick();
    ASSERT_TRUE(
        runUntil([&] { return !platform::sim::SimUsbBus::shared().isPlugged(*bootloader); }));
    fdn::MainLoop::drain();
    EXPECT_TRUE(bootloader->programmingComplete());
    const auto values = progress();
    ASSERT_FALSE(values.empty());
    EXPECT_LE(*std::max_element(values.begin(), values.end()), 95.0f);
    EXPECT_EQ(statuses(), 0u);
    EXPECT_FALSE(panel_->isBeginUpdateDfu.load());
}

}  // namespace
