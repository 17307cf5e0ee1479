// The start panel's looks as the start and its results come, the name label, and the
// hand-over with the privacy screen, also when the result comes after an unplug.
#include "PanelFixture.h"
#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"
#include "TAVRO_3D/TavroHomeStartViewController.h"
#include "glasses/HIDDeviceMonitor.h"

using namespace panel_fixture;

namespace {

// Visibility of startButton, connectBgView, connectingLabel, connectErrorLabel,
// connectErrorTipsLabel: 1 shown, 0 hidden.
using Look = std::array<int, 5>;
constexpr Look kReady{1, 0, 1, 0, 0};
constexpr Look kFailedAndGone{1, 0, 0, 1, 1};  // the labels keep their state

class StartPanelTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        boot("macbook");
        AppDelegate::shared().glassStatus = true;
        AppDelegate::shared().glassConnectSuccessViewController.set(connected_);
        load(panel_);
    }
    void TearDown() override {
        AppDelegate::shared().glassConnectSuccessViewController.set(nullptr);
        PanelFixture::TearDown();
    }
    Look look() const {
        auto shown = [](const auto& weak) { return weak.lock()->isHidden() ? 0 : 1; };
        return {shown(panel_->startButton), shown(panel_->connectBgView),
                shown(panel_->connectingLabel), shown(panel_->connectErrorLabel),
                shown(panel_->connectErrorTipsLabel)};
    }
    void clickStart() {
        panel_->startButton.lock()->performClick();
        fdn::MainLoop::drain();
    }
    static void post(const char* name, int64_t object) {
        fdn::NotificationCenter::defaultCenter().post(name, fdn::Value(object));
    }
    static void postResult(int64_t success) {
        post(TavroHomeStartViewController::kStartResultNotification, success);
    }

    std::shared_ptr<TavroHomeStartViewController> panel_ =
        std::make_shared<TavroHomeStartViewController>();
    std::shared_ptr<TavroGlassConnectSuccessViewController> connected_ =
        std::make_shared<TavroGlassConnectSuccessViewController>();
};

TEST_F(StartPanelTest, LooksFollowTheStartAndItsResultsAndASuccessHandsOverAndDims) {
    AppDelegate& delegate = AppDelegate::shared();
    EXPECT_EQ(look(), kReady);
    clickStart();  // the MacBook has its own screen: no virtual display, connecting at once
    EXPECT_EQ(look(), (Look{0, 1, 1, 0, 0}));
    postResult(0);
    EXPECT_EQ(look(), (Look{0, 1, 0, 1, 1}));
    // A plug notification changes nothing; only an unplug brings the button back.
    post(kGlassStatusChangeNotification, 1);
    EXPECT_EQ(look(), (Look{0, 1, 0, 1, 1}));
    delegate.glassStatus = false;
    post(kGlassStatusChangeNotification, 0);
    EXPECT_EQ(look(), kFailedAndGone);
    delegate.glassStatus = true;
    delegate.privacyScreenLockButtonState = 1;
    ASSERT_NE(delegate.builtinDisplayID.load(), 0u);
    clickStart();
    postResult(1);
    EXPECT_EQ(look(), (Look{0, 0, 1, 0, 0}));
    EXPECT_EQ(window_->contentViewController(), connected_);
    EXPECT_GT(delegate.defaultBrightness.load(), 0.0f);  // the fade has begun
}

TEST_F(StartPanelTest, VersionTextsUpdateTheDelegateAndTheNameLabel) {
    auto postVersion = [](const char* version) {
        fdn::NotificationCenter::defaultCenter().post(kGlassVersionNotification,
                                                      fdn::Value(std::string(version)));
    };
    postVersion("TAVRO2_FW_V1.65");
    EXPECT_EQ(AppDelegate::shared().glassVersion.get(), "TAVRO2_FW_V1.65");
    EXPECT_EQ(panel_->nameLabel.lock()->stringValue(), "TAVRO Glass 已连接");
    // Also while another panel fills the window.
    window_->setContentViewController(connected_);
    postVersion("TAVRO2_FW_V1.60");
    EXPECT_EQ(AppDelegate::shared().glassVersion.get(), "TAVRO2_FW_V1.60");
}

TEST_F(StartPanelTest, AResultAfterTheGlassesWentNeitherHandsOverNorDims) {
    AppDelegate& delegate = AppDelegate::shared();
    delegate.privacyScreenLockButtonState = 1;
    clickStart();
    delegate.glassStatus = false;  // unplugged while the AI-3D mode was starting
    postResult(1);
    EXPECT_EQ(window_->contentViewController(), panel_);
    EXPECT_EQ(delegate.defaultBrightness.load(), 0.0f);
    EXPECT_EQ(look(), kReady);
    clickStart();
    postResult(0);
    EXPECT_EQ(look(), kFailedAndGone);
}

}  // namespace
