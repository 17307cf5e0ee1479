// The firmware-update panel: its four looks, the reset and the failures it detects itself.
// The roads of an update through it are the whole-application tests'.

#include "PanelFixture.h"
#include "TAVRO_3D/TavroDFUUpdateViewController.h"
#include "TAVRO_3D/Widgets/ColorFromHex.h"
#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"

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

}  // namespace
