// Pictures for a person to judge: a HUD in each mode and a toast, over the 420 x 620 main
// window, written as PNG files into the build folder. The checks only make sure the
// pictures were written and show the box where it belongs.

#include "TAVRO_3D/ProgressHUD/ProgressHUD.h"
#include "TAVRO_3D/Toast/ViewToastOperations.h"
#include "TAVRO_3D/Widgets/ColorFromHex.h"
#include "WidgetTestSupport.h"
#include "platform/ui/PixelBuffer.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TextMeasurement.h"

using namespace widget_testing;

class PicturesTest : public WidgetTest {
  protected:
    ui::PixelBuffer write(const std::string& name) {
        content_->setWantsLayer(true);
        content_->layer().setBackgroundColor(initWithHexString("#EEF1F7"));
        const std::string path = std::string(TAVRO_3D_TEST_OUTPUT_DIR) + "/" + name + ".png";
        fd::Error error;
        EXPECT_TRUE(ui::writeWindowPng(*window_, path, 2.0, &error)) << error.localizedDescription;
        return ui::PixelBuffer::readPng(path).value_or(ui::PixelBuffer{});
    }
};

TEST_F(PicturesTest, HudInEachMode) {
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
}

TEST_F(PicturesTest, ToastOverTheWindow) {
    const std::string message = "Defaults restored";
    showToast(*content_, message);
    advance(0.5);
    const auto pixels = write("toast");
    // In the bubble's left padding, beside the text, at scale 2.
    const double left = 210 - (ui::sizeOfText(message, ui::Font::systemFont(16)).width + 44) / 2;
    EXPECT_NEAR(ui::redOf(pixels.pixelFromBottom(static_cast<int>(2 * (left + 10)), 620)), 0x5C, 2);
}
