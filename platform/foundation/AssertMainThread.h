#pragma once
// TAVRO_ASSERT_MAIN_THREAD() opens a function whose contract is "main thread only": called
// from any other thread it stops the program there, as TAVRO_ASSERT does, naming the
// function, instead of letting the call race with the main thread. The main thread is the
// one that runs main() and the main loop (isMainThread); in a test binary that is the
// thread the tests run on. Like TAVRO_ASSERT it is an expression with the check's truth.
// The check is one comparison of thread identifiers.

#include <string>

#include "platform/foundation/Assert.h"
#include "platform/foundation/Dispatch.h"

#define TAVRO_ASSERT_MAIN_THREAD()                       \
    TAVRO_ASSERT(::platform::foundation::isMainThread(), \
                 std::string("main thread only: ") + __func__)
