#pragma once
// TAVRO_ASSERT(condition, message) states an invariant that only a programming error can
// break (never bad outside input, an unplugged device or a race the code handles). When it
// does not hold, the condition, the message and the place go to standard error; then every
// build but Release stops there (the test build included), so the fault shows where it
// happens, while a Release build carries on.
//
// The macro is an expression with the condition's truth, so a caller that must not go on
// in a Release build can still leave: `if (!TAVRO_ASSERT(view, "...")) return;`. The
// message is only evaluated when the condition fails. Any thread.

#include <string_view>

namespace platform::foundation::detail {
// Reports the failure; stops the program unless this is a Release build. Returns false.
bool assertionFailed(const char* condition, std::string_view message, const char* file, int line);
}  // namespace platform::foundation::detail

#define TAVRO_ASSERT(condition, message) \
    (static_cast<bool>(condition) ||     \
     ::platform::foundation::detail::assertionFailed(#condition, (message), __FILE__, __LINE__))
