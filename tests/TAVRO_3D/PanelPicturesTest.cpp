// Every panel and screen in each of its looks, in both languages, drawn as the window
// shows it and compared with the pictures committed under docs/panels/. A picture that no
// longer matches (more than a small share of its pixels clearly different) fails the test.
// With TAVRO_UPDATE_PANEL_PICTURES=1 (tools/update_panel_pictures.sh) the pictures are
// written there instead.
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "PanelFixture.h"
#include "TAVRO_3D/TavroDFUUpdateViewController.h"
#include "TAVRO_3D/TavroExitAppViewController.h"
#include "TAVRO_3D/TavroGlassConnectSuccessPopoverViewController.h"
#include "TAVRO_3D/TavroGlassConnectSuccessViewController.h"
#include "TAVRO_3D/TavroHomeNewViewController.h"
#include "TAVRO_3D/TavroHomeStartViewController.h"
#include "TAVRO_3D/TavroTemperatureDriftCalibrationView.h"
#include "common/AppIdentifier.h"
#include "common/GlobalHelpers.h"
#include "platform/ui/PixelBuffer.h"
#include "platform/ui/Renderer.h"

namespace {

using namespace panel_fixture;
using Language = common::TavroLocalizationHelper::Language;

const std::filesystem::path kPictureDir =
    std::filesystem::path(TAVRO_SOURCE_DIR) / "docs" / "panels";

// A channel further off than this counts as a different pixel; text drawn by another
// font version moves edges by a few levels only.
constexpr int kChannelTolerance = 48;
// Share of different pixels a picture may have and still match.
constexpr double kPixelShareTolerance = 0.01;

bool updating() {
    const char* flag = std::getenv("TAVRO_UPDATE_PANEL_PICTURES");
    return flag && std::string(flag) == "1";
}

double differentShare(const ui::PixelBuffer& a, const ui::PixelBuffer& b) {
    if (a.width != b.width || a.height != b.height) return 1.0;
    size_t different = 0;
    for (size_t i = 0; i < a.argb.size(); ++i) {
        const uint32_t p = a.argb[i];
        const uint32_t q = b.argb[i];
        const int worst = std::max(
            {std::abs(ui::alphaOf(p) - ui::alphaOf(q)), std::abs(ui::redOf(p) - ui::redOf(q)),
             std::abs(ui::greenOf(p) - ui::greenOf(q)), std::abs(ui::blueOf(p) - ui::blueOf(q))});
        if (worst > kChannelTolerance) ++different;
    }
    return static_cast<double>(different) / static_cast<double>(a.argb.size());
}

class PanelPicturesTest : public PanelFixture {
  protected:
    void SetUp() override {
        PanelFixture::SetUp();
        AppDelegate::shared().glassVersion.set("TAVRO2_FW_V1.65");
    }

    // Draws the window as it is now and writes or checks "<name>-<language>.png".
    void picture(const std::string& name, Language language) {
        fdn::MainLoop::drain();
        const std::string file = name + (language == Language::Chinese ? "-zh" : "-en") + ".png";
        const ui::PixelBuffer drawn = ui::renderWindow(*window_, 1.0);
        ASSERT_FALSE(drawn.isEmpty()) << file;
        const std::filesystem::path path = kPictureDir / file;
        if (updating()) {
            std::filesystem::create_directories(kPictureDir);
            fdn::Error error;
            ASSERT_TRUE(drawn.writePng(path.string(), &error)) << error.localizedDescription;
            return;
        }
        auto committed = ui::PixelBuffer::readPng(path.string());
        ASSERT_TRUE(committed) << path << " is missing: run tools/update_panel_pictures.sh";
        const double share = differentShare(drawn, *committed);
        EXPECT_LE(share, kPixelShareTolerance)
            << file << " no longer matches what the code draws (" << share * 100
            << "% of its pixels differ); look at the change and run tools/update_panel_pictures.sh";
        if (share > kPixelShareTolerance)
            drawn.writePng(std::string(SHELL_TEST_OUTPUT_DIR) + "/" + file);
    }

