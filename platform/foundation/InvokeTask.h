#pragma once
// Runs a queued task so that an exception thrown by it cannot unwind into the thread that
// drains the queue (a pool worker, the scheduler, a run loop). The exception is reported
// on standard error and the queue goes on with its next item. Runs on the calling thread.

#include <exception>
#include <functional>
#include <string_view>

namespace platform::foundation::detail {

void reportEscapedException(std::string_view where, const std::exception* error);

template <class F>
void invokeTask(std::string_view where, const F& task) noexcept {
    try {
        task();
    } catch (const std::exception& error) {
        reportEscapedException(where, &error);
    } catch (...) {
        reportEscapedException(where, nullptr);
    }
}

}  // namespace platform::foundation::detail
