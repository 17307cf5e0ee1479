#pragma once
// A program started for the life of a test (or a benchmark run) and ended with it if it
// is still running then. Main thread.

#include <signal.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace test_support {

class ChildProcess {
  public:
    struct Options {
        std::vector<std::string> environment;       // "NAME=value", replacing inherited ones
        std::vector<std::string> withoutVariables;  // inherited names the child does not get
        bool discardOutput = false;                 // standard output to /dev/null
        // Sent to a child still running at the end: a server given SIGTERM removes its own
        // files (an X server its lock); a child that may hang gets SIGKILL.
        int endSignal = SIGTERM;
    };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `args[0]` is the program's path. False when it could not be started.
    bool start(std::vector<std::string> args, const Options& options);
    bool start(std::vector<std::string> args) { return start(std::move(args), Options{}); }
    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int number);
    // The exit status (128 + the signal's number when a signal ended it), or none when the
    // process still runs after `seconds` of real time.
    std::optional<int> wait(double seconds);

  private:
    pid_t pid_ = -1;
    int endSignal_ = SIGTERM;
    std::optional<int> status_;
};

// The path of a program in the usual system folders; empty when it is not installed.
std::string findProgram(const std::string& name);

}  // namespace test_support
