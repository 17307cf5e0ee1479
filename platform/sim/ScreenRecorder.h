#pragma once
// What the user of a simulated run sees, recorded: a display backend that stands between
// the application and its real backend (or none, headless). It notes every change of a
// window's panel (the class of its content view controller) and every alert, writes a PNG
// of the window at each panel change and of each alert into a picture folder (when one is
// given), logs each, and passes everything on to the real backend. Scenario runners read
// the record from their own thread.
//
// The backend side runs on the main thread; the record may be read from any thread.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Mutex.h"
#include "platform/sim/RunLog.h"
#include "platform/ui/DisplayBackend.h"

namespace platform::sim {

class ScreenRecorder final : public ui::DisplayBackend {
  public:
    // `inner` may be null (headless); `pictureFolder` empty writes no pictures.
    ScreenRecorder(std::shared_ptr<ui::DisplayBackend> inner, std::string pictureFolder,
                   std::shared_ptr<RunLog> log);

    struct Record {
        std::vector<std::string> panels;   // every panel shown, in order
        std::vector<std::string> alerts;   // the message of every alert, in order
        std::vector<std::string> current;  // the panels of the visible windows now
        std::vector<std::string> pictures;
        // The real display at the moments alerts were up on it (none headless).
        std::vector<ui::PixelBuffer> alertDisplays;
    };
    Record record() const;
    // Whether `panel` is shown now or was shown at or after index `since` of the panels.
    bool panelSeen(const std::string& panel, size_t since, size_t* matchedIndex = nullptr) const;
    const std::shared_ptr<ui::DisplayBackend>& inner() const { return inner_; }
    // An alert is up and about to be answered (main thread): on a real display, what the
    // display shows now is kept (and written as a picture).
    void alertUp(const ui::Alert& alert);
    // A picture of every visible window as it is now, named "end-<panel>" (main thread): at
    // the end of a scenario, the last look of each window, the AI-3D window's stereo frames
    // among them.
    void pictureVisibleWindows();

    // DisplayBackend.
    void windowShown(ui::Window& window) override;
    void windowHidden(ui::Window& window) override;
    void windowChanged(ui::Window& window) override;
    void windowDestroyed(int windowNumber) override;
    void statusItemChanged(ui::StatusItem& item) override;
    void statusItemRemoved(ui::StatusItem& item) override;
    std::optional<int> runAlert(const ui::Alert& alert) override;
    void menuOpened(ui::Menu& menu) override;
    bool isOnDisplay(const ui::Window& window) const override;
    bool isTrayIconShown(const ui::StatusItem& item) const override;
    bool hasTrayHost() const override;
    ui::PixelBuffer grabDisplay() const override;
    bool clickOnDisplay(ui::Point screenPoint, bool rightButton) override;

    // A picture of an alert as a headless run shows it: its texts and buttons on a panel.
    static ui::PixelBuffer renderAlert(const ui::Alert& alert);

  private:
    void notePanel(ui::Window& window);
    void takePicture(int windowNumber, const std::string& panel);
    // Records the picture only when it was wholly written, and logs it otherwise.
    void writePicture(const ui::PixelBuffer& picture, const std::string& path);
    std::string nextPictureName(const std::string& what);

    const std::shared_ptr<ui::DisplayBackend> inner_;
    const std::string folder_;
    const std::shared_ptr<RunLog> log_;
    mutable foundation::Mutex mutex_;
    std::map<int, std::string> shown_
        TAVRO_GUARDED_BY(mutex_);  // window number -> panel, visible windows only
    std::map<int, std::string> last_
        TAVRO_GUARDED_BY(mutex_);  // window number -> last panel recorded
    Record record_ TAVRO_GUARDED_BY(mutex_);
    int pictureCount_ TAVRO_GUARDED_BY(mutex_) = 0;
};

}  // namespace platform::sim
