// The start panel's five looks as the visibility table gives them, the name label, and the
// hand-over with the privacy screen, also when the result comes after an unplug.

#include "PanelFixture.h"
#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"
#include "TAVRO_3D/TavroHomeStartViewController.h"
#include "glasses/HIDDeviceMonitor.h"
#include "glasses/TavroVXServer.h"

using namespace panel_fixture;

namespace {

// Visibility of startButton, connectBgView, connectingLabel, connectErrorLabel,
// connectErrorTipsLabel: 1 shown, 0 hidden.
using Look = std::array<int, 5>;
constexpr Look kReady{1, 0, 1, 0, 0};
constexpr Look kConnecting{0, 1, 1, 0, 0};
constexpr Look kFailed{0, 1, 0, 1, 1};
constexpr Look kHandedOver{0, 0, 1, 0, 0};

class StartPanelTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        boot("macbook");
        server_ = std::make_shared<TavroVXServer>();
        AppDelegate::shared().vxServer.set(server_);
        AppDelegate::shared().glassStatus = true;
        connected_ = std::make_shared<TavroGlassConnectSuccessViewController>();
        AppDelegate::shared().glassConnectSuccessViewController.set(connected_);
        panel_ = std::make_shared<TavroHomeStartViewController>();
        window_->setContentViewController(panel_);
        ASSERT_FALSE(panel_->loadError()) << panel_->loadError()->localizedDescription;
    }
    void TearDown() override {
        AppDelegate::shared().glassConnectSuccessViewController.set(nullptr);
        panel_.reset();
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
    static void post(const char* name, fdn::Value object) {
        fdn::NotificationCenter::defaultCenter().post(name, std::move(object));
    }

    std::shared_ptr<TavroVXServer> server_;
    std::shared_ptr<TavroHomeStartViewController> panel_;
    std::shared_ptr<TavroGlassConnectSuccessViewController> connected_;
};

TEST_F(StartPanelTest, LooksFollowTheStartAndItsResults) {
    EXPECT_EQ(look(), kReady);

    clickStart();  // the MacBook has its own screen: no virtual display, connecting at once
    EXPECT_EQ(look(), kConnecting);
    post(TavroHomeStartViewController::kStartResultNotification, fdn::Value(int64_t{0}));
    EXPECT_EQ(look(), kFailed);
    // A plug notification changes nothing; only an unplug brings the button back.
    post(kGlassStatusChangeNotification, fdn::Value(int64_t{1}));
    EXPECT_EQ(look(), kFailed);
    AppDelegate::shared().glassStatus = false;
    post(kGlassStatusChangeNotification, fdn::Value(int64_t{0}));
    EXPECT_EQ(look(), (Look{1, 0, 0, 1, 1}));  // gone: the labels keep their state

    AppDelegate::shared().glassStatus = true;
    clickStart();
    post(TavroHomeStartViewController::kStartResultNotification, fdn::Value(int64_t{1}));
    EXPECT_EQ(look(), kHandedOver);
    EXPECT_EQ(window_->contentViewController(), connected_);
}

TEST_F(StartPanelTest, VersionTextsUpdateTheDelegateAndTheNameLabel) {
    post(kGlassVersionNotification, fdn::Value(std::string("TAVRO2_FW_V1.65")));
    EXPECT_EQ(AppDelegate::shared().glassVersion.get(), "TAVRO2_FW_V1.65");
    EXPECT_EQ(panel_->nameLabel.lock()->stringValue(), "TAVRO Glass 已连接");
    // Also while another panel fills the window.
    window_->setContentViewController(connected_);
    post(kGlassVersionNotification, fdn::Value(std::string("TAVRO2_FW_V1.60")));
    EXPECT_EQ(AppDelegate::shared().glassVersion.get(), "TAVRO2_FW_V1.60");
}

TEST_F(StartPanelTest, ASuccessDimsTheBuiltInScreenWhenThePrivacyToggleIsOn) {
    AppDelegate& delegate = AppDelegate::shared();
    ASSERT_NE(delegate.builtinDisplayID.load(), 0u);
    delegate.privacyScreenLockButtonState = 1;
    clickStart();
    post(TavroHomeStartViewController::kStartResultNotification, fdn::Value(int64_t{1}));
    EXPECT_GT(delegate.defaultBrightness.load(), 0.0f);  // the fade has begun
}

TEST_F(StartPanelTest, AResultAfterTheGlassesWentNeitherHandsOverNorDims) {
    AppDelegate& delegate = AppDelegate::shared();
    delegate.privacyScreenLockButtonState = 1;
    clickStart();
    delegate.glassStatus = false;  // unplugged while the AI-3D mode was starting
    post(TavroHomeStartViewController::kStartResultNotification, fdn::Value(int64_t{1}));
    EXPECT_EQ(window_->contentViewController(), panel_);
    EXPECT_EQ(delegate.defaultBrightness.load(), 0.0f);
    EXPECT_EQ(look(), (Look{1, 0, 1, 0, 0}));

    clickStart();
    post(TavroHomeStartViewController::kStartResultNotification, fdn::Value(int64_t{0}));
    EXPECT_EQ(look(), (Look{1, 0, 0, 1, 1}));
}

}  // namespace
