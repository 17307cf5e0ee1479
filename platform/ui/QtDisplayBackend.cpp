// The Qt display backend: a top-level widget per window on screen that paints the
// window's render and turns Qt's mouse and key events into the application's, a tray icon
// per status item, and alerts as message boxes. Qt's own events are pumped from the main
// loop (at Clock time, so a display runs with a real clock); while a message box runs its
// modal loop, the main queue is drained from it.
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <map>

#include "platform/foundation/Dispatch.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Application.h"
#include "platform/ui/DisplayBackend.h"
#include "platform/ui/Menu.h"
#include "platform/ui/QtSupport.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace fdn = platform::foundation;

namespace {

double displayHeight() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}

class WindowWidget final : public QWidget {
  public:
    explicit WindowWidget(const std::shared_ptr<Window>& window) : window_(window) {
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        sync(*window);
    }

    void sync(const Window& window) {
        Qt::WindowFlags flags = Qt::Window;
        if (window.styleMask() == WindowStyleBorderless) flags |= Qt::FramelessWindowHint;
        if (window.level() >= WindowLevelFloating) flags |= Qt::WindowStaysOnTopHint;
        if (window.level() >= WindowLevelStatusBar) flags |= Qt::Tool;
        if (flags != appliedFlags_) {
            // Changing flags re-creates the native window hidden; show it again if it was up.
            bool wasVisible = isVisible();
            appliedFlags_ = flags;
            setWindowFlags(flags);
            if (wasVisible) show();
        }
        setAttribute(Qt::WA_TranslucentBackground,
                     !window.isOpaque() || window.backgroundColor().alpha < 1);
        setWindowTitle(qt::toQString(window.title()));
        const Rect& f = window.frame();
        setGeometry(qt::toQtInt(f.origin.x), qt::toQtInt(displayHeight() - f.maxY()),
                    qt::toQtInt(f.size.width), qt::toQtInt(f.size.height));
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        auto window = window_.lock();
        if (!window) return;
        double scale = devicePixelRatioF();
        QImage image = qt::toQImage(renderWindow(*window, scale));
        image.setDevicePixelRatio(scale);
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image);
    }
    void mousePressEvent(QMouseEvent* e) override {
        send(e->button() == Qt::RightButton ? EventType::RightMouseDown : EventType::LeftMouseDown,
             e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        send(e->button() == Qt::RightButton ? EventType::RightMouseUp : EventType::LeftMouseUp, e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        EventType type = (e->buttons() & Qt::LeftButton)    ? EventType::LeftMouseDragged
                         : (e->buttons() & Qt::RightButton) ? EventType::RightMouseDragged
                                                            : EventType::MouseMoved;
        send(type, e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        auto window = window_.lock();
        if (!window) return;
        Event event = Event::key(EventType::KeyDown, e->text().toStdString(),
                                 static_cast<uint16_t>(e->nativeScanCode()), window);
        Application::shared().sendEvent(event);
    }

  private:
    void send(EventType type, QMouseEvent* e) {
        auto window = window_.lock();
        if (!window) return;
        Point location{e->position().x(), height() - e->position().y()};
        Event event = Event::mouse(type, location, window);
        event.clickCount =
            type == EventType::LeftMouseDown || type == EventType::RightMouseDown ? 1 : 0;
        Application::shared().sendEvent(event);
        update();
    }

    std::weak_ptr<Window> window_;
    Qt::WindowFlags appliedFlags_;
};

class QtDisplayBackend final : public DisplayBackend {
  public:
    QtDisplayBackend() {
        repaint_.setInterval(33);
        QObject::connect(&repaint_, &QTimer::timeout, [this] {
            for (auto& [number, widget] : widgets_) widget->update();
        });
        repaint_.start();
        QObject::connect(qApp, &QGuiApplication::applicationStateChanged,
                         [](Qt::ApplicationState state) {
                             Application::shared().setActive(state == Qt::ApplicationActive);
                         });
        pump_ = fdn::DispatchTimer::make(fdn::mainQueue());
        auto interval = fdn::Clock::fromSeconds(0.01);
        pump_->setTimer(interval, interval);
        pump_->setEventHandler([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
        pump_->resume();
    }
    ~QtDisplayBackend() override {
        pump_->cancel();
        for (auto& [number, widget] : widgets_) delete widget;
        for (auto& [item, icon] : trays_) delete icon;
    }

    void windowShown(Window& window) override {
        auto& widget = widgets_[window.windowNumber()];
        if (!widget) widget = new WindowWidget(window.shared_from_this());
        widget->sync(window);
        widget->show();
        if (window.isKeyWindow()) widget->raise();
    }
    void windowHidden(Window& window) override {
        if (auto it = widgets_.find(window.windowNumber()); it != widgets_.end())
            it->second->hide();
    }
    void windowChanged(Window& window) override {
        if (auto it = widgets_.find(window.windowNumber()); it != widgets_.end())
            it->second->sync(window);
    }
    void windowDestroyed(int windowNumber) override {
        if (auto it = widgets_.find(windowNumber); it != widgets_.end()) {
            it->second->deleteLater();
            widgets_.erase(it);
        }
    }

    void statusItemChanged(StatusItem& item) override {
        auto& icon = trays_[&item];
        if (!icon) {
            icon = new QSystemTrayIcon();
            std::weak_ptr<StatusItem> weak = item.shared_from_this();
            QObject::connect(
                icon, &QSystemTrayIcon::activated,
                [weak](QSystemTrayIcon::ActivationReason reason) {
                    auto live = weak.lock();
                    if (!live) return;
                    bool right = reason == QSystemTrayIcon::Context;
                    auto window = live->window();
                    Point centre{live->button()->frame().midX(), live->button()->frame().midY()};
                    Application::shared().sendEvent(
                        Event::mouse(right ? EventType::RightMouseDown : EventType::LeftMouseDown,
                                     centre, window));
                    Application::shared().sendEvent(Event::mouse(
                        right ? EventType::RightMouseUp : EventType::LeftMouseUp, centre, window));
                });
        }
        auto pixels = renderView(*item.button(), 2.0);
        icon->setIcon(QIcon(QPixmap::fromImage(qt::toQImage(pixels))));
        icon->setVisible(item.isVisible());
    }
    void statusItemRemoved(StatusItem& item) override {
        if (auto it = trays_.find(&item); it != trays_.end()) {
            delete it->second;
            trays_.erase(it);
        }
    }

    std::optional<int> runAlert(const Alert& alert) override {
        QMessageBox box;
        box.setIcon(alert.alertStyle() == AlertStyle::Critical        ? QMessageBox::Critical
                    : alert.alertStyle() == AlertStyle::Informational ? QMessageBox::Information
                                                                      : QMessageBox::Warning);
        box.setText(qt::toQString(alert.messageText()));
        box.setInformativeText(qt::toQString(alert.informativeText()));
        std::vector<QAbstractButton*> buttons;
        for (const auto& title : alert.buttonTitles()) {
            buttons.push_back(box.addButton(qt::toQString(title), QMessageBox::ActionRole));
        }
        // The main queue keeps running while the alert is up, as it does in a modal session.
        // When what it ran was the termination (a quit signal), the session is aborted: the
        // process ends instead of waiting for an answer.
        QTimer drain;
        drain.setInterval(10);
        QObject::connect(&drain, &QTimer::timeout, [&box] {
            fdn::MainLoop::drain();
            if (Application::shared().terminateRequested()) box.reject();
        });
        drain.start();
        // A responder answers real dialogs too, once they are on screen.
        QTimer answer;
        answer.setSingleShot(true);
        answer.setInterval(300);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto response = Alert::askResponder(alert)) {
                auto index = static_cast<size_t>(*response - kAlertFirstButtonReturn);
                if (index < buttons.size()) buttons[index]->click();
            }
        });
        answer.start();
        box.exec();
        for (size_t i = 0; i < buttons.size(); ++i) {
            if (box.clickedButton() == buttons[i])
                return kAlertFirstButtonReturn + static_cast<int>(i);
        }
        return kAlertNotAnswered;
    }

    // The menu pops up at the mouse; choosing an item performs it, and the menu closes
    // (telling its delegate) however it is dismissed.
    void menuOpened(Menu& menu) override {
        auto* popup = new QMenu();
        popup->setAttribute(Qt::WA_DeleteOnClose);
        std::weak_ptr<Menu> weak = menu.shared_from_this();
        for (const auto& item : menu.items()) {
            if (item->isSeparator()) {
                popup->addSeparator();
                continue;
            }
            QAction* action = popup->addAction(qt::toQString(item->title()));
            action->setEnabled(item->isEnabled());
            if (!item->keyEquivalent().empty())
                action->setShortcut(QKeySequence(qt::toQString(item->keyEquivalent())));
            std::weak_ptr<MenuItem> weakItem = item;
            QObject::connect(action, &QAction::triggered, [weakItem] {
                if (auto live = weakItem.lock()) live->perform();
            });
        }
        QObject::connect(popup, &QMenu::aboutToHide, [weak] {
            if (auto live = weak.lock()) live->close();
        });
        popup->popup(QCursor::pos());
    }

    bool isOnDisplay(const Window& window) const override {
        auto it = widgets_.find(window.windowNumber());
        return it != widgets_.end() && it->second->isVisible() && it->second->windowHandle() &&
               it->second->windowHandle()->isExposed();
    }
    bool isTrayIconShown(const StatusItem& item) const override {
        auto it = trays_.find(const_cast<StatusItem*>(&item));
        if (it == trays_.end() || !it->second->isVisible()) return false;
        // Without a tray host, the item's own window at the top of the display stands in.
        return hasTrayHost() || isOnDisplay(*item.window());
    }
    bool hasTrayHost() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    PixelBuffer grabDisplay() const override {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen) return {};
        return qt::toPixelBuffer(screen->grabWindow(0).toImage());
    }
    bool clickOnDisplay(Point screenPoint, bool rightButton) override {
        QPoint global(qt::toQtInt(screenPoint.x), qt::toQtInt(displayHeight() - screenPoint.y));
        QWidget* target = QApplication::widgetAt(global);
        if (!target) return false;
        QPointF local = target->mapFromGlobal(QPointF(global));
        Qt::MouseButton button = rightButton ? Qt::RightButton : Qt::LeftButton;
        QMouseEvent press(QEvent::MouseButtonPress, local, QPointF(global), button, button,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(global), button,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
        QCoreApplication::sendEvent(target, &release);
        return true;
    }

  private:
    std::map<int, WindowWidget*> widgets_;
    std::map<StatusItem*, QSystemTrayIcon*> trays_;
    QTimer repaint_;
    std::shared_ptr<fdn::DispatchTimer> pump_;
};

}  // namespace

std::shared_ptr<DisplayBackend> startDisplay(DisplayChoice choice, std::string* error) {
    if (choice == DisplayChoice::Headless) {
        qt::ensureApplication(qt::Platform::Offscreen);
        Application::shared().setBackend(nullptr);
        return nullptr;
    }
    std::string why;
    if (!qt::ensureApplication(qt::Platform::Display, &why)) {
        if (choice == DisplayChoice::Display && error) *error = why;
        if (choice == DisplayChoice::Automatic) qt::ensureApplication(qt::Platform::Offscreen);
        Application::shared().setBackend(nullptr);
        return nullptr;
    }
    auto backend = std::make_shared<QtDisplayBackend>();
    Application::shared().setBackend(backend);
    // Whatever is already on screen appears now.
    for (auto& window : Application::shared().orderedWindows()) backend->windowShown(*window);
    for (auto& item : StatusBar::system().items()) backend->statusItemChanged(*item);
    return backend;
}

}  // namespace platform::ui
