// Construction, showing, hiding, layout and clicks of the progress HUD; its drawing is in
// ProgressHUDDrawing.cpp and its class operations in ProgressHUDFacade.cpp.

#include "widgets/ProgressHUD/ProgressHUD.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TextMeasurement.h"
#include "widgets/ProgressHUD/ProgressIndicatorLayer.h"

using namespace platform::ui;

namespace {
constexpr double kFadeSeconds = 0.2;
}  // namespace

std::shared_ptr<ProgressHUD> ProgressHUD::initWithFrame(const Rect& frame) {
    return std::make_shared<ProgressHUD>(Passkey{}, frame);
}

const std::shared_ptr<ProgressHUD>& ProgressHUD::shared() {
    static const auto* hud = new std::shared_ptr<ProgressHUD>(initWithFrame({}));
    return *hud;
}

ProgressHUD::ProgressHUD(Passkey, const Rect& frame)
    : View(frame), statusLabel_(std::make_shared<Text>(Rect{})) {
    setAutoresizingMask(ViewMinXMargin | ViewMaxXMargin | ViewMinYMargin | ViewMaxYMargin);
    setAlphaValue(0);
    setHidden(true);

    statusLabel_->setFont(font);
    statusLabel_->setEditable(false);
    statusLabel_->setSelectable(false);
    statusLabel_->setAlignment(TextAlignment::Center);
    statusLabel_->setBackgroundColor(Color::clearColor());
    addSubview(statusLabel_);

    const std::vector<Screen> screens = Screen::screens();
    const std::optional<Screen> first =
        screens.empty() ? std::nullopt : std::optional<Screen>(screens.front());
    auto window = Window::make(first ? first->frame : Rect{}, WindowStyleBorderless, first);
    window->setLevel(WindowLevelFloating);
    window->setBackgroundColor(Color::clearColor());
    window->setOpaque(false);
    windowController_ = std::make_shared<WindowController>(std::move(window));
}

ProgressHUD::~ProgressHUD() = default;

void ProgressHUD::post(const char* name) {
    auto self = std::static_pointer_cast<ProgressHUD>(sharedView());
    platform::foundation::NotificationCenter::defaultCenter().post(
        name, self ? platform::foundation::Value::object(self) : platform::foundation::Value());
}

std::shared_ptr<View> ProgressHUD::hostView() {
    if (containerView) {
        windowController_->close();
        return containerView;
    }
    windowController_->showWindow();
    const WindowPtr& window = windowController_->window();
    return window ? window->contentView() : nullptr;
}

void ProgressHUD::showStatus(const std::string& status, const ProgressHUDMode& newMode) {
    auto host = hostView();
    if (!host) return;
    mode = newMode;
    if (isHidden()) {
        setFrame(host->frame());
        progressIndicator_ = ProgressIndicatorLayer::make(style.contentColor(), spinnerSize);
        host->addSubview(sharedView());
    }
    setIndicator();
    setStatus(status);
    fadeIn(true);
}

void ProgressHUD::setIndicator() {
    if (indicator_) indicator_->removeFromSuperview();
    indicator_.reset();
    switch (mode.kind) {
        case ProgressHUDMode::Kind::indeterminate: {
            // A show from the hidden state always made the spinner; a HUD driven by hand
            // may not have been shown that way yet.
            if (!progressIndicator_) {
                progressIndicator_ =
                    ProgressIndicatorLayer::make(style.contentColor(), spinnerSize);
            }
            auto host = std::make_shared<View>(Rect{0, 0, spinnerSize, spinnerSize});
            host->setWantsLayer(true);
            progressIndicator_->setHidden(false);
            progressIndicator_->isRunning = true;
            progressIndicator_->fposition = progressIndicator_->numFins() - 1;
            progressIndicator_->setNeedsDisplay();
            progressIndicator_->startSpinning();
            progressIndicator_->removeFromSuperlayer();
            host->layer().addSublayer(progressIndicator_);
            indicator_ = host;
            addSubview(indicator_);
            break;
        }
        case ProgressHUDMode::Kind::custom:
            indicator_ = mode.view;
            if (indicator_) addSubview(indicator_);
            break;
        default:
            break;
    }
}

void ProgressHUD::setStatus(const std::string& text) {
    statusLabel_->setTextColor(style.contentColor());
    statusLabel_->setFont(font);
    statusLabel_->setString(text);
    statusLabel_->sizeToFit();
}

