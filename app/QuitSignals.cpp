#include "app/QuitSignals.h"

#include <csignal>

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Dispatch.h"

namespace app {

namespace {
// Sent by the destructor to end the waiting thread; never expected from outside.
constexpr int kStopSignal = SIGUSR2;

sigset_t waitedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, kStopSignal);
    return set;
}
}  // namespace

void QuitSignals::block() {
    sigset_t set = waitedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

QuitSignals::QuitSignals(std::function<void()> quit) {
    thread_ = std::thread([this, quit = std::move(quit)] {
        const sigset_t set = waitedSignals();
        for (;;) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0) continue;
            if (signal == kStopSignal) return;
            if (!quitQueued_.load()) {
                // At once, not when the main thread gets to it: a wait that holds the main
                // thread (a locked screen, the launch's un-mirroring) ends at the quit, and
                // nothing starts new work meanwhile.
                platform::foundation::BackgroundWork::beginQuit();
                platform::foundation::mainQueue()->async(quit);
                quitQueued_.store(true);
            }
        }
    });
}

QuitSignals::~QuitSignals() {
    if (!thread_.joinable()) return;
    pthread_kill(thread_.native_handle(), kStopSignal);
    thread_.join();
}

}  // namespace app
