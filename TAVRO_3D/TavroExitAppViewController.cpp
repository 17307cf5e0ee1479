#include "TAVRO_3D/TavroExitAppViewController.h"

#include "platform/foundation/AssertMainThread.h"
#include "platform/ui/ViewDescription.h"
#include "widgets/ColorFromHex.h"

namespace ui = platform::ui;

namespace {

// Lets the view description name the hover button.
[[maybe_unused]] const bool kHoverButtonRegistered = [] {
    ui::ViewDescription::registerClass("TavroHoverButton",
                                       [] { return std::make_shared<TavroHoverButton>(); });
    return true;
}();

}  // namespace

TavroExitAppViewController::TavroExitAppViewController()
    : ui::ViewController("TavroExitAppViewController") {
    declareOutlet("extiButton", &extiButton);
    declareAction("exitAppClick:", [this](ui::UiObject& sender) { exitAppClick(sender); });
}

TavroExitAppViewController::~TavroExitAppViewController() {
    if (mouseMonitor_ != 0) ui::Application::shared().removeMonitor(mouseMonitor_);
}

void TavroExitAppViewController::viewDidLoad() {
    TAVRO_ASSERT_MAIN_THREAD();
    ui::ViewController::viewDidLoad();
    view()->setWantsLayer(true);
    view()->layer().setBackgroundColor(initWithHexString("#e7e9e7"));
    view()->layer().setCornerRadius(3.0);

    std::weak_ptr<TavroExitAppViewController> weak =
        std::static_pointer_cast<TavroExitAppViewController>(shared_from_this());
    mouseMonitor_ = ui::Application::shared().addLocalMonitor(
        ui::eventMask(ui::EventType::MouseMoved), [weak](const ui::Event& event) {
            if (auto self = weak.lock()) self->handleExitHover(event);
            return std::optional<ui::Event>(event);
        });
}

void TavroExitAppViewController::handleExitHover(const ui::Event& event) {
    TAVRO_ASSERT_MAIN_THREAD();
    auto button = extiButton.lock();
    if (!button) return;
    const ui::ViewPtr& root = view();
    ui::Point point = root->convertPointFromView(event.locationInWindow, nullptr);
    if (ui::mouseInRect(point, root->frame(), false))
        button->showHoverLook();
    else
        button->showNormalLook();
}

void TavroExitAppViewController::exitAppClick(ui::UiObject& /*sender*/) {
    TAVRO_ASSERT_MAIN_THREAD();
    ui::Application::shared().terminate();
}

TavroMouseMovementManager::~TavroMouseMovementManager() {
    if (eventMonitor) ui::Application::shared().removeMonitor(*eventMonitor);
}
