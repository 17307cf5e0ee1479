// Toast and activity operations of ViewToastOperations.h, with the delegates that finish
// their fades. A delegate holds its view weakly: the view's place in the tree decides how
// long it lives, and a fade that ends after the view has gone does nothing.

#include "widgets/Toast/ViewToastOperations.h"

#include <map>
#include <memory>

#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Application.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Window.h"
#include "widgets/Toast/ActivityView.h"
#include "widgets/Toast/ToastView.h"

using namespace platform::ui;

namespace {

class HideAnimationDelegate final : public AnimationDelegate {
  public:
    explicit HideAnimationDelegate(std::weak_ptr<View> view) : view_(std::move(view)) {}
    // Invisible from the start of the fade on, also after the animation is gone.
    void animationDidStart(const Animation&) override {
        if (auto view = view_.lock()) view->layer().setOpacity(0.0);
    }
    void animationDidStop(const Animation&, bool /*finished*/) override {
        if (auto view = view_.lock()) view->removeFromSuperview();
        view_.reset();
    }

  private:
    std::weak_ptr<View> view_;
};

class ShowAnimationDelegate final : public AnimationDelegate {
  public:
    explicit ShowAnimationDelegate(std::weak_ptr<View> view) : view_(std::move(view)) {}
    void animationDidStart(const Animation&) override {
        if (auto view = view_.lock()) view->layer().setOpacity(1.0);
    }

  private:
    std::weak_ptr<View> view_;
};

constexpr const char* kHideAnimationKey = "hide animation";
constexpr const char* kShowAnimationKey = "show animation";
constexpr double kToastStay = 1.0;
constexpr double kToastFade = 1.0;

void addFade(View& view, double from, double to, double delay, double duration,
             std::shared_ptr<AnimationDelegate> delegate, const char* key) {
    Layer& layer = view.layer();
    auto fade = Animation::basic("opacity");
    fade->fromValue = from;
    fade->toValue = to;
    fade->timing = TimingFunction::Linear;
    fade->beginTime = layer.convertTime(Layer::currentMediaTime(), nullptr) + delay;
    fade->duration = duration;
    fade->removedOnCompletion = false;
    fade->delegate = std::move(delegate);
    layer.addAnimation(fade, key);
}

// The activity overlays, by the view they cover.
std::map<std::weak_ptr<View>, std::shared_ptr<View>, std::owner_less<>>& activityViews() {
    static auto* views =
        new std::map<std::weak_ptr<View>, std::shared_ptr<View>, std::owner_less<>>;
    // Covered views that have gone take their overlays with them.
    std::erase_if(*views, [](const auto& entry) { return entry.first.expired(); });
    return *views;
}

}  // namespace

void showToast(View& view, const std::string& message) {
    TAVRO_ASSERT_MAIN_THREAD();
    View* host = nullptr;
    if (auto window = Application::shared().keyWindow()) host = window->contentView().get();
    if (!host) host = view.superview();
    if (!host) return;
    auto toast = ToastView::initWithMessage(message);
    host->addSubview(toast);
    hideToastAnimated(*toast);
}

void addToast(View& view, const std::string& message) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto toast = ToastView::initWithMessage(message);
    view.addSubview(toast);
    hideToastAnimated(*toast);
}

void showActivity(View& view) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto overlay = ActivityView::init();
    if (auto covered = view.sharedView()) activityViews()[covered] = overlay;
    overlay->layer().setOpacity(0.0);
    view.addSubview(overlay);
    showViewAnimated(*overlay, sharedIndicatorStyle());
}

void hideActivity(View& view) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto covered = view.sharedView();
    if (!covered) return;
    auto& views = activityViews();
    auto found = views.find(covered);
    if (found == views.end() || !found->second) return;
    hideViewAnimated(*found->second, sharedIndicatorStyle());
}

void hideToastAnimated(View& view) {
    TAVRO_ASSERT_MAIN_THREAD();
    addFade(view, 1.0, 0.0, kToastStay, kToastFade,
            std::make_shared<HideAnimationDelegate>(view.sharedView()), kHideAnimationKey);
}

void hideViewAnimated(View& view, const IndicatorStyle& style) {
    addFade(view, 1.0, 0.0, style.fadeInOutDelay(), style.fadeInOutDuration(),
            std::make_shared<HideAnimationDelegate>(view.sharedView()), kHideAnimationKey);
}

void showViewAnimated(View& view, const IndicatorStyle& style) {
    addFade(view, 0.0, 1.0, style.fadeInOutDelay(), style.fadeInOutDuration(),
            std::make_shared<ShowAnimationDelegate>(view.sharedView()), kShowAnimationKey);
}
