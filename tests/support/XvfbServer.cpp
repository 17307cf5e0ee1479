#include "tests/support/XvfbServer.h"

#include <unistd.h>

#include <filesystem>

namespace test_support {

bool XvfbServer::start(int firstDisplayNumber, const std::string& size) {
    const std::string binary = findProgram("Xvfb");
    if (binary.empty()) return false;
    for (int number = firstDisplayNumber; number < firstDisplayNumber + 30; ++number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (std::filesystem::exists(socket) ||
            std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
            continue;
        }
        const std::string display = ":" + std::to_string(number);
        if (!process_.start(
                {binary, display, "-screen", "0", size, "-br", "-nolisten", "tcp", "-terminate"})) {
            return false;
        }
        for (int i = 0; i < 250 && !std::filesystem::exists(socket); ++i) ::usleep(20000);
        if (!std::filesystem::exists(socket)) return false;
        display_ = display;
        return true;
    }
    return false;
}

bool XvfbServer::startTrayHost() {
    const std::string trayer = findProgram("trayer");
    if (trayer.empty() || display_.empty()) return false;
    ChildProcess::Options options;
    options.environment = {"DISPLAY=" + display_};
    return trayHost_.start({trayer, "--edge", "top", "--align", "right", "--widthtype", "pixel",
                            "--width", "120", "--height", "24"},
                           options);
}

}  // namespace test_support
