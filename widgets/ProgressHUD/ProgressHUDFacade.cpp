// The class operations of ProgressHUD: loading and progress displays on the shared HUD,
// the FNHUD loading display, and messages as toasts.

#include "platform/foundation/Dispatch.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "widgets/ColorFromHex.h"
#include "widgets/ProgressHUD/FNHUD.h"
#include "widgets/ProgressHUD/ProgressHUD.h"
#include "widgets/Toast/ViewToastOperations.h"

using namespace platform::ui;
using platform::foundation::isMainThread;
using platform::foundation::mainQueue;

namespace {

Color fixedColor(std::string_view hex) {
    return ProgressHUD::colorFromHexString(hex, 1.0).value_or(Color::grayColor());
}

ProgressHUDMaskType maskFor(bool clickThrough) {
    return clickThrough ? ProgressHUDMaskType::none()
                        : ProgressHUDMaskType::custom(Color::blackColor().withAlpha(0.2));
}

// The shared HUD is the main thread's: work asked for elsewhere goes there, in order.
void onMain(std::function<void()> work) {
    if (isMainThread()) {
        work();
    } else {
        mainQueue()->async(std::move(work));
    }
}

}  // namespace

std::optional<Color> ProgressHUD::colorFromHexString(std::string_view text, double alpha) {
    return initWithHexString(text, alpha);
}

void ProgressHUD::showLoading(const std::string& message, const std::shared_ptr<View>& view,
                              bool clickThrough) {
    const auto& hud = shared();
    hud->style = ProgressHUDStyle::custom(Color::whiteColor(), fixedColor("#7c7c7c"));
    hud->maskType = maskFor(clickThrough);
    hud->containerView = view;
    hud->showStatus(message, ProgressHUDMode::indeterminate());
}

void ProgressHUD::showLoadingFNHUD(const std::string& message, const std::shared_ptr<View>& view,
                                   bool clickThrough) {
    FNHUD::showLoading(message, !clickThrough, view);
}

void ProgressHUD::hideFNHUD() {
    FNHUD::hide();
}

void ProgressHUD::showProgressLoading(const std::string& message, const std::shared_ptr<View>& view,
                                      bool clickThrough, double progressValue) {
    onMain([view, clickThrough] {
        const auto& hud = shared();
        hud->style = ProgressHUDStyle::custom(Color::whiteColor(), fixedColor("#525252"));
        hud->maskType = maskFor(clickThrough);
        hud->containerView = view;
    });
    mainQueue()->async([message, progressValue] {
        if (progressValue >= 1.0) {
            hide();
            return;
        }
        const auto& hud = shared();
        hud->showStatus(message, ProgressHUDMode::determinate());
        hud->progress = progressValue;
        hud->setNeedsDisplay();
    });
}

void ProgressHUD::showMessage(const std::string& message, const std::shared_ptr<View>& view) {
    if (!view) return;
    // A toast goes over the key window's content, else over the view's superview. A view
    // that removes itself before the main queue gets to the toast (a screen that reports
    // and closes at once) has no superview any more, and without a key window the message
    // would be lost: it goes onto the view it was on, which stays. Only the main thread may
    // read the tree, so that is where the view's place is noted.
    std::weak_ptr<View> host;
    if (isMainThread() && view->superview()) host = view->superview()->sharedView();
    mainQueue()->async([message, view, host] {
        auto stays = host.lock();
        if (!view->superview() && stays && !Application::shared().keyWindow())
            addToast(*stays, message);
        else
            showToast(*view, message);
    });
}

void ProgressHUD::hide() {
    mainQueue()->async([] { shared()->hideHUD(true); });
}
