// Cost of a synchronous post: to an observer that runs on the posting thread, and to one
// on the main operation queue. For the latter the benchmark runs on a second thread while
// the real main thread runs the main loop, so each post really crosses to the main thread
// and waits for the observer, as a post from a worker does in the application.

#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"

namespace {

using platform::foundation::MainLoop;
using platform::foundation::Notification;
using platform::foundation::NotificationCenter;
using platform::foundation::OperationQueue;
using platform::foundation::Value;

void BM_PostToObserverOnPostingThread(benchmark::State& state) {
    NotificationCenter center;
    int64_t seen = 0;
    auto token =
        center.addObserver("Bench", std::nullopt, nullptr, [&](const Notification&) { ++seen; });
    // Unrelated observers the post has to pass over, as in a busy centre.
    std::vector<platform::foundation::Subscription> others;
    for (int i = 0; i < 8; ++i) {
        others.push_back(center.addObserver("Other" + std::to_string(i), std::nullopt, nullptr,
                                            [](const Notification&) {}));
    }
    for (auto _ : state) center.post("Bench", Value(1));
    token.reset();
    benchmark::DoNotOptimize(seen);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostToObserverOnPostingThread);

void BM_PostToMainQueueObserverFromWorker(benchmark::State& state) {
    NotificationCenter center;
    std::atomic<int64_t> seen{0};
    auto token = center.addObserver("Bench", std::nullopt, OperationQueue::main(),
                                    [&](const Notification&) { ++seen; });
    for (auto _ : state) center.post("Bench", Value(1));
    token.reset();
    if (seen.load() != state.iterations()) state.SkipWithError("an observer call was lost");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostToMainQueueObserverFromWorker)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::thread runner([] {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        MainLoop::stop();
    });
    MainLoop::run();
    runner.join();
    return 0;
}
