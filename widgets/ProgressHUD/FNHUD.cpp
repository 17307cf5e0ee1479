#include "widgets/ProgressHUD/FNHUD.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ProgressIndicator.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextMeasurement.h"
#include "widgets/ProgressHUD/HUDNoMouseView.h"

using namespace platform::ui;

namespace {

constexpr double kImageSide = 48;
constexpr double kImageRoom = 58;
constexpr double kMaxTextWidth = 320;
constexpr double kMaxTextHeight = 240;
constexpr double kMinTextWidth = 120;

struct Looks {
    std::optional<Font> font;
    double top = 20, left = 20, bottom = 20, right = 20;
    std::optional<std::vector<std::shared_ptr<View>>> shown;
    std::optional<Color> background;
    std::optional<Color> text;
    ImagePtr success;
    ImagePtr failure;
    bool setUp = false;
};

Looks& looks() {
    static auto* values = new Looks;
    return *values;
}

void ensureSetUp() {
    if (!looks().setUp) FNHUD::setup();
}

Size measure(const std::string& message) {
    TextAttributes attributes;
    attributes.font = looks().font;
    return boundingRectOfText(message, {kMaxTextWidth, kMaxTextHeight},
                              UsesLineFragmentOrigin | UsesFontLeading, attributes)
        .size;
}

void forget(const View* view) {
    auto& shown = *looks().shown;
    std::erase_if(shown,
                  [view](const std::shared_ptr<View>& entry) { return entry.get() == view; });
}

}  // namespace

FNHUD::FNHUD(Passkey, const Rect& frame) : View(frame) {}

void FNHUD::setup() {
    Looks& values = looks();
    if (!values.font) values.font = Font::boldSystemFont(15);
    values.top = values.left = values.bottom = values.right = 20;
    if (!values.shown) values.shown.emplace();
    if (!values.background) values.background = colorWithHex("#525252", 1.0);
    if (!values.text) values.text = Color::whiteColor();
    if (!values.success) values.success = Image::named("yy_hud_success");
    if (!values.failure) values.failure = Image::named("yy_hud_fail");
    values.setUp = true;
}

const std::vector<std::shared_ptr<View>>& FNHUD::shownViews() {
    ensureSetUp();
    return *looks().shown;
}

void FNHUD::showLoading(const std::string& message, bool mask, const std::shared_ptr<View>& view) {
    TAVRO_ASSERT_MAIN_THREAD();
    _createUIWithMsg(message, nullptr, view, mask, false);
}

void FNHUD::showMessage(const std::string& message, const std::shared_ptr<View>& view) {
    TAVRO_ASSERT_MAIN_THREAD();
    _createUIWithMsg(message, nullptr, view, false, true);
}

void FNHUD::showSuccess(const std::string& message, const std::shared_ptr<View>& view) {
    TAVRO_ASSERT_MAIN_THREAD();
    ensureSetUp();
    _createUIWithMsg(message, looks().success, view, false, true);
}

void FNHUD::showError(const std::string& message, const std::shared_ptr<View>& view) {
    TAVRO_ASSERT_MAIN_THREAD();
    ensureSetUp();
    _createUIWithMsg(message, looks().failure, view, false, true);
}

void FNHUD::hide() {
    TAVRO_ASSERT_MAIN_THREAD();
    ensureSetUp();
    for (const auto& shown : std::vector<std::shared_ptr<View>>(*looks().shown)) {
        std::weak_ptr<View> weak = shown;
        AnimationContext::runAnimationGroup(
            [&shown](AnimationContext&) { animator(*shown).setAlphaValue(0.0); },
            [weak] {
                if (auto gone = weak.lock()) {
                    gone->removeFromSuperview();
                    forget(gone.get());
                }
            });
    }
}

Color FNHUD::colorWithHex(std::string_view hex, double alpha) {
    auto isBlank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!hex.empty() && isBlank(hex.front())) hex.remove_prefix(1);
    while (!hex.empty() && isBlank(hex.back())) hex.remove_suffix(1);
    std::string text(hex);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (text.size() >= 6 && text.size() <= 8) {
        if (text.starts_with("0X")) {
            text.erase(0, 2);
        } else if (text.starts_with("#")) {
            text.erase(0, 1);
        }
    }
    const auto colour = text.size() == 6 ? Color::fromHexDigits(text) : std::nullopt;
    return colour ? colour->withAlpha(alpha) : Color::clearColor();
}

