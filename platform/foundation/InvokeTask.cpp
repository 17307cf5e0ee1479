#include "platform/foundation/InvokeTask.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform::foundation::detail {

void stopOnEscapedException(std::string_view where, const std::exception* error) {
    const std::string place(where);
    std::fprintf(stderr, "uncaught exception in a task of '%s': %s\n", place.c_str(),
                 error != nullptr ? error->what() : "(not a std::exception)");
    std::fflush(stderr);
    std::abort();
}

}  // namespace platform::foundation::detail
