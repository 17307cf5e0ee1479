#include <gtest/gtest.h>

#include <atomic>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/ProcessLockRegistry.h"
#include "tests/support/TemporaryHome.h"

namespace platform::foundation {
namespace {

// Two registrations stand for two copies of the application: the lock is taken per open
// file, so a second registration in one process meets the first as another process would.
class ProcessLockRegistryTest : public ::testing::Test {
  protected:
    test_support::TemporaryHome home_{"process-lock"};
};

TEST_F(ProcessLockRegistryTest, ASecondCopySeesTheFirstAndBringsItToTheFront) {
    std::atomic<int> firstActivated{0};
    std::atomic<int> secondActivated{0};
    ProcessLockRegistry first("com.example.app", [&] { ++firstActivated; });
    ASSERT_TRUE(first.isHolder());
    EXPECT_EQ(first.runningApplicationsWithBundleIdentifier("com.example.app").size(), 1u);
    ProcessLockRegistry second("com.example.app", [&] { ++secondActivated; });
    EXPECT_FALSE(second.isHolder());
    auto running = second.runningApplicationsWithBundleIdentifier("com.example.app");
    ASSERT_EQ(running.size(), 2u);
    EXPECT_EQ(running[0].processIdentifier, running[1].processIdentifier)
        << "the holder's process identifier is read from its lock file";
    EXPECT_EQ(running[1], second.currentApplication());
    EXPECT_TRUE(second.runningApplicationsWithBundleIdentifier("com.example.other").empty());
    // The holder's entry is not the current one of the second copy only by position; the
    // second copy activates the holder through its socket.
    RunningApplication holder = running[0];
    holder.processIdentifier = -1;  // what a real other process looks like to this one
    EXPECT_TRUE(second.activate(holder));
    EXPECT_TRUE(MainLoop::runUntilSeconds([&] { return firstActivated.load() == 1; }, 5));
    EXPECT_EQ(secondActivated.load(), 0);
}

TEST_F(ProcessLockRegistryTest, TheLockIsFreeAgainWhenTheFirstCopyEnds) {
    auto first = std::make_unique<ProcessLockRegistry>("com.example.app", nullptr);
    ASSERT_TRUE(first->isHolder());
    first.reset();
    ProcessLockRegistry next("com.example.app", nullptr);
    EXPECT_TRUE(next.isHolder());
    RunningApplication gone{-1, "com.example.other"};
    EXPECT_FALSE(next.activate(gone)) << "nobody listens";
}

// A lock file that cannot be opened (here a folder in its place; for a user, a lock folder
// left to root by a start with sudo) leaves the socket to tell: never two first copies.
TEST_F(ProcessLockRegistryTest, WithoutTheLockFileTheSocketTellsThatACopyRuns) {
    const std::string lock = applicationSupportDirectory() + "/.running/com.example.app.lock";
    ASSERT_FALSE(createDirectory(lock, true));
    std::atomic<int> firstActivated{0};
    {
        ProcessLockRegistry first("com.example.app", [&] { ++firstActivated; });
        EXPECT_TRUE(first.isHolder());
        ProcessLockRegistry second("com.example.app", nullptr);
        EXPECT_FALSE(second.isHolder());
        auto running = second.runningApplicationsWithBundleIdentifier("com.example.app");
        ASSERT_EQ(running.size(), 2u);
        EXPECT_TRUE(second.activate(running[0]));
        EXPECT_TRUE(MainLoop::runUntilSeconds([&] { return firstActivated.load() == 1; }, 5));

        // A copy that can have the lock still meets the one that could not.
        ASSERT_FALSE(removeItem(lock));
        ProcessLockRegistry third("com.example.app", nullptr);
        EXPECT_FALSE(third.isHolder());
        EXPECT_TRUE(third.cannotTell().empty());
    }
    ProcessLockRegistry alone("com.example.app", nullptr);
    EXPECT_TRUE(alone.isHolder());
}

}  // namespace
}  // namespace platform::foundation
