#include "platform/foundation/Assert.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform::foundation::detail {

bool assertionFailed(const char* condition, std::string_view message, const char* file, int line) {
    const std::string text(message);
    std::fprintf(stderr, "%s:%d: assertion failed: %s (%s)\n", file, line, condition, text.c_str());
#ifdef TAVRO_ASSERTIONS_STOP
    std::fflush(stderr);
    std::abort();
#else
    return false;
#endif
}

}  // namespace platform::foundation::detail
