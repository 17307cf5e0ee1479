#pragma once
// The application's modal progress overlay: a view that covers a host view (or, without
// one, a floating window of its own over the first screen), masks the host as its mask
// type says, and draws a rounded box with an indicator (spinner, progress ring, info,
// success or error icon, or a caller's view) above a centred status text. It fades in and
// out and posts "ProgressHUD.willAppear", "ProgressHUD.didAppear",
// "ProgressHUD.willDisappear", "ProgressHUD.didDisappear" and, at each click,
// "ProgressHUD.didReceiveMouseDownEvent" (default centre, the HUD as object).
//
// The class operations (showLoading, showProgressLoading, showMessage, hide, ...) are the
// facade the rest of the application uses; showMessage, hide and the display step of
// showProgressLoading may be called from any thread and do their work on the main queue.
// Everything else runs on the main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/Value.h"
#include "platform/ui/Font.h"
#include "platform/ui/Text.h"
#include "platform/ui/View.h"
#include "platform/ui/WindowController.h"
#include "widgets/ProgressHUD/ProgressHUDTypes.h"

class ProgressIndicatorLayer;

class ProgressHUD : public platform::ui::View {
    struct Passkey {};

  public:
    static constexpr const char* kWillAppear = "ProgressHUD.willAppear";
    static constexpr const char* kDidAppear = "ProgressHUD.didAppear";
    static constexpr const char* kWillDisappear = "ProgressHUD.willDisappear";
    static constexpr const char* kDidDisappear = "ProgressHUD.didDisappear";
    static constexpr const char* kDidReceiveMouseDownEvent = "ProgressHUD.didReceiveMouseDownEvent";

    // A hidden HUD with its own (not yet shown) window over the first screen.
    static std::shared_ptr<ProgressHUD> initWithFrame(const platform::ui::Rect& frame);
    // The one HUD the class operations drive, made with a zero frame on first use.
    static const std::shared_ptr<ProgressHUD>& shared();

    ProgressHUD(Passkey, const platform::ui::Rect& frame);
    ~ProgressHUD() override;
    std::string className() const override { return "ProgressHUD"; }

    // Class operations.
    static void showLoading(const std::string& message,
                            const std::shared_ptr<platform::ui::View>& view, bool clickThrough);
    static void showLoadingFNHUD(const std::string& message,
                                 const std::shared_ptr<platform::ui::View>& view,
                                 bool clickThrough);
    static void hideFNHUD();
    static void showProgressLoading(const std::string& message,
                                    const std::shared_ptr<platform::ui::View>& view,
                                    bool clickThrough, double progress);
    static void showMessage(const std::string& message,
                            const std::shared_ptr<platform::ui::View>& view);
    static void hide();
    static std::optional<platform::ui::Color> colorFromHexString(std::string_view text,
                                                                 double alpha);

    // Settings.
    ProgressHUDStyle style = ProgressHUDStyle::light();
    ProgressHUDMaskType maskType = ProgressHUDMaskType::none();
    ProgressHUDPosition position = ProgressHUDPosition::center;
    std::shared_ptr<platform::ui::View> containerView;
    platform::ui::Font font = platform::ui::Font::systemFont(15);
    double opacity = 0.9;
    double spinnerSize = 40;
    double margin = 18;
    double padding = 4;
    double cornerRadius = 10;
    bool dismissible = false;
    ProgressHUDMode mode = ProgressHUDMode::indeterminate();
    std::function<void()> completionHandler;
    double progress = 0;
    double minimumDismissTimeInterval = 2.0;
    double maximumDismissTimeInterval = 5.0;

    // State.
    const std::shared_ptr<platform::ui::View>& indicator() const { return indicator_; }
    const std::shared_ptr<ProgressIndicatorLayer>& progressIndicator() const {
        return progressIndicator_;
    }
    platform::ui::Size size() const { return size_; }
    bool useAnimation() const { return useAnimation_; }
    const std::shared_ptr<platform::ui::Text>& statusLabel() const { return statusLabel_; }
    const std::shared_ptr<platform::ui::WindowController>& windowController() const {
        return windowController_;
    }

    // The container view (closing the own window), else the own window's content (showing
    // the window); null when neither exists.
    std::shared_ptr<platform::ui::View> hostView();
    void showStatus(const std::string& status, const ProgressHUDMode& newMode);
    void fadeIn(bool animated);
    void hideHUD(bool animated);
    void hideCompletion();
    void setStatus(const std::string& text);
    void setIndicator();
    // The number 0 hides at once; any other object, or none, hides animated.
    void hideDelayed(const platform::foundation::Value& object);
    // Frames of indicator and label and the box size, for the HUD's current superview.
    void layoutHUD();
    // Where the box stands after the last layout, in the HUD's bounds.
    platform::ui::Rect boxRect() const;

    void drawInfoIcon(const platform::ui::Rect& rect, platform::ui::GraphicsContext& context);
    void drawSuccessIcon(const platform::ui::Rect& rect, platform::ui::GraphicsContext& context);
    void drawErrorIcon(const platform::ui::Rect& rect, platform::ui::GraphicsContext& context);

    void mouseDown(const platform::ui::Event& event) override;
    void drawRect(const platform::ui::Rect& dirtyRect,
                  platform::ui::GraphicsContext& context) override;

  private:
    void post(const char* name);
    // Animates alpha over the fade time; `then` runs when it has ended, if the HUD lives.
    void fadeTo(double alpha, void (*then)(ProgressHUD&));
    void drawProgressRing(platform::ui::Point centre, platform::ui::GraphicsContext& context);

    std::shared_ptr<platform::ui::View> indicator_;
    std::shared_ptr<ProgressIndicatorLayer> progressIndicator_;
    platform::ui::Size size_;
    double boxBottom_ = 0;
    bool useAnimation_ = true;
    // Counts the fades begun; a fade's completion acts only while it is the latest, so a
    // show during a fade-out is not undone when the fade-out ends.
    uint64_t fadeGeneration_ = 0;
    std::shared_ptr<platform::ui::Text> statusLabel_;
    std::shared_ptr<platform::ui::WindowController> windowController_;
};
