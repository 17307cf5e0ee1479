// The application as a process: a second copy hands over to the first and ends at once;
// SIGTERM and Ctrl-C quit the first through its termination, with exit status 0.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <sstream>

#include "E2eSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Waits.h"

namespace {

// Real seconds; generous for a loaded machine with sanitizers.
constexpr double kPatience = 60;

class AppProcess : public test_support::ChildProcess {
  public:
    // Started with TMPDIR = `machineRoot`, so its SimMac's home folder is the test's own.
    AppProcess(const std::string& machineRoot, const std::string& pictures) : pictures_(pictures) {
        Options options;
        options.environment = {"TMPDIR=" + machineRoot, "QT_QPA_PLATFORM=offscreen"};
        options.withoutVariables = {"DISPLAY"};
        options.discardOutput = true;
        options.endSignal = SIGKILL;
        start({TAVRO_APP_BINARY, "--scenario", e2e::scenarioPath("second-instance"), "--speed",
               "20", "--snapshots", pictures},
              options);
    }
    std::string log() const {
        std::ifstream file(pictures_ + "/run.log");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // False when the process ended or the log did not get the line within kPatience.
    bool logHolds(const std::string& part) {
        return test_support::waitUntil(
                   [&] { return log().find(part) != std::string::npos || wait(0); }, kPatience) &&
               log().find(part) != std::string::npos;
    }

  private:
    std::string pictures_;
};

TEST(Process, ASecondCopyHandsOverAndSigtermQuitsTheFirstCleanly) {
    test_support::TemporaryFolder root("tavro-e2e");
    AppProcess first(root.path(), root.path() + "/first");
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(first.logHolds("] panel TavroHomeNewViewController")) << first.log();

    AppProcess second(root.path(), root.path() + "/second");
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.wait(kPatience), 0);
    EXPECT_NE(second.log().find("another copy runs"), std::string::npos) << second.log();
    EXPECT_EQ(second.log().find("] panel "), std::string::npos) << "the second copy shows nothing";
    EXPECT_TRUE(first.logHolds("this one comes to the front")) << first.log();

    first.signal(SIGTERM);
    EXPECT_EQ(first.wait(kPatience), 0);
    EXPECT_NE(first.log().find("quit signal"), std::string::npos) << first.log();
    EXPECT_NE(first.log().find("] quit\n"), std::string::npos) << first.log();
}

TEST(Process, CtrlCQuitsThroughTheTermination) {
    test_support::TemporaryFolder root("tavro-e2e");
    AppProcess app(root.path(), root.path() + "/pictures");
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.logHolds("] panel TavroHomeNewViewController")) << app.log();
    app.signal(SIGINT);
    EXPECT_EQ(app.wait(kPatience), 0);
    // The termination's clean-up ran: it logs nothing of its own, but the usage table
    // it writes to is in the SimMac's home folder, never in the user's.
    EXPECT_NE(app.log().find("quit signal"), std::string::npos) << app.log();
}

}  // namespace
