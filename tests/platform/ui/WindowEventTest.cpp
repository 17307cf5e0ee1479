#include "UiTestSupport.h"
#include "platform/ui/Button.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Popover.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/Threads.h"

namespace platform::ui {
namespace {

using WindowEventTest = testing::UiTest;

struct Scene {
    WindowPtr window = Window::make({100, 100, 300, 200}, WindowStyleTitled);
    std::shared_ptr<Button> button = View::create<Button>(Rect{10, 10, 100, 30});
    int actions = 0;
    Scene() {
        window->contentView()->addSubview(button);
        button->setAction([this](Control&) { ++actions; });
        window->makeKeyAndOrderFront();
    }
};

TEST_F(WindowEventTest, ButtonActsOnReleaseInsideOnly) {
    Scene s;
    click(s.window, {50, 20});
    EXPECT_EQ(s.actions, 1);
    send(EventType::LeftMouseDown, s.window, {50, 20});
    send(EventType::LeftMouseDragged, s.window, {200, 150});
    EXPECT_FALSE(s.button->isHighlighted());
    send(EventType::LeftMouseUp, s.window, {200, 150});
    EXPECT_EQ(s.actions, 1);  // released outside
    s.button->setEnabled(false);
    click(s.window, {50, 20});
    EXPECT_EQ(s.actions, 1);
    // Right clicks act only when the button asks for them.
    s.button->setEnabled(true);
    rightClick(s.window, {50, 20});
    EXPECT_EQ(s.actions, 1);
    s.button->sendActionOn(eventMask(EventType::LeftMouseUp) | eventMask(EventType::RightMouseUp));
    rightClick(s.window, {50, 20});
    EXPECT_EQ(s.actions, 2);
    EXPECT_FALSE(Application::shared().currentEvent().has_value());  // only while handling
}

TEST_F(WindowEventTest, MonitorsSeeTheirEventsAndLocalOnesMaySwallowThem) {
    Scene s;
    std::vector<EventType> local, global;
    bool swallow = true;
    auto localToken = Application::shared().addLocalMonitor(
        eventMask(EventType::LeftMouseDown) | eventMask(EventType::LeftMouseUp),
        [&](const Event& e) -> std::optional<Event> {
            local.push_back(e.type);
            if (swallow) return std::nullopt;
            return e;
        });
    Application::shared().addGlobalMonitor(eventMask(EventType::LeftMouseDown),
                                           [&](const Event& e) { global.push_back(e.type); });
    click(s.window, {50, 20});
    EXPECT_EQ(s.actions, 0);
    swallow = false;
    click(s.window, {50, 20});
    EXPECT_EQ(s.actions, 1);
    EXPECT_EQ(local.size(), 4u);
    EXPECT_TRUE(global.empty());  // this application's own events are not global ones
    Application::shared().sendGlobalEvent(Event::mouse(EventType::LeftMouseDown, {5, 5}));
    Application::shared().sendGlobalEvent(Event::mouse(EventType::MouseMoved, {6, 6}));
    EXPECT_EQ(global, std::vector<EventType>{EventType::LeftMouseDown});
    EXPECT_EQ(Event::mouseLocation(), (Point{6, 6}));
    Application::shared().removeMonitor(localToken);
    click(s.window, {50, 20});
    EXPECT_EQ(local.size(), 4u);
}

TEST_F(WindowEventTest, MonitorsMayBeAddedFromOtherThreads) {
    auto threads = test_support::startThreads(4, [](int) {
        for (int k = 0; k < 50; ++k) {
            auto token = Application::shared().addGlobalMonitor(kAnyEventMask, [](const Event&) {});
            if (k % 2) Application::shared().removeMonitor(token);
        }
    });
    for (int k = 0; k < 50; ++k)
        Application::shared().sendGlobalEvent(Event::mouse(EventType::MouseMoved, {1, 1}));
    threads.clear();
    EXPECT_EQ(Application::shared().monitorCount(), 100u);
}

TEST_F(WindowEventTest, TrackingAreasReportEnteringMovingAndLeaving) {
    struct Hover : Button {
        using Button::Button;
        std::vector<std::string> log;
        void mouseEntered(const Event&) override { log.push_back("in"); }
        void mouseExited(const Event&) override { log.push_back("out"); }
        void mouseMoved(const Event&) override { log.push_back("move"); }
    };
    auto window = Window::make({0, 0, 200, 200}, WindowStyleBorderless);
    auto hover = View::create<Hover>(Rect{50, 50, 40, 40});
    window->contentView()->addSubview(hover);
    hover->addTrackingArea(
        std::make_shared<TrackingArea>(hover->bounds(),
                                       TrackingMouseEnteredAndExited | TrackingMouseMoved |
                                           TrackingActiveInActiveApp | TrackingInVisibleRect,
                                       hover));
    for (Point p : {Point{10, 10}, Point{60, 60}, Point{70, 70}, Point{150, 150}})
        send(EventType::MouseMoved, window, p);
    EXPECT_EQ(hover->log, (std::vector<std::string>{"in", "move", "move", "out"}));
}

TEST_F(WindowEventTest, TypingIntoAFieldGoesThroughItsFormatter) {
    struct DigitsOnly : NumberFormatter {
        bool isPartialStringValid(const std::string& text, std::string*, std::string*) override {
            return text.find_first_not_of("0123456789") == std::string::npos;
        }
    };
    auto window = Window::make({0, 0, 200, 100}, WindowStyleTitled);
    auto field = View::create<TextField>(Rect{10, 10, 100, 24});
    field->setFormatter(std::make_shared<DigitsOnly>());
    window->contentView()->addSubview(field);
    window->makeKeyAndOrderFront();
    click(window, {20, 20});
    EXPECT_EQ(window->firstResponder(), field.get());
    for (const char* key : {"1", "x", "2", "\x7f", "3"})
        Application::shared().sendEvent(Event::key(EventType::KeyDown, key, 0, window));
    EXPECT_EQ(field->stringValue(), "13");
    // A field leaving the window stops being first responder.
    field->removeFromSuperview();
    EXPECT_EQ(window->firstResponder(), nullptr);
}

TEST_F(WindowEventTest, PopoverShowsNextToItsAnchorAndClosesOnClicksOutside) {
    setScreenSource(std::make_shared<FixedScreenSource>(
        std::vector<Screen>{{1, "Main", {0, 0, 1000, 800}, {0, 0, 1000, 775}, 1.0}}));
    auto window = Window::make({400, 300, 300, 200}, WindowStyleTitled);
    auto anchor = View::create(Rect{100, 100, 40, 20});
    window->contentView()->addSubview(anchor);
    window->makeKeyAndOrderFront();
    auto popover = Popover::make();
    popover->setBehavior(PopoverBehavior::Transient);
    popover->showRelativeToRect(anchor->bounds(), *anchor, RectEdge::MaxY);
    EXPECT_FALSE(popover->isShown());  // nothing to show yet
    auto content = std::make_shared<ViewController>();
    content->setView(View::create(Rect{0, 0, 120, 80}));
    popover->setContentViewController(content);
    popover->showRelativeToRect(anchor->bounds(), *anchor, RectEdge::MaxY);
    ASSERT_TRUE(popover->isShown());
    EXPECT_EQ(popover->window()->frame(), (Rect{400 + 120 - 60, 300 + 120 + 2, 120, 80}));
    // Near the top of the screen it flips below the anchor.
    window->setFrameOrigin({400, 600});
    popover->showRelativeToRect(anchor->bounds(), *anchor, RectEdge::MaxY);
    EXPECT_EQ(popover->window()->frame().origin.y, 600 + 100 - 2 - 80);
    // Clicks inside the popover keep it; a click in another window or application closes it.
    click(popover->window(), {10, 10});
    EXPECT_TRUE(popover->isShown());
    click(window, {5, 5});
    EXPECT_FALSE(popover->window()->isVisible());
    popover->showRelativeToRect(anchor->bounds(), *anchor, RectEdge::MaxY);
    Application::shared().sendGlobalEvent(Event::mouse(EventType::LeftMouseDown, {1, 1}));
    EXPECT_FALSE(popover->isShown());
}

TEST_F(WindowEventTest, StatusItemButtonSendsItsActionUnlessAMenuIsSet) {
    struct Watcher : MenuDelegate {
        int closed = 0;
        void menuDidClose(Menu&) override { ++closed; }
    } watcher;
    auto item = StatusBar::system().statusItemWithLength(StatusBar::kVariableLength);
    std::vector<EventType> clicks;
    item->button()->sendActionOn(eventMask(EventType::LeftMouseUp) |
                                 eventMask(EventType::RightMouseUp));
    item->button()->setAction(
        [&](Control&) { clicks.push_back(Application::shared().currentEvent()->type); });
    Point centre{item->button()->frame().midX(), item->button()->frame().midY()};
    click(item->window(), centre);
    rightClick(item->window(), centre);
    EXPECT_EQ(clicks, (std::vector<EventType>{EventType::LeftMouseUp, EventType::RightMouseUp}));
    int quits = 0;
    auto menu = Menu::make();
    menu->setDelegate(&watcher);
    menu->addItemWithTitle(
        "Quit", [&](MenuItem&) { ++quits; }, "Q");
    item->setMenu(menu);
    click(item->window(), centre);
    EXPECT_EQ(clicks.size(), 2u);
    EXPECT_TRUE(menu->isOpen());
    EXPECT_TRUE(menu->performKeyEquivalent(Event::key(EventType::KeyDown, "q")));
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(menu->isOpen());
    EXPECT_EQ(watcher.closed, 1);
    StatusBar::system().removeStatusItem(item);
}

TEST_F(WindowEventTest, AlertsAreAnsweredByTheResponderOrNotAtAll) {
    Alert alert;
    alert.setMessageText("Message");
    alert.addButtonWithTitle("Open and quit");
    alert.addButtonWithTitle("Cancel");
    EXPECT_EQ(alert.runModal(), kAlertNotAnswered);  // headless and nobody to answer
    std::vector<std::string> seen;
    Alert::setResponder([&](const Alert& shown) {
        seen = shown.buttonTitles();
        seen.push_back(shown.messageText());
        return kAlertSecondButtonReturn;
    });
    EXPECT_EQ(alert.runModal(), 1001);
    EXPECT_EQ(seen, (std::vector<std::string>{"Open and quit", "Cancel", "Message"}));
    Alert::setResponder([](const Alert&) { return kAlertFirstButtonReturn; });
    EXPECT_EQ(alert.runModal(), 1000);
}

TEST_F(WindowEventTest, ActivationIsAnnouncedOncePerChangeAndReopenSeesVisibleWindows) {
    test_support::NotificationRecorder seen(test_support::NotificationRecorder::NamePrefix{},
                                            "Application");
    // Not active before it has finished launching.
    EXPECT_FALSE(Application::shared().isActive());
    Application::shared().activate();
    Application::shared().activate();
    Application::shared().setActive(false);
    Application::shared().activate();
    EXPECT_EQ(seen.names(), (std::vector<std::string>{Application::kDidBecomeActiveNotification,
                                                      Application::kDidResignActiveNotification,
                                                      Application::kDidBecomeActiveNotification}));
    std::vector<bool> reopened;
    Application::shared().setReopenHandler([&](bool visible) { reopened.push_back(visible); });
    auto window = Window::make({0, 0, 10, 10}, WindowStyleTitled);
    auto panel = Window::make({0, 0, 10, 10}, WindowStyleBorderless);
    panel->setLevel(WindowLevelStatusBar);
    panel->orderFront();
    Application::shared().reopen();
    window->makeKeyAndOrderFront();
    Application::shared().reopen();
    EXPECT_EQ(reopened, (std::vector<bool>{false, true}));
}

// However many ways a quit comes, it runs once; from then on the application takes no input
// and asks nothing, so that the quit, which runs the main loop while it waits, starts
// nothing.
TEST_F(WindowEventTest, ATerminatingApplicationQuitsOnceAndTakesNoMoreInputNorAlerts) {
    Scene s;
    int quits = 0;
    Application::shared().setTerminateHandler([&] {
        // An alert's own quit button, answered inside the quit.
        if (++quits == 1) Application::shared().terminate();
    });
    int asked = 0;
    Alert::setResponder([&](const Alert&) {
        ++asked;
        return kAlertFirstButtonReturn;
    });
    Application::shared().terminate();
    Application::shared().terminate();
    EXPECT_EQ(quits, 1);
    click(s.window, {50, 20});
    EXPECT_EQ(s.actions, 0);
    Alert alert;
    alert.addButtonWithTitle("Quit");
    EXPECT_EQ(alert.runModal(), kAlertNotAnswered);
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace platform::ui
