#include "platform/foundation/Result.h"

#include <cstdio>
#include <cstdlib>

namespace platform::foundation::detail {

void resultMisread(const char* side) {
    std::fprintf(stderr, "a Result was read for its %s, which it does not hold\n", side);
    std::abort();
}

}  // namespace platform::foundation::detail
