#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "ThreadTestSupport.h"
#include "platform/foundation/Dispatch.h"
#include "tests/support/Threads.h"

namespace platform::foundation {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// What each of `senders` threads sent, in the order it sent it.
std::vector<std::vector<int>> sentInOrder(int senders, int perSender) {
    std::vector<int> one(perSender);
    std::iota(one.begin(), one.end(), 0);
    return std::vector<std::vector<int>>(senders, one);
}

TEST(SerialQueue, RunsItemsOneAtATimeInSubmissionOrderFromManyThreads) {
    auto queue = makeSerialQueue("order");
    constexpr int kThreads = 4;
    constexpr int kPerThread = 300;
    std::vector<std::vector<int>> seen(kThreads);  // only touched on the queue
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    Counter done;
    test_support::onThreads(kThreads, [&](int t) {
        for (int i = 0; i < kPerThread; ++i) {
            queue->async([&, t, i] {
                if (++inside > 1) ++overlaps;
                EXPECT_TRUE(queue->isCurrent());
                seen[t].push_back(i);
                --inside;
                done.increment();
            });
        }
    });
    ASSERT_TRUE(done.waitFor(kThreads * kPerThread));
    queue->sync([&] { EXPECT_EQ(seen, sentInOrder(kThreads, kPerThread)); });
    EXPECT_EQ(overlaps.load(), 0);
}

TEST(SerialQueue, SyncWaitsItsTurnAndRunsInlineWhenAlreadyOnTheQueue) {
    auto queue = makeSerialQueue("sync");
    std::vector<std::string> order;  // only touched on the queue
    Gate release;
    queue->async([&] {
        release.wait();
        order.push_back("first");
    });
    std::thread opener([&] { release.open(); });
    queue->sync([&] {
        order.push_back("sync");
        // GCD would deadlock here; ours runs it inline, as does a sync through another
        // queue back onto this one.
        queue->sync([&] { order.push_back("nested"); });
        auto other = makeSerialQueue("other");
        other->sync([&] {
            EXPECT_TRUE(other->isCurrent());
            EXPECT_TRUE(queue->isCurrent());
            queue->sync([&] { order.push_back("through other"); });
        });
    });
    opener.join();
    EXPECT_EQ(order, (std::vector<std::string>{"first", "sync", "nested", "through other"}));
    EXPECT_FALSE(queue->isCurrent());
}

TEST(GlobalQueue, BlockingWorkDoesNotStarveLaterWork) {
    // More blocked items than any fixed pool on a small machine would have threads.
    constexpr int kBlockers = 24;
    Gate release;
    Counter blocked;
    Counter done;
    for (int i = 0; i < kBlockers; ++i) {
        globalQueue()->async([&] {
            blocked.increment();
            release.wait();
            done.increment();
        });
    }
    ASSERT_TRUE(blocked.waitFor(kBlockers));
    Counter late;
    globalQueue(QualityOfService::Utility)->async([&] { late.increment(); });
    EXPECT_TRUE(late.waitFor(1));
    release.open();
    EXPECT_TRUE(done.waitFor(kBlockers));
}

TEST(MainQueue, WorkFromManyThreadsRunsOnTheMainThreadInEachSendersOrder) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    std::vector<std::vector<int>> seen(kThreads);  // main thread only
    int total = 0, syncs = 0;
    std::atomic<int> offMain{0};
    auto senders = test_support::startThreads(kThreads, [&](int t) {
        for (int i = 0; i < kPerThread; ++i) {
            mainQueue()->async([&, t, i] {
                if (!isMainThread()) ++offMain;
                seen[t].push_back(i);
                ++total;
            });
        }
        // And a sync from a worker: it must wait for the main loop, not deadlock.
        mainQueue()->sync([&] {
            EXPECT_TRUE(mainQueue()->isCurrent());
            ++syncs;
        });
    });
    EXPECT_TRUE(MainLoop::runUntil(
        [&] { return total == kThreads * kPerThread && syncs == kThreads; }, 20s));
    senders.clear();
    MainLoop::drain();
    EXPECT_EQ(offMain.load(), 0);
    EXPECT_EQ(seen, sentInOrder(kThreads, kPerThread));
}

TEST(MainQueue, StopEndsRunAndDrainRunsOnlyWhatWasQueued) {
    int ran = 0;
    mainQueue()->async([&] {
        ++ran;
        mainQueue()->async([&] { ++ran; });  // queued during the drain: left for later
    });
    EXPECT_EQ(MainLoop::drain(), 1);
    EXPECT_EQ(ran, 1);
    std::thread stopper([] { mainQueue()->async([] { MainLoop::stop(); }); });
    MainLoop::run();  // returns once the stop has been run
    stopper.join();
    EXPECT_EQ(ran, 2);
    MainLoop::stop();  // a stop that comes first makes the next run return at once
    MainLoop::run();
    // Delayed work reaches the main queue, and a bounded real wait ends.
    mainQueue()->asyncAfter(20ms, [&] { ++ran; });
    EXPECT_TRUE(MainLoop::runUntil([&] { return ran == 3; }, 20s));
    EXPECT_FALSE(MainLoop::runUntil([] { return false; }, 10ms));
}

TEST(AsyncAfter, RunsInDeadlineOrderThenSubmissionOrderWhenTheClockPasses) {
    auto clock = std::make_shared<ManualClock>();
    ScopedClock scoped(clock);
    auto queue = makeSerialQueue("after");
    std::vector<std::string> order;  // only touched on the queue
    queue->asyncAfter(2s, [&] { order.push_back("a@2"); });
    queue->asyncAfter(1s, [&] { order.push_back("b@1"); });
    queue->asyncAfter(1s, [&] { order.push_back("c@1"); });
    queue->asyncAfter(0s, [&] { order.push_back("d@0"); });
    settle(queue);
    clock->advance(999ms);
    settle(queue);
    queue->sync([&] { EXPECT_EQ(order, std::vector<std::string>{"d@0"}); });
    clock->advance(5s);
    settle(queue);
    queue->sync([&] { EXPECT_EQ(order, (std::vector<std::string>{"d@0", "b@1", "c@1", "a@2"})); });
}

}  // namespace
}  // namespace platform::foundation
