#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "ThreadTestSupport.h"
#include "platform/foundation/RunLoop.h"

namespace platform::foundation {
namespace {

using namespace std::chrono_literals;
using namespace testing;

// A thread that runs its run loop until told to stop, like the HID monitor's.
class LoopThread {
  public:
    LoopThread() {
        std::promise<RunLoop*> started;
        auto loop = started.get_future();
        thread_ = std::thread([started = std::move(started)]() mutable {
            started.set_value(&RunLoop::current());
            RunLoop::current().run();
        });
        loop_ = loop.get();
    }
    ~LoopThread() {
        loop_->stop();
        thread_.join();
    }
    RunLoop& loop() { return *loop_; }
    std::thread::id id() const { return thread_.get_id(); }

  private:
    std::thread thread_;
    RunLoop* loop_ = nullptr;
};

TEST(RunLoop, PerformsAndSignalsRunOnTheLoopsThreadInOrder) {
    LoopThread worker;
    RunLoopSource source(worker.loop());
    std::vector<int> order;  // only touched on the worker
    Counter done;
    std::thread sender([&] {
        for (int i = 0; i < 100; ++i) {
            auto record = [&, i] {
                EXPECT_EQ(std::this_thread::get_id(), worker.id());
                order.push_back(i);
                done.increment();
            };
            i % 2 ? source.signal(record) : worker.loop().perform(record);
        }
    });
    sender.join();
    ASSERT_TRUE(done.waitFor(100));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(order[i], i);
}

TEST(RunLoop, StopBeforeRunMakesRunReturnAtOnceAndPerformWaitsForARun) {
    std::atomic<int> ran{0};
    std::thread worker([&] {
        RunLoop& loop = RunLoop::current();
        loop.perform([&] { ++ran; });
        loop.stop();
        loop.run();  // returns at once: the stop came first
        EXPECT_EQ(ran.load(), 0);
        EXPECT_TRUE(loop.runUntil([&] { return ran == 1; }, 20s));
        EXPECT_FALSE(loop.isRunning());
    });
    worker.join();
    EXPECT_EQ(ran.load(), 1);
}

TEST(RunLoopSource, EventsStillQueuedAtInvalidateAreDropped) {
    LoopThread worker;
    auto source = std::make_unique<RunLoopSource>(worker.loop());
    RunLoopSource selfInvalidating(worker.loop());
    Gate busy;
    worker.loop().perform([&] { busy.wait(); });
    std::atomic<int> late{0};
    source->signal([&] { ++late; });  // queued behind `busy`
    source->invalidate();
    source->signal([&] { ++late; });
    std::atomic<int> delivered{0};
    selfInvalidating.signal([&] {
        ++delivered;
        selfInvalidating.invalidate();  // an event may invalidate its own source
    });
    selfInvalidating.signal([&] { ++delivered; });
    busy.open();
    source.reset();
    Counter barrier;
    worker.loop().perform([&] { barrier.increment(); });
    ASSERT_TRUE(barrier.waitFor(1));
    EXPECT_EQ(late.load(), 0);
    EXPECT_EQ(delivered.load(), 1);
}

TEST(RunLoopSource, InvalidateFromAnotherThreadWaitsForTheEventBeingDelivered) {
    LoopThread worker;
    RunLoopSource source(worker.loop());
    Gate inEvent;
    Gate release;
    std::atomic<bool> eventFinished{false};
    source.signal([&] {
        inEvent.open();
        release.wait();
        eventFinished = true;
    });
    ASSERT_TRUE(inEvent.wait());
    // Whether the release comes before or during invalidate(), the event has finished
    // when invalidate() returns.
    std::thread releaser([&] { release.open(); });
    source.invalidate();
    EXPECT_TRUE(eventFinished.load());
    releaser.join();
}

TEST(RunLoopSource, OutlivesTheThreadOfItsLoop) {
    std::unique_ptr<RunLoopSource> source;
    std::thread gone([&] { source = std::make_unique<RunLoopSource>(RunLoop::current()); });
    gone.join();
    source->signal([] { ADD_FAILURE() << "no thread runs this loop any more"; });
    source.reset();
}

}  // namespace
}  // namespace platform::foundation
