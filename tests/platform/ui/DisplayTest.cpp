// On a real X display (a private Xvfb): a window, the status item and an alert appear for
// real, and a click on the display reaches the view tree. Runs as the ctest "ui_display"
// (labelled display); skipped when Xvfb is missing or when not asked for.
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "UiTestSupport.h"
#include "platform/ui/Button.h"
#include "platform/ui/DisplayBackend.h"
#include "platform/ui/StatusItem.h"

extern char** environ;

namespace platform::ui {
namespace {

namespace fdn = platform::foundation;

std::string findProgram(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        std::string path = std::string(dir) + "/" + name;
        if (std::filesystem::exists(path)) return path;
    }
    return {};
}

// A program started for the life of the test and ended with it.
class Child {
  public:
    bool start(std::vector<std::string> args) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return posix_spawn(&pid_, args[0].c_str(), nullptr, nullptr, argv.data(), environ) == 0;
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

  private:
    pid_t pid_ = -1;
};

class XvfbServer {
  public:
    bool start(const std::string& binary) {
        for (int number = 91; number < 120; ++number) {
            std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
            if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) continue;
            display_ = ":" + std::to_string(number);
            // -terminate: the server ends with its last client, also when this test is killed.
            std::vector<std::string> args = {binary,      display_,      "-screen",
                                             "0",         "1280x800x24", "-br",
                                             "-nolisten", "tcp",         "-terminate"};
            if (!process_.start(args)) return false;
            for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i) usleep(20000);
            return std::filesystem::exists(socket);
        }
        return false;
    }
    const std::string& display() const { return display_; }

  private:
    Child process_;
    std::string display_;
};

bool waitFor(const std::function<bool()>& done) {
    return fdn::MainLoop::runUntil(done, fdn::Clock::fromSeconds(5));
}

TEST(DisplayTest, WindowTrayIconAndAlertAppearOnARealDisplay) {
    if (!std::getenv("TAVRO_UI_DISPLAY_TEST")) GTEST_SKIP() << "runs as the ctest ui_display";
    std::string xvfb = findProgram("Xvfb");
    if (xvfb.empty()) GTEST_SKIP() << "Xvfb is not installed";
    XvfbServer server;
    ASSERT_TRUE(server.start(xvfb));
    setenv("DISPLAY", server.display().c_str(), 1);
    // A tray host on the display, so that the status item shows as a real tray icon.
    Child tray;
    const std::string trayer = findProgram("trayer");
    const bool trayStarted =
        !trayer.empty() && tray.start({trayer, "--edge", "top", "--align", "right", "--widthtype",
                                       "pixel", "--width", "120", "--height", "24"});
    setScreenSource(std::make_shared<FixedScreenSource>(
        std::vector<Screen>{{1, "Xvfb", {0, 0, 1280, 800}, {0, 0, 1280, 775}, 1.0}}));

    std::string error;
    auto backend = startDisplay(DisplayChoice::Display, &error);
    if (!backend && error.find("offscreen") != std::string::npos) GTEST_SKIP() << error;
    ASSERT_TRUE(backend) << error;

    auto window = Window::make({200, 200, 300, 200}, WindowStyleTitled | WindowStyleClosable);
    window->setBackgroundColor(Color::rgb(0, 0.5, 1));
    auto button = View::create<Button>(Rect{100, 80, 100, 40});
    button->setTitle("Press");
    int presses = 0;
    button->setAction([&](Control&) { ++presses; });
    window->contentView()->addSubview(button);
    window->makeKeyAndOrderFront();
    ASSERT_TRUE(waitFor([&] { return backend->isOnDisplay(*window); }));
    // The display shows the window's colour where the window is (y-up: 200..400 from the bottom).
    bool painted = waitFor([&] {
        PixelBuffer screen = backend->grabDisplay();
        uint32_t p = screen.pixelFromBottom(220, 220);
        return std::abs(greenOf(p) - 128) <= 2 && blueOf(p) == 255 && redOf(p) == 0;
    });
    EXPECT_TRUE(painted);
    // A click on the display goes through Qt's own events into the button.
    ASSERT_TRUE(backend->clickOnDisplay({350, 300}, false));
    EXPECT_EQ(presses, 1);

    if (trayStarted) {
        EXPECT_TRUE(waitFor([&] { return backend->hasTrayHost(); }));
    }
    auto item = StatusBar::system().statusItemWithLength(StatusBar::kVariableLength);
    EXPECT_TRUE(waitFor([&] { return backend->isTrayIconShown(*item); }));

    bool dialogSeen = false;
    Alert::setResponder([&](const Alert&) {
        PixelBuffer screen = backend->grabDisplay();
        // The message box stands in the middle of the otherwise black display.
        int lit = 0;
        for (int x = 440; x < 840; x += 4) lit += (redOf(screen.pixelFromTop(x, 400)) > 100);
        dialogSeen = lit > 20;
        return kAlertSecondButtonReturn;
    });
    window->orderOut();
    Alert alert;
    alert.setMessageText("Display test");
    alert.setInformativeText("Shown for real");
    alert.addButtonWithTitle("First");
    alert.addButtonWithTitle("Second");
    EXPECT_EQ(alert.runModal(), kAlertSecondButtonReturn);
    EXPECT_TRUE(dialogSeen);

    Alert::setResponder(nullptr);
    StatusBar::system().removeStatusItem(item);
    Application::shared().reset();
    Application::shared().setBackend(nullptr);
    setScreenSource(nullptr);
}

}  // namespace
}  // namespace platform::ui
