#pragma once
// A private X server (Xvfb) with a tray host, for the tests that show windows on a real
// display. It ends with the test, and with its last client when the test is killed.

#include <filesystem>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/Waits.h"

namespace test_support {

class XvfbServer {
  public:
    // On the first free display number from the one given; `size` as "1280x800x24". False
    // when Xvfb is not installed or did not come up.
    bool start(int firstDisplayNumber, const std::string& size) {
        const std::string binary = findProgram("Xvfb");
        for (int number = firstDisplayNumber; !binary.empty() && number < firstDisplayNumber + 30;
             ++number) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
            if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) continue;
            display_ = ":" + std::to_string(number);
            return process_.start({binary, display_, "-screen", "0", size, "-br", "-nolisten",
                                   "tcp", "-terminate"}) &&
                   waitUntil([&] { return std::filesystem::exists(socket); });
        }
        return false;
    }
    const std::string& display() const { return display_; }  // ":N"

    // A tray host (trayer), so that a status item shows as a tray icon; false without one.
    bool startTrayHost() {
        const std::string trayer = findProgram("trayer");
        ChildProcess::Options options;
        options.environment = {"DISPLAY=" + display_};
        return !trayer.empty() && !display_.empty() &&
               trayHost_.start({trayer, "--edge", "top", "--align", "right", "--widthtype", "pixel",
                                "--width", "120", "--height", "24"},
                               options);
    }

  private:
    ChildProcess process_;
    ChildProcess trayHost_;
    std::string display_;
};

}  // namespace test_support