Rect FNHUD::_calcRectWithMessage(const std::string& message, bool hasImage, Size parentSize) {
    ensureSetUp();
    const Looks& values = looks();
    const Size text = measure(message);
    const double width = std::max(text.width, kMinTextWidth) + values.left + values.right;
    const double height = (hasImage ? kImageRoom : 0) + text.height + values.top + values.bottom;
    return {(parentSize.width - width) / 2, (parentSize.height - height) / 2, width, height};
}

std::shared_ptr<FNHUD> FNHUD::_createInstanceWithFrame(const Rect& frame) {
    ensureSetUp();
    auto hud = std::make_shared<FNHUD>(Passkey{}, frame);
    hud->setWantsLayer(true);
    hud->layer().setBackgroundColor(looks().background);
    hud->layer().setCornerRadius(6);
    hud->setAutoresizingMask(ViewMinXMargin | ViewMaxXMargin | ViewMinYMargin | ViewMaxYMargin);
    return hud;
}

void FNHUD::_createUIWithMsg(const std::string& message, const ImagePtr& image,
                             const std::shared_ptr<View>& view, bool mask, bool autoHide) {
    if (message.empty() || !view) return;
    ensureSetUp();
    hide();
    const Looks& values = looks();
    const bool hasImage = image ? true : !autoHide;

    const Rect rect = _calcRectWithMessage(message, hasImage, view->frame().size);
    auto hud = _createInstanceWithFrame(rect);
    const double hw = hud->frame().size.width;
    const double hh = hud->frame().size.height;
    const double imageRoom = hasImage ? kImageRoom : 0;

    const Size text = measure(message);
    const double lw = std::min(text.width + 10, kMaxTextWidth);
    auto label = std::make_shared<TextField>(
        Rect{(hw - lw) / 2, hh - (text.height + values.top + imageRoom), lw, text.height});
    label->setFont(*values.font);
    label->setStringValue(message);
    label->setTextColor(*values.text);
    label->setEditable(false);
    label->setBackgroundColor(Color::clearColor());
    label->setDrawsBackground(true);
    label->setBordered(false);
    label->setAlignment(TextAlignment::Center);
    hud->addSubview(label);

    const Rect pictureFrame{(hw - kImageSide) / 2, hh - values.top - kImageSide, kImageSide,
                            kImageSide};
    if (image) {
        auto picture = std::make_shared<ImageView>(pictureFrame);
        picture->setImage(image);
        picture->setImageScaling(ImageScaling::AxesIndependently);
        hud->addSubview(picture);
    } else if (!autoHide) {
        auto spinner = std::make_shared<ProgressIndicator>(pictureFrame);
        spinner->setStyle(ProgressIndicatorStyle::Spinning);
        spinner->setIndeterminate(true);
        spinner->setTintColor(Color::whiteColor());  // rendered white, as on the dark box
        spinner->startAnimation();
        hud->addSubview(spinner);
    }

    std::shared_ptr<View> shown = hud;
    if (mask) {
        auto backdrop = std::make_shared<HUDNoMouseView>(
            Rect{0, 0, view->frame().size.width, view->frame().size.height});
        backdrop->setWantsLayer(true);
        backdrop->layer().setBackgroundColor(colorWithHex("#000000", 0.1));
        backdrop->setAutoresizingMask(ViewMinXMargin | ViewWidthSizable | ViewMaxXMargin |
                                      ViewMinYMargin | ViewHeightSizable | ViewMaxYMargin);
        backdrop->addSubview(hud);
        shown = backdrop;
    }
    shown->setAlphaValue(0);
    view->addSubview(shown);
    animator(*shown).setAlphaValue(1.0);
    looks().shown->push_back(shown);

    if (autoHide) {
        std::weak_ptr<View> weak = shown;
        platform::foundation::mainQueue()->asyncAfterSeconds(kAutoHideSeconds, [weak] {
            auto still = weak.lock();
            if (!still || still->alphaValue() == 0) return;
            animator(*still).setAlphaValue(0.0);
            forget(still.get());
        });
    }
}
