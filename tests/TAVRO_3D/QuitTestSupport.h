#pragma once
// What the quit tests of the shell share: a quit signal as the application takes it, and a
// watchdog that turns a quit that hangs into a failure instead of a stalled suite.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/Application.h"

namespace quit_test {

// What a quit signal does (app/QuitSignals): the quit begins at once, from another thread,
// and the termination is queued for the main thread.
inline void quitSignal() {
    platform::foundation::BackgroundWork::beginQuit();
    platform::foundation::mainQueue()->async(
        [] { platform::ui::Application::shared().terminate(); });
}

// Aborts the test binary when `body` does not return within 30 s of real time, so that a
// quit that hangs fails instead of stalling the suite.
template <class Body>
void withinThirtySeconds(Body body) {
    std::promise<void> returned;
    std::thread watchdog([future = returned.get_future()]() mutable {
        if (future.wait_for(std::chrono::seconds(30)) == std::future_status::timeout) {
            ADD_FAILURE() << "it did not end";
            std::abort();
        }
    });
    body();
    returned.set_value();
    watchdog.join();
}

}  // namespace quit_test
