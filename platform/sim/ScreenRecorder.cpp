#include "platform/sim/ScreenRecorder.h"

#include <algorithm>
#include <cstdio>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Mutex.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/Text.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

namespace platform::sim {

namespace {

std::string panelOf(ui::Window& window) {
    const auto& controller = window.contentViewController();
    return controller ? controller->className() : std::string();
}

}  // namespace

ScreenRecorder::ScreenRecorder(std::shared_ptr<ui::DisplayBackend> inner, std::string pictureFolder,
                               std::shared_ptr<RunLog> log)
    : inner_(std::move(inner)), folder_(std::move(pictureFolder)), log_(std::move(log)) {
    if (!folder_.empty()) foundation::createDirectory(folder_, true);
}

ScreenRecorder::Record ScreenRecorder::record() const {
    foundation::MutexLock lock(mutex_);
    Record copy = record_;
    for (const auto& [number, panel] : shown_) copy.current.push_back(panel);
    return copy;
}

bool ScreenRecorder::panelSeen(const std::string& panel, size_t since, size_t* matchedIndex) const {
    foundation::MutexLock lock(mutex_);
    for (size_t i = since; i < record_.panels.size(); ++i) {
        if (record_.panels[i] == panel) {
            if (matchedIndex) *matchedIndex = i;
            return true;
        }
    }
    for (const auto& [number, shown] : shown_) {
        if (shown == panel) {
            if (matchedIndex) *matchedIndex = record_.panels.size();
            return true;
        }
    }
    return false;
}

void ScreenRecorder::notePanel(ui::Window& window) {
    const std::string panel = panelOf(window);
    const int number = window.windowNumber();
    {
        foundation::MutexLock lock(mutex_);
        if (panel.empty()) {
            shown_.erase(number);
            return;
        }
        shown_[number] = panel;
        auto& last = last_[number];
        if (last == panel) return;
        last = panel;
        record_.panels.push_back(panel);
    }
    if (log_) log_->line("panel " + panel);
    takePicture(number, panel);
}

std::string ScreenRecorder::nextPictureName(const std::string& what) {
    char name[160];
    foundation::MutexLock lock(mutex_);
    std::snprintf(name, sizeof name, "%03d-%s.png", ++pictureCount_, what.c_str());
    return foundation::appendPathComponent(folder_, name);
}

void ScreenRecorder::takePicture(int windowNumber, const std::string& panel) {
    if (folder_.empty()) return;
    // After the task that changed the panel, so that what it fills in is in the picture.
    foundation::mainQueue()->async([this, windowNumber, panel] {
        for (const auto& window : ui::Application::shared().orderedWindows()) {
            if (window->windowNumber() != windowNumber || panelOf(*window) != panel) continue;
            writePicture(ui::renderWindow(*window), nextPictureName(panel));
        }
    });
}

void ScreenRecorder::writePicture(const ui::PixelBuffer& picture, const std::string& path) {
    foundation::Error error;
    if (!picture.writePng(path, &error)) {
        if (log_) log_->line("picture not written: " + error.localizedDescription);
        return;
    }
    foundation::MutexLock lock(mutex_);
    record_.pictures.push_back(path);
}

void ScreenRecorder::pictureVisibleWindows() {
    if (folder_.empty()) return;
    for (const auto& window : ui::Application::shared().orderedWindows()) {
        const std::string panel = panelOf(*window);
        if (!window->isVisible() || panel.empty()) continue;
        writePicture(ui::renderWindow(*window), nextPictureName("end-" + panel));
    }
}

void ScreenRecorder::windowShown(ui::Window& window) {
    notePanel(window);
    if (inner_) inner_->windowShown(window);
}

void ScreenRecorder::windowHidden(ui::Window& window) {
    {
        foundation::MutexLock lock(mutex_);
        shown_.erase(window.windowNumber());
    }
    if (inner_) inner_->windowHidden(window);
}

void ScreenRecorder::windowChanged(ui::Window& window) {
    notePanel(window);
    if (inner_) inner_->windowChanged(window);
}

void ScreenRecorder::windowDestroyed(int windowNumber) {
    {
        foundation::MutexLock lock(mutex_);
        shown_.erase(windowNumber);
        last_.erase(windowNumber);
    }
    if (inner_) inner_->windowDestroyed(windowNumber);
}

void ScreenRecorder::statusItemChanged(ui::StatusItem& item) {
    if (inner_) inner_->statusItemChanged(item);
}

void ScreenRecorder::statusItemRemoved(ui::StatusItem& item) {
    if (inner_) inner_->statusItemRemoved(item);
}

std::optional<int> ScreenRecorder::runAlert(const ui::Alert& alert) {
    {
        foundation::MutexLock lock(mutex_);
        record_.alerts.push_back(alert.messageText());
    }
    if (log_) log_->line("alert \"" + alert.messageText() + "\"");
    if (!folder_.empty()) writePicture(renderAlert(alert), nextPictureName("alert"));
    // Headless, the responder answers (Alert::runModal asks it when no backend does).
    return inner_ ? inner_->runAlert(alert) : std::nullopt;
}

void ScreenRecorder::alertUp(const ui::Alert&) {
    if (!inner_) return;
    ui::PixelBuffer shown = inner_->grabDisplay();
    if (!folder_.empty()) writePicture(shown, nextPictureName("alert-on-display"));
    foundation::MutexLock lock(mutex_);
    record_.alertDisplays.push_back(std::move(shown));
}

void ScreenRecorder::menuOpened(ui::Menu& menu) {
    if (inner_) inner_->menuOpened(menu);
}

bool ScreenRecorder::isOnDisplay(const ui::Window& window) const {
    return inner_ ? inner_->isOnDisplay(window) : window.isVisible();
}

bool ScreenRecorder::isTrayIconShown(const ui::StatusItem& item) const {
    return inner_ && inner_->isTrayIconShown(item);
}

bool ScreenRecorder::hasTrayHost() const {
    return inner_ && inner_->hasTrayHost();
}

ui::PixelBuffer ScreenRecorder::grabDisplay() const {
    return inner_ ? inner_->grabDisplay() : ui::PixelBuffer{};
}

bool ScreenRecorder::clickOnDisplay(ui::Point screenPoint, bool rightButton) {
    return inner_ && inner_->clickOnDisplay(screenPoint, rightButton);
}

ui::PixelBuffer ScreenRecorder::renderAlert(const ui::Alert& alert) {
    constexpr double kWidth = 420, kHeight = 180;
    auto panel = std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, kHeight});
    panel->setWantsLayer(true);
    panel->layer().setBackgroundColor(ui::Color::rgb(0.93, 0.93, 0.93));
    auto message = std::make_shared<ui::Text>(ui::Rect{20, 110, kWidth - 40, 50});
    message->setFont(ui::Font::boldSystemFont(14));
    message->setString(alert.messageText());
    panel->addSubview(message);
    auto informative = std::make_shared<ui::Text>(ui::Rect{20, 60, kWidth - 40, 45});
    informative->setFont(ui::Font::systemFont(12));
    informative->setString(alert.informativeText());
    panel->addSubview(informative);
    double right = kWidth - 20;
    for (const auto& title : alert.buttonTitles()) {
        auto button = std::make_shared<ui::Button>(ui::Rect{right - 120, 15, 120, 28});
        button->setTitle(title);
        panel->addSubview(button);
        right -= 130;
    }
    return ui::renderView(*panel);
}

}  // namespace platform::sim
