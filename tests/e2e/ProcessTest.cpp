// The application as a process: a second copy hands over to the first and ends at once;
// SIGTERM and Ctrl-C quit the first through its termination, with exit status 0.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "E2eSupport.h"

extern char** environ;

namespace {

class AppProcess {
  public:
    // Started with TMPDIR = `machineRoot`, so its SimMac's home folder is the test's own.
    AppProcess(const std::string& machineRoot, const std::string& pictures) : pictures_(pictures) {
        std::vector<std::string> args = {
            TAVRO_APP_BINARY, "--scenario", e2e::scenarioPath("second-instance"), "--speed", "20",
            "--snapshots",    pictures};
        std::vector<std::string> environment = {"TMPDIR=" + machineRoot,
                                                "QT_QPA_PLATFORM=offscreen"};
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            if (entry.rfind("TMPDIR=", 0) == 0 || entry.rfind("DISPLAY=", 0) == 0) continue;
            environment.push_back(entry);
        }
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~AppProcess() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    void signal(int number) { ::kill(pid_, number); }
    // The exit status, or none when the process is still running after `seconds`.
    std::optional<int> wait(double seconds) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(static_cast<int>(seconds * 1000));
        while (!status_) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() > deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return status_;
    }
    std::string log() const {
        std::ifstream file(pictures_ + "/run.log");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    bool logHolds(const std::string& part, double seconds) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(static_cast<int>(seconds * 1000));
        while (log().find(part) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline || wait(0)) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

  private:
    std::string pictures_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Real seconds; generous for a loaded machine with sanitizers.
constexpr double kPatience = 60;

TEST(Process, ASecondCopyHandsOverAndSigtermQuitsTheFirstCleanly) {
    e2e::TemporaryHome root;
    AppProcess first(root.path(), root.path() + "/first");
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(first.logHolds("] panel TavroHomeNewViewController", kPatience)) << first.log();

    AppProcess second(root.path(), root.path() + "/second");
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.wait(kPatience), 0);
    EXPECT_NE(second.log().find("another copy runs"), std::string::npos) << second.log();
    EXPECT_EQ(second.log().find("] panel "), std::string::npos) << "the second copy shows nothing";
    EXPECT_TRUE(first.logHolds("this one comes to the front", kPatience)) << first.log();

    first.signal(SIGTERM);
    EXPECT_EQ(first.wait(kPatience), 0);
    EXPECT_NE(first.log().find("quit signal"), std::string::npos) << first.log();
    EXPECT_NE(first.log().find("] quit\n"), std::string::npos) << first.log();
}

TEST(Process, CtrlCQuitsThroughTheTermination) {
    e2e::TemporaryHome root;
    AppProcess app(root.path(), root.path() + "/pictures");
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.logHolds("] panel TavroHomeNewViewController", kPatience)) << app.log();
    app.signal(SIGINT);
    EXPECT_EQ(app.wait(kPatience), 0);
    // The termination's clean-up ran: it logs nothing of its own, but the usage table
    // it writes to is in the SimMac's home folder, never in the user's.
    EXPECT_NE(app.log().find("quit signal"), std::string::npos) << app.log();
}

}  // namespace
