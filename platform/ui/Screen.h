#pragma once
// Screens as windows see them: a display identifier, a localised name, the frame and the
// visible frame (without the menu bar) in the global y-up space, and the backing scale.
// The list is the installed display server's (platform/screens): on a simulated Mac its
// displays as they come and go, the main display first, mirrored displays left out. A test
// may install a ScreenSource of its own instead; with neither a source nor a display
// server there is one 1440 x 900 screen. Screen lists may be read from any thread;
// sources must answer from any thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform::ui {

struct Screen {
    uint32_t displayId = 0;
    std::string localizedName;
    Rect frame;
    Rect visibleFrame;
    double backingScaleFactor = 1.0;
    bool operator==(const Screen&) const = default;

    // Every screen, the one with the menu bar first.
    static std::vector<Screen> screens();
    // The screen of the key window, else the first screen.
    static std::optional<Screen> mainScreen();
};

class ScreenSource {
  public:
    virtual ~ScreenSource() = default;
    virtual std::vector<Screen> screens() const = 0;
};

// Installs the source of the screen list (null: back to the display server's screens).
void setScreenSource(std::shared_ptr<ScreenSource> source);

// A fixed list, for tests and for machines without a display server.
class FixedScreenSource final : public ScreenSource {
  public:
    explicit FixedScreenSource(std::vector<Screen> screens) : screens_(std::move(screens)) {}
    std::vector<Screen> screens() const override { return screens_; }

  private:
    std::vector<Screen> screens_;
};

// The display server's screens as the interface sees them (none without a display server).
// The main display's screen loses the menu bar's height from its visible frame.
std::vector<Screen> displayServerScreens();

inline constexpr double kMenuBarHeight = 25;

}  // namespace platform::ui
