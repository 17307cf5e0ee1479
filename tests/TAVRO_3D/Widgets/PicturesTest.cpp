// Pictures for a person to judge, written as PNG files into the build folder: a HUD in each
// mode and a toast over the 420 x 620 main window. The checks make sure each picture was
// written and shows its box.

#include <algorithm>

#include "TAVRO_3D/ProgressHUD/ProgressHUD.h"
#include "TAVRO_3D/Toast/ViewToastOperations.h"
#include "TAVRO_3D/Widgets/ColorFromHex.h"
#include "WidgetTestSupport.h"
#include "platform/ui/PixelBuffer.h"
#include "platform/ui/Renderer.h"

using namespace widget_testing;

TEST_F(WidgetTest, PicturesOfTheHudInEachModeAndOfAToast) {
    content_->setWantsLayer(true);
    content_->layer().setBackgroundColor(initWithHexString("#EEF1F7"));
    auto write = [&](const std::string& name) {
        const std::string path = std::string(TAVRO_3D_TEST_OUTPUT_DIR) + "/" + name + ".png";
        fd::Error error;
        EXPECT_TRUE(ui::writeWindowPng(*window_, path, 2.0, &error)) << error.localizedDescription;
        return ui::PixelBuffer::readPng(path).value_or(ui::PixelBuffer{});
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
        const auto pixels = write(std::string("hud_") + name);
        ASSERT_EQ(pixels.width, 840);
        // The box is drawn at the centre.
        EXPECT_NE(pixels.pixelFromBottom(420, 620), pixels.pixelFromBottom(10, 10)) << name;
    }
    hud->hideHUD(false);
    hud->containerView = nullptr;

    showToast(*content_, "Defaults restored");
    advance(0.5);
    const auto pixels = write("toast");
    // The bubble's grey shows on the middle row.
    bool bubble = false;
    for (int x = 0; x < pixels.width; ++x)
        bubble = bubble || std::abs(int(ui::redOf(pixels.pixelFromBottom(x, 620))) - 0x5C) <= 2;
    EXPECT_TRUE(bubble);
}
