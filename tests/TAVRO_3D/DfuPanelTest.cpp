// The firmware-update panel: its looks as the updater's notices come, the reset and the
// failures it detects itself. The roads of an update through it are the whole-application
// tests'.
#include "PanelFixture.h"
#include "TAVRO_3D/TavroDFUUpdateViewController.h"
#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "widgets/ColorFromHex.h"

namespace {

using namespace panel_fixture;
using Panel = TavroDFUUpdateViewController;

// Picture / tips [/ button title when shown] [red when tinted so] [/ progress when shown].
std::string lookOf(const Panel& panel) {
    auto button = panel.updateButton.lock();
    auto image = panel.updateImageView.lock()->image();
    auto tips = panel.tipsLabel1.lock()->attributedStringValue();
    std::string look = (image ? image->name() : "") + " / " + (tips ? tips->string : "");
    if (!button->isHidden()) look += " / " + button->title();
    if (button->contentTintColor() == initWithHexString("#FF0000")) look += " red";
    if (!panel.progressIndicator.lock()->isHidden()) look += " / progress";
    return look;
}

const std::string kOffer = "update-dfu / 发现眼镜固件新版本 / 开始升级";
const std::string kFailed = "update-dfu-failed / 升级失败，请重试 / 重试 red";

class DfuPanelTest : public PanelFixture {
  protected:
    static void post(const char* suffix, fdn::Value object) {
        common::postNotification(common::AppIdentifier() + suffix, object);
        fdn::MainLoop::drain();
    }
    std::string versionLine() const { return panel_->tipsLabel2.lock()->stringValue(); }
    std::shared_ptr<Panel> panel_ = std::make_shared<Panel>();
};

TEST_F(DfuPanelTest, LooksFollowTheUpdatersNotices) {
    AppDelegate::shared().isDfuUpdateStart = true;
    show(panel_);
    EXPECT_FALSE(AppDelegate::shared().isDfuUpdateStart.load());
    EXPECT_EQ(lookOf(*panel_), kOffer);
    EXPECT_EQ(versionLine(), "升级耗时约15秒");
    // The version line: the plain model shows its target, any other model the Pro's.
    post(".dfuUpdate_versionShow", fdn::Value(1.0f));
    EXPECT_EQ(versionLine(), "版本V1.65");
    post(".dfuUpdate_versionShow", fdn::Value(2));
    EXPECT_EQ(versionLine(), "版本V1.53");
    post(".dfuUpdate_versionShow", fdn::Value("1"));  // not a number: ignored
    EXPECT_EQ(versionLine(), "版本V1.53");
    post(".dfuUpdate_progress", fdn::Value(42.5f));
    EXPECT_EQ(panel_->progressIndicator.lock()->doubleValue(), 42.5);
    post(".dfuUpdate_status", fdn::Value(false));
    EXPECT_EQ(lookOf(*panel_), kFailed);
    AppDelegate::shared().isDfuUpdateStart = true;
    post(".dfuUpdate_status", fdn::Value(true));
    EXPECT_EQ(lookOf(*panel_), "update-dfu-success / 升级完成，请重新插入眼镜 red");
    EXPECT_FALSE(AppDelegate::shared().isDfuUpdateStart.load());
    panel_->isBeginUpdateDfu = true;
    panel_->resetDfuView();
    EXPECT_EQ(lookOf(*panel_), kOffer);
    EXPECT_FALSE(panel_->isBeginUpdateDfu.load());
    EXPECT_EQ(panel_->progressIndicator.lock()->doubleValue(), 0.0);
    EXPECT_EQ(versionLine(), "升级耗时约15秒");
}

TEST_F(DfuPanelTest, ResetBeforeLoadingChangesNothing) {
    panel_->isBeginUpdateDfu = true;
    panel_->resetDfuView();
    EXPECT_FALSE(panel_->isViewLoaded());
    EXPECT_TRUE(panel_->isBeginUpdateDfu.load());
}

TEST_F(DfuPanelTest, WithoutGlassesTheBootloaderCommandFailsAtOnceAndRetryKeepsTheRedButton) {
    show(panel_);
    panel_->updateButton.lock()->performClick();
    EXPECT_TRUE(AppDelegate::shared().isDfuUpdateStart.load());
    fdn::MainLoop::drain();
    EXPECT_EQ(lookOf(*panel_), kFailed);
    EXPECT_TRUE(AppDelegate::shared().isDfuUpdateStart.load());  // kept on failure
    // A new attempt hides the button without restoring its colours.
    panel_->startDFUUpdate();
    EXPECT_EQ(lookOf(*panel_), "update-dfu / 正在升级，请勿拔出眼镜 red / progress");
    fdn::MainLoop::drain();
    EXPECT_EQ(lookOf(*panel_), kFailed);
}

}  // namespace
