// Faults of the program itself stop it where they happen instead of being passed over: a
// broken invariant, a main-thread operation called from another thread, and an exception
// escaping a queued task.

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "platform/foundation/Assert.h"
#include "platform/foundation/AssertMainThread.h"
#include "platform/foundation/Dispatch.h"

namespace platform::foundation {
namespace {

TEST(FaultStopDeathTest, ABrokenInvariantStopsTheTestBuildNamingItsPlace) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int* missing = nullptr;
    EXPECT_DEATH(TAVRO_ASSERT(missing != nullptr, "the view is loaded"),
                 "FaultStopTest.cpp:[0-9]+: assertion failed: missing != nullptr "
                 "\\(the view is loaded\\)");
    EXPECT_TRUE(TAVRO_ASSERT(missing == nullptr, "never reported"));
}

void mainThreadOnly() {
    TAVRO_ASSERT_MAIN_THREAD();
}

TEST(FaultStopDeathTest, AMainThreadOperationCalledFromAnotherThreadStopsNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread(mainThreadOnly).join(),
                 "FaultStopTest.cpp:[0-9]+: assertion failed: .*isMainThread\\(\\) "
                 "\\(main thread only: mainThreadOnly\\)");
    mainThreadOnly();  // the thread the tests run on is the main thread
    EXPECT_TRUE(TAVRO_ASSERT_MAIN_THREAD());
}

TEST(FaultStopDeathTest, AnExceptionEscapingAQueuedTaskStopsTheProgramNamingTheQueue) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto queue = makeSerialQueue("uploads");
            queue->async([] { throw std::runtime_error("disk full"); });
            queue->sync([] {});
        },
        "uncaught exception in a task of 'uploads': disk full");
    EXPECT_DEATH(
        {
            mainQueue()->async([] { throw 42; });
            MainLoop::drain();
        },
        "task of 'com.apple.main-thread': \\(not a std::exception\\)");
}

}  // namespace
}  // namespace platform::foundation
