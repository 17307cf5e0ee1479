#include "platform/foundation/InvokeTask.h"

#include <cstdio>
#include <string>

namespace platform::foundation::detail {

void reportEscapedException(std::string_view where, const std::exception* error) {
    const std::string place(where);
    std::fprintf(stderr, "uncaught exception in work of '%s': %s\n", place.c_str(),
                 error != nullptr ? error->what() : "(not a std::exception)");
}

}  // namespace platform::foundation::detail
