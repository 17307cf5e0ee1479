#pragma once
// A program started for the life of a test (or a benchmark run) and ended with it if it
// is still running then. Main thread.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Waits.h"

extern char** environ;

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
        // The child's limit of open descriptors, set in the child before it runs the program.
        std::optional<rlim_t> fileLimit;
        // A full disk for the child: it writes no file past this many bytes (such a write
        // fails with EFBIG instead of ending the child).
        std::optional<rlim_t> fileSizeLimit;
        bool keepErrors = false;  // standard error kept for errors(), through a pipe
    };

    ChildProcess() = default;
    ~ChildProcess() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, endSignal_);
            ::waitpid(pid_, nullptr, 0);
        }
        if (errorsPipe_ >= 0) ::close(errorsPipe_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `args[0]` is the program's path. False when it could not be started.
    bool start(std::vector<std::string> args) { return start(std::move(args), Options{}); }
    bool start(std::vector<std::string> args, const Options& options) {
        endSignal_ = options.endSignal;
        const auto nameOf = [](const std::string& entry) {
            return entry.substr(0, entry.find('='));
        };
        const auto named = [&](const std::vector<std::string>& list, const std::string& name) {
            return std::any_of(list.begin(), list.end(),
                               [&](auto& e) { return nameOf(e) == name; });
        };
        std::vector<std::string> environment = options.environment;
        for (char** e = environ; *e; ++e) {
            if (!named(environment, nameOf(*e)) && !named(options.withoutVariables, nameOf(*e)))
                environment.push_back(*e);
        }
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        for (auto& e : environment) envp.push_back(e.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        int errorsEnds[2] = {-1, -1};
        if (options.keepErrors && ::pipe2(errorsEnds, O_CLOEXEC) != 0) return false;
        if (options.fileLimit || options.fileSizeLimit) {
            forkWithLimits(argv, envp, options, errorsEnds[1]);
        } else {
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            if (options.discardOutput)
                posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            if (errorsEnds[1] >= 0) posix_spawn_file_actions_adddup2(&actions, errorsEnds[1], 2);
            if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
                pid_ = -1;
            posix_spawn_file_actions_destroy(&actions);
        }
        if (errorsEnds[1] >= 0) {
            ::close(errorsEnds[1]);
            // Read as it comes (wait() drains it), so that a talkative child never blocks.
            ::fcntl(errorsEnds[0], F_SETFL, O_NONBLOCK);
            errorsPipe_ = errorsEnds[0];
        }
        return pid_ > 0;
    }
    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int number) {
        if (pid_ > 0 && !status_) ::kill(pid_, number);
    }
    // The exit status (128 + the signal's number when a signal ended it), or none when the
    // process still runs after `seconds` of real time.
    std::optional<int> wait(double seconds) {
        const auto ended = [&] {
            int status = 0;
            if (pid_ <= 0 || status_ || ::waitpid(pid_, &status, WNOHANG) != pid_)
                return bool(status_);
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        };
        const auto drainedAndEnded = [&] {
            drainErrors();
            return ended();
        };
        if (!drainedAndEnded()) waitUntil(drainedAndEnded, seconds);
        if (status_) drainErrors();
        return status_;
    }
    // What the child wrote on standard error so far (with Options::keepErrors).
    const std::string& errors() {
        drainErrors();
        return errors_;
    }

  private:
    // posix_spawn cannot set a limit; between fork and exec only async-signal-safe calls.
    void forkWithLimits(std::vector<char*>& argv, std::vector<char*>& envp, const Options& options,
                        int errors) {
        pid_ = ::fork();
        if (pid_ == 0) {
            if (options.discardOutput) {
                const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
                if (null >= 0) ::dup2(null, 1);
            }
            if (errors >= 0) ::dup2(errors, 2);
            const auto limited = [](int resource, std::optional<rlim_t> value) {
                if (!value) return true;
                const rlimit limit{*value, *value};
                return ::setrlimit(resource, &limit) == 0;
            };
            // Ignored, the signal of a write past the size limit leaves the write to fail;
            // the disposition survives the exec.
            if (options.fileSizeLimit) ::signal(SIGXFSZ, SIG_IGN);
            if (limited(RLIMIT_NOFILE, options.fileLimit) &&
                limited(RLIMIT_FSIZE, options.fileSizeLimit))
                ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
    }

    void drainErrors() {
        char buffer[4096];
        ssize_t got = 0;
        while (errorsPipe_ >= 0 && (got = ::read(errorsPipe_, buffer, sizeof buffer)) > 0)
            errors_.append(buffer, size_t(got));
    }

    pid_t pid_ = -1;
    int endSignal_ = SIGTERM;
    std::optional<int> status_;
    int errorsPipe_ = -1;
    std::string errors_;
};

// The path of a program in the usual system folders; empty when it is not installed.
inline std::string findProgram(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (std::filesystem::exists(path)) return path;
    }
    return {};
}

}  // namespace test_support