void ProgressHUD::fadeIn(bool animated) {
    post(kWillAppear);
    useAnimation_ = animated;
    setNeedsDisplay();
    setHidden(false);
    if (!animated) {
        ++fadeGeneration_;  // a fade-out still running must not hide the HUD after this
        setAlphaValue(1.0);
        post(kDidAppear);
        return;
    }
    fadeTo(1.0, [](ProgressHUD& self) { self.post(kDidAppear); });
}

void ProgressHUD::hideHUD(bool animated) {
    post(kWillDisappear);
    useAnimation_ = animated;
    // No hide is ever scheduled for later on the HUD, so there are no pending requests
    // to cancel here.
    if (!animated) {
        ++fadeGeneration_;  // a fade still running must not act after this
        setAlphaValue(0.0);
        hideCompletion();
        return;
    }
    fadeTo(0.0, [](ProgressHUD& self) { self.hideCompletion(); });
}

void ProgressHUD::fadeTo(double alpha, void (*then)(ProgressHUD&)) {
    std::weak_ptr<View> weakSelf = sharedView();
    const uint64_t generation = ++fadeGeneration_;
    AnimationContext::runAnimationGroup(
        [this, alpha](AnimationContext& group) {
            group.duration = kFadeSeconds;
            animator(*this).setAlphaValue(alpha);
        },
        [weakSelf, then, generation] {
            auto self = std::static_pointer_cast<ProgressHUD>(weakSelf.lock());
            if (self && self->fadeGeneration_ == generation) then(*self);
        });
}

void ProgressHUD::hideCompletion() {
    if (!progressIndicator_) return;
    auto keepAlive = sharedView();  // the host may hold the last reference
    progressIndicator_->stopSpinning();
    setAlphaValue(0);
    setHidden(true);
    removeFromSuperview();
    if (completionHandler) completionHandler();
    if (indicator_) indicator_->removeFromSuperview();
    indicator_.reset();
    statusLabel_->setString({});
    windowController_->close();
    post(kDidDisappear);
}

void ProgressHUD::hideDelayed(const platform::foundation::Value& object) {
    const bool zero = object.isNumber() && object.asDouble() == 0;
    hideHUD(!zero);
}

void ProgressHUD::layoutHUD() {
    setFrame(superview() ? superview()->bounds() : Rect{});
    const double W = bounds().width();
    const double H = bounds().height();
    const double m = margin;
    const double p = padding;
    const double s = spinnerSize;

    double iw = indicator_ ? indicator_->bounds().width() : 0;
    double ih = indicator_ ? indicator_->bounds().height() : 0;
    if (mode.drawsIcon()) ih = s;
    const double maxW = W - 4 * m;
    iw = std::min(maxW, iw);

    const std::string& text = statusLabel_->string();
    const Size textSize = text.empty() ? Size{} : sizeOfText(text, statusLabel_->font());
    const double tw = textSize.width;
    const double th = textSize.height;
    const bool both = ih > 0 && th > 0;

    const double content = ih + (ih > 0 ? p : 0) + th + (both ? p : 0);
    const double bh = content + 2 * m;
    double offset = 0;
    if (position == ProgressHUDPosition::top) offset = -H / 5;
    if (position == ProgressHUDPosition::bottom) offset = H / 5;
    boxBottom_ = std::round((H - bh) / 2) - offset;

    if (indicator_) {
        indicator_->setFrame({std::round((W - iw) / 2),
                              m + boxBottom_ + (ih > 0 ? p : 0) + (both ? th + p : 0), iw, ih});
    }
    const double lw = std::min(maxW, tw > 0 ? tw + 10 : tw);
    statusLabel_->setFrame({std::round((W - lw) / 2), m + boxBottom_ - (ih > 0 ? p : 0), lw, th});

    // An icon the HUD draws itself needs the box to be at least as wide as the icon.
    const double iconWidth = mode.drawsIcon() ? s : 0;
    size_ = {2 * m + std::max({iw, 0.0, lw, iconWidth}), bh};
}

Rect ProgressHUD::boxRect() const {
    return {std::round((bounds().width() - size_.width) / 2), boxBottom_, size_.width,
            size_.height};
}

void ProgressHUD::mouseDown(const Event& event) {
    post(kDidReceiveMouseDownEvent);
    if (maskType.kind == ProgressHUDMaskType::Kind::none) View::mouseDown(event);
    if (dismissible) {
        std::weak_ptr<View> weakSelf = sharedView();
        platform::foundation::mainQueue()->async([weakSelf] {
            if (auto self = std::static_pointer_cast<ProgressHUD>(weakSelf.lock())) {
                self->hideHUD(self->useAnimation());
            }
        });
    }
}
