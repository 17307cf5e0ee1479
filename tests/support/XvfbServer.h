#pragma once
// A private X server (Xvfb) with a tray host, for the tests that show windows on a real
// display, on the first free display number from a given one. It ends with the test, and
// with its last client when the test is killed. Main thread.

#include <string>

#include "tests/support/ChildProcess.h"

namespace test_support {

class XvfbServer {
  public:
    // False when Xvfb is not installed or did not come up; `size` as "1280x800x24".
    bool start(int firstDisplayNumber, const std::string& size);
    // ":N" once started.
    const std::string& display() const { return display_; }
    // A tray host (trayer) on the display, so that a status item shows as a tray icon;
    // false when trayer is not installed or did not start.
    bool startTrayHost();

  private:
    ChildProcess process_;
    ChildProcess trayHost_;
    std::string display_;
};

}  // namespace test_support
