#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/Waits.h"

extern char** environ;

namespace test_support {

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, endSignal_);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool ChildProcess::start(std::vector<std::string> args, const Options& options) {
    endSignal_ = options.endSignal;
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    const auto named = [&](const std::vector<std::string>& list, const std::string& name) {
        return std::any_of(list.begin(), list.end(), [&](auto& e) { return nameOf(e) == name; });
    };
    std::vector<std::string> environment = options.environment;
    for (char** e = environ; *e; ++e) {
        const std::string name = nameOf(*e);
        if (!named(environment, name) && !named(options.withoutVariables, name))
            environment.push_back(*e);
    }
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : environment) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.discardOutput)
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid_ > 0;
}

void ChildProcess::signal(int number) {
    if (pid_ > 0 && !status_) ::kill(pid_, number);
}

std::optional<int> ChildProcess::wait(double seconds) {
    const auto ended = [&] {
        int status = 0;
        if (pid_ <= 0 || status_ || ::waitpid(pid_, &status, WNOHANG) != pid_) return bool(status_);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
    };
    if (!ended()) waitUntil(ended, seconds);
    return status_;
}

std::string findProgram(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (std::filesystem::exists(path)) return path;
    }
    return {};
}

}  // namespace test_support
