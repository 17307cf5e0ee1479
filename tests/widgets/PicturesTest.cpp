// Pictures for a person to judge, written as PNG files into the build folder: a HUD in each
// mode and a toast over the 420 x 620 main window.

#include "WidgetTestSupport.h"
#include "platform/ui/Renderer.h"
#include "widgets/ColorFromHex.h"
#include "widgets/ProgressHUD/ProgressHUD.h"
#include "widgets/Toast/ViewToastOperations.h"

using namespace widget_testing;

TEST_F(WidgetTest, PicturesOfTheHudInEachModeAndOfAToast) {
    content_->setWantsLayer(true);
    content_->layer().setBackgroundColor(initWithHexString("#EEF1F7"));
    auto write = [&](const std::string& name) {
        const std::string path = std::string(WIDGETS_TEST_OUTPUT_DIR) + "/" + name + ".png";
        fd::Error error;
        EXPECT_TRUE(ui::writeWindowPng(*window_, path, 2.0, &error)) << error.localizedDescription;
    };
    auto hud = ProgressHUD::initWithFrame({});
    hud->containerView = content_;
    hud->style = ProgressHUDStyle::custom(ui::Color::whiteColor(), *initWithHexString("#7c7c7c"));
    hud->maskType = ProgressHUDMaskType::custom(ui::Color::blackColor().withAlpha(0.2));
    for (const auto& [name, mode] : {std::pair{"indeterminate", ProgressHUDMode::indeterminate()},
                                     {"determinate", ProgressHUDMode::determinate()},
                                     {"info", ProgressHUDMode::info()},
                                     {"success", ProgressHUDMode::success()},
                                     {"error", ProgressHUDMode::error()},
                                     {"text", ProgressHUDMode::text()}}) {
        hud->showStatus(std::string("Mode: ") + name, mode);
        hud->progress = 0.65;
        advance(0.35);
        write(std::string("hud_") + name);
    }
    hud->hideHUD(false);
    hud->containerView = nullptr;
    showToast(*content_, "Defaults restored");
    advance(0.5);
    write("toast");
}