    // Runs `scene` once per language, with the interface in that language.
    static void inBothLanguages(const std::function<void(Language)>& scene) {
        for (Language language : {Language::Chinese, Language::English}) {
            setLanguage(language);
            scene(language);
        }
    }
};

TEST_F(PanelPicturesTest, ConnectedPanelAndPopover) {
    struct Look {
        const char* name;
        int64_t mode;
        int64_t privacy;
        float depth;
        bool popover;
        bool help;
    };
    const Look looks[] = {{"connected-web", 0, 0, 0.008f, false, false},
                          {"connected-game-privacy-on", 1, 1, 0.0075f, false, false},
                          {"connected-video-help", 2, 0, 0.012f, false, true},
                          {"popover-game", 1, 0, 0.01f, true, false},
                          {"popover-video-privacy-on", 2, 1, 0.015f, true, false}};
    inBothLanguages([&](Language language) {
        for (const Look& look : looks) {
            AppDelegate::shared().modelType = look.mode;
            AppDelegate::shared().privacyScreenLockButtonState = look.privacy;
            AppDelegate::shared().depthValue = look.depth;
            std::shared_ptr<ui::ViewController> controller;
            if (look.popover) {
                controller = std::make_shared<TavroGlassConnectSuccessPopoverViewController>();
            } else {
                auto panel = std::make_shared<TavroGlassConnectSuccessViewController>();
                panel->view();
                panel->modeHelpTipsImgView.lock()->setHidden(!look.help);
                controller = panel;
            }
            show(controller);
            picture(look.name, language);
        }
    });
}

TEST_F(PanelPicturesTest, FirmwareUpdatePanel) {
    auto post = [](const char* suffix, fdn::Value object) {
        common::postNotification(common::AppIdentifier() + suffix, object);
        fdn::MainLoop::drain();
    };
    inBothLanguages([&](Language language) {
        auto panel = std::make_shared<TavroDFUUpdateViewController>();
        show(panel);
        picture("dfu-offer", language);
        // Updating: what a press shows, with the updater's version line and progress.
        panel->showTips("正在升级，请勿拔出眼镜");
        panel->updateButton.lock()->setHidden(true);
        panel->progressIndicator.lock()->setHidden(false);
        post(".dfuUpdate_versionShow", fdn::Value(1));
        post(".dfuUpdate_progress", fdn::Value(40.0f));
        picture("dfu-updating", language);
        post(".dfuUpdate_status", fdn::Value(false));
        picture("dfu-failed", language);
        post(".dfuUpdate_status", fdn::Value(true));
        picture("dfu-succeeded", language);
    });
}

TEST_F(PanelPicturesTest, CalibrationScreen) {
    inBothLanguages([&](Language language) {
        auto panel = std::make_shared<TavroGlassConnectSuccessViewController>();
        show(panel);
        auto calibration = TavroTemperatureDriftCalibrationView::fromDescription();
        ASSERT_TRUE(calibration);
        panel->view()->addSubview(calibration);
        picture("calibration", language);
        auto reset = calibration->resetButton.lock();
        const ui::Point over = reset->convertPointToView(
            {reset->bounds().size.width / 2, reset->bounds().size.height / 2}, nullptr);
        send(ui::EventType::MouseMoved, over);
        picture("calibration-reset-hover", language);
    });
}

TEST_F(PanelPicturesTest, HomePanel) {
    // The hint differs between a Mac with a screen of its own and a Mac mini.
    for (const char* profile : {"macbook", "macmini"}) {
        boot(profile);
        inBothLanguages([&](Language language) {
            auto panel = std::make_shared<TavroHomeNewViewController>();
            show(panel);
            picture(std::string("home-") + profile, language);
        });
    }
}

TEST_F(PanelPicturesTest, StartPanel) {
    boot("macbook");
    AppDelegate::shared().glassStatus = true;
    inBothLanguages([&](Language language) {
        auto panel = std::make_shared<TavroHomeStartViewController>();
        show(panel);
        picture("start-ready", language);
        panel->startButton.lock()->performClick();
        fdn::MainLoop::drain();
        picture("start-connecting", language);
        fdn::NotificationCenter::defaultCenter().post(
            TavroHomeStartViewController::kStartResultNotification, fdn::Value(int64_t{0}));
        picture("start-failed", language);
    });
}

TEST_F(PanelPicturesTest, ExitScreen) {
    boot("macbook");
    inBothLanguages([&](Language language) {
        auto screen = std::make_shared<TavroExitAppViewController>();
        show(screen);
        picture("exit", language);
        // The hover look comes with the mouse anywhere over the view.
        send(ui::EventType::MouseMoved, {4, 40});
        send(ui::EventType::MouseMoved, {4, 40});
        picture("exit-hover", language);
    });
}

}  // namespace
