#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "ThreadTestSupport.h"
#include "platform/foundation/NotificationCenter.h"
#include "tests/support/Threads.h"

namespace platform::foundation {
namespace {

using namespace std::chrono_literals;
using namespace testing;

TEST(NotificationCenter, FiltersByNameAndObjectValue) {
    NotificationCenter center;
    std::vector<std::string> seen;
    auto observe = [&](std::string name, std::optional<Value> object, std::string label) {
        return center.addObserver(
            std::move(name), std::move(object), nullptr,
            [&seen, label](const Notification& n) { seen.push_back(label + ":" + n.name); });
    };
    Subscription observers[] = {observe("Plugged", std::nullopt, "any"),
                                observe("Plugged", Value(7), "seven"),
                                observe("", Value("glasses"), "glasses"),
                                // a null object filters nothing
                                observe("Plugged", Value(), "null")};
    center.post("Plugged", Value(7.0));  // numbers compare across kinds
    center.post("Plugged", Value(8));
    center.post("Unplugged", Value("glasses"), ValueDictionary{{"k", Value(1)}});
    center.post("Other");
    EXPECT_EQ(seen, (std::vector<std::string>{"any:Plugged", "seven:Plugged", "null:Plugged",
                                              "any:Plugged", "null:Plugged", "glasses:Unplugged"}));
}

TEST(NotificationCenter, ObserversLastAsLongAsTheirSubscriptions) {
    std::vector<std::string> seen;
    Subscription kept;
    {
        NotificationCenter center;
        Subscription second;
        Subscription added;
        Subscription once;
        bool adding = true;
        Subscription first =
            center.addObserver("N", std::nullopt, nullptr, [&](const Notification&) {
                seen.push_back("first");
                second.reset();  // its turn has not come: it is not called
                if (std::exchange(adding, false)) {
                    added =
                        center.addObserver("N", std::nullopt, nullptr,
                                           [&](const Notification&) { seen.push_back("added"); });
                }
            });
        second = center.addObserver("N", std::nullopt, nullptr,
                                    [&](const Notification&) { seen.push_back("second"); });
        once = center.addObserver("N", std::nullopt, nullptr, [&](const Notification&) {
            seen.push_back("once");
            once.reset();  // from inside its own call
        });
        center.post("N");
        EXPECT_EQ(seen, (std::vector<std::string>{"first", "once"}));
        kept = std::move(added);  // moving keeps the observer
        EXPECT_FALSE(added);
        center.post("N");
        EXPECT_EQ(seen, (std::vector<std::string>{"first", "once", "first", "added"}));
        kept.reset();
        // Replaces the first observer.
        first = center.addObserver("M", std::nullopt, nullptr,
                                   [&](const Notification&) { seen.push_back("M"); });
        center.post("N");
        center.post("M");
        EXPECT_EQ(seen.size(), 5u);
        kept = std::move(first);
    }
    kept.reset();  // its centre has gone before it: nothing to remove
    EXPECT_EQ(seen.back(), "M");
}

TEST(NotificationCenter, PostsFromManyThreadsReachMainQueueObserversBeforeTheyReturn) {
    NotificationCenter center;
    int received = 0;  // main thread only
    auto counter = center.addObserver("Tick", std::nullopt, OperationQueue::main(),
                                      [&](const Notification& n) {
                                          EXPECT_TRUE(isMainThread());
                                          ++received;
                                          EXPECT_EQ(n.userInfo["n"].asInt64(), n.object.asInt64());
                                      });
    constexpr int kThreads = 4;
    constexpr int kPosts = 100;
    std::atomic<int> returned{0};
    std::atomic<int> lateDelivery{0};
    auto posters = test_support::startThreads(kThreads, [&](int t) {
        for (int i = 0; i < kPosts; ++i) {
            const int id = t * kPosts + i;  // only this post carries this object
            std::atomic<bool> handled{false};
            auto token = center.addObserver("Tick", Value(id), OperationQueue::main(),
                                            [&](const Notification&) { handled = true; });
            center.post("Tick", Value(id), ValueDictionary{{"n", Value(id)}});
            if (!handled) ++lateDelivery;  // the post returned before its observer ran
            token.reset();
            ++returned;
        }
    });
    EXPECT_TRUE(MainLoop::runUntil([&] { return returned == kThreads * kPosts; }, 60s));
    posters.clear();
    EXPECT_EQ(received, kThreads * kPosts);
    EXPECT_EQ(lateDelivery.load(), 0);
    // Posting from the main thread itself runs the main-queue observer inline.
    center.post("Tick", Value(0), ValueDictionary{{"n", Value(0)}});
    EXPECT_EQ(received, kThreads * kPosts + 1);
}

TEST(NotificationCenter, RemovalFromAnotherThreadKeepsAWaitingObserverFromRunning) {
    NotificationCenter center;
    auto queue = OperationQueue::make("observers");
    Gate busy;
    Gate queued;
    queue->addOperation([&] {
        queued.open();
        busy.wait();
    });
    ASSERT_TRUE(queued.wait());
    std::atomic<bool> called{false};
    auto token =
        center.addObserver("N", std::nullopt, queue, [&](const Notification&) { called = true; });
    std::thread poster([&] { center.post("N"); });  // waits behind `busy`
    token.reset();
    busy.open();
    poster.join();
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(called.load());
}

TEST(OperationQueue, WaitsRunsInlineOnItselfAndTheMainOneRunsOnTheMainThread) {
    auto queue = OperationQueue::make("ops");
    std::atomic<int> onQueue{0};
    for (int i = 0; i < 50; ++i) queue->addOperation([&] { onQueue += queue->isCurrent(); });
    queue->waitUntilAllOperationsAreFinished();
    EXPECT_EQ(onQueue.load(), 50);
    bool innerRan = false;
    queue->addOperationAndWait(
        [&] { queue->addOperationAndWait([&] { innerRan = queue->isCurrent(); }); });
    EXPECT_TRUE(innerRan);
    auto main = OperationQueue::main();
    std::atomic<int> onMain{0};
    std::thread other([&] { main->addOperation([&] { onMain += isMainThread() ? 1 : 100; }); });
    other.join();
    main->waitUntilAllOperationsAreFinished();  // runs the main loop meanwhile
    EXPECT_EQ(onMain.load(), 1);
}

}  // namespace
}  // namespace platform::foundation
