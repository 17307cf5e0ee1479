#pragma once
// Runs a queued task on the thread that drains its queue (a pool worker, the scheduler, a
// run loop, the main loop). An exception escaping a queued task is a fault of that task,
// and going on would hide it: as with an exception escaping a thread's own function, the
// program stops, in every build, after a line on standard error that names the queue or
// notification the task belonged to and what the exception says.

#include <exception>
#include <string_view>

namespace platform::foundation::detail {

[[noreturn]] void stopOnEscapedException(std::string_view where, const std::exception* error);

template <class F>
void invokeTask(std::string_view where, const F& task) noexcept {
    try {
        task();
    } catch (const std::exception& error) {
        stopOnEscapedException(where, &error);
    } catch (...) {
        stopOnEscapedException(where, nullptr);
    }
}

}  // namespace platform::foundation::detail
