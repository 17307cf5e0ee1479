#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

extern char** environ;

namespace test_support {

namespace {

std::string nameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, endSignal_);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool ChildProcess::start(std::vector<std::string> args, const Options& options) {
    endSignal_ = options.endSignal;
    std::vector<std::string> environment = options.environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = nameOf(entry);
        const auto replaced = std::any_of(environment.begin(), environment.end(),
                                          [&](const auto& own) { return nameOf(own) == name; });
        const auto dropped =
            std::find(options.withoutVariables.begin(), options.withoutVariables.end(), name) !=
            options.withoutVariables.end();
        if (!replaced && !dropped) environment.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.discardOutput) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    if (posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid_ > 0;
}

void ChildProcess::signal(int number) {
    if (pid_ > 0 && !status_) ::kill(pid_, number);
}

std::optional<int> ChildProcess::wait(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    while (pid_ > 0 && !status_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
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
