#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/foundation/BackgroundWork.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/HandOverSocket.h"
#include "platform/foundation/ProcessLockRegistry.h"
#include "tests/platform/foundation/StorageTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryHome.h"
#include "tests/support/Waits.h"

namespace platform::foundation {
namespace {

using namespace std::chrono_literals;

constexpr const char* kApp = "com.example.app";

std::string lockPath() {
    return applicationSupportDirectory() + "/.running/com.example.app.lock";
}

// The holder as another process sees it: in this test program both registrations share one
// process identifier, which would make the holder's entry the current application.
RunningApplication holderSeenBy(const ProcessLockRegistry& registry) {
    RunningApplication holder = registry.runningApplicationsWithBundleIdentifier(kApp).at(0);
    holder.processIdentifier = -1;
    return holder;
}

// The quit of this process begun for the life of the object, as the termination begins it.
struct QuitBegun {
    QuitBegun() { BackgroundWork::finish(0ms); }
    ~QuitBegun() { BackgroundWork::resume(); }
    QuitBegun(const QuitBegun&) = delete;
    QuitBegun& operator=(const QuitBegun&) = delete;
};

// A thread that does `then` once `holder` has refused to come to the front, while the copy
// that asked waits for it to end.
std::thread onceRefused(const ProcessLockRegistry& holder, std::function<void()> then) {
    return std::thread([&holder, then = std::move(then)] {
        test_support::waitUntil([&] { return holder.refusedHandOvers() > 0; });
        then();
    });
}

// Writes `text` over the start of the lock file, as a copy taking the holder's place writes
// its process identifier there.
void overwriteLockFile(const std::string& text) {
    const int fd = ::open(lockPath().c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

// The lock of another copy of the test's own making, which answers only if the test listens for
// it: held, its process identifier written. -1 when it cannot be had.
int holdLockAsAnotherCopy() {
    if (createDirectory(deletingLastPathComponent(lockPath()), true)) return -1;
    const int fd = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        overwriteLockFile(std::to_string(::getpid() + 1) + "\n");
        return fd;
    }
    if (fd >= 0) ::close(fd);
    return -1;
}

// Starts `test` of ProcessLockRegistryChild, a first copy in a process of its own (with at
// most `fileLimit` descriptors), and waits until it reports what it found: "holder", "not
// holder" or "cannot tell" (empty when it reports nothing).
std::string startFirstCopy(test_support::ChildProcess& child, const std::string& home,
                           const std::string& test,
                           std::optional<rlim_t> fileLimit = std::nullopt) {
    test_support::ChildProcess::Options options;
    options.environment = {"TAVRO_LOCK_CHILD_HOME=" + home};
    options.fileLimit = fileLimit;
    options.discardOutput = true;
    options.endSignal = SIGKILL;
    if (!child.start({std::filesystem::read_symlink("/proc/self/exe").string(),
                      "--gtest_filter=ProcessLockRegistryChild." + test},
                     options))
        return {};
    const std::string report = home + "/child";
    const auto reported = [&] {
        const std::string text = readText(report);
        return text == "holder" || text == "not holder" || text == "cannot tell";
    };
    if (!test_support::waitUntil([&] { return reported() || child.wait(0); }, 30)) return {};
    return reported() ? readText(report) : std::string();
}

// Writes what `registry`, the child's, found for its parent to read.
void reportToParent(const std::string& home, const ProcessLockRegistry& registry) {
    writeText(home + "/child", registry.isHolder()             ? "holder"
                               : registry.cannotTell().empty() ? "not holder"
                                                               : "cannot tell");
}

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
    EXPECT_FALSE(second.isHolder()) << "a holder that accepted goes on running";
    EXPECT_EQ(first.refusedHandOvers(), 0);
    EXPECT_TRUE(MainLoop::runUntilSeconds([&] { return firstActivated.load() == 1; }, 5));
    EXPECT_EQ(secondActivated.load(), 0);
}

// A holder whose quit has begun refuses to come to the front, since it is about to end: the
// new copy waits for it to end and runs in its place. Its quit begins either way: its
// background work told to stop, or its main loop over.
TEST_F(ProcessLockRegistryTest, AQuittingHolderRefusesAndTheNewCopyRunsOnceItHasEnded) {
    for (const bool mainLoopOver : {false, true}) {
        SCOPED_TRACE(mainLoopOver ? "main loop over" : "background work stopping");
        std::atomic<int> firstActivated{0};
        std::atomic<int> secondActivated{0};
        ProcessLockRegistry first(kApp, [&] { ++firstActivated; });
        ProcessLockRegistry second(kApp, [&] { ++secondActivated; });
        ASSERT_FALSE(second.isHolder());
        const RunningApplication holder = holderSeenBy(second);
        {
            std::optional<QuitBegun> quit;
            if (mainLoopOver) {
                first.refuseHandOvers();
            } else {
                quit.emplace();
            }
            // The first copy ends once it has refused.
            std::thread quitEnds([&] {
                test_support::waitUntil([&] { return first.refusedHandOvers() > 0; });
                first.stop();
            });
            EXPECT_FALSE(second.activate(holder));
            quitEnds.join();
        }
        EXPECT_EQ(first.refusedHandOvers(), 1);
        EXPECT_TRUE(second.isHolder());
        EXPECT_EQ(second.runningApplicationsWithBundleIdentifier(kApp).size(), 1u);

        // In the first one's place, it answers the next start.
        ProcessLockRegistry third(kApp, nullptr);
        EXPECT_FALSE(third.isHolder());
        EXPECT_TRUE(third.activate(holderSeenBy(third)));
        EXPECT_TRUE(MainLoop::runUntilSeconds([&] { return secondActivated.load() == 1; }, 5));
        EXPECT_EQ(firstActivated.load(), 0);
    }
}

// A quit of the waiting copy itself (a Ctrl-C while it waits) ends its wait at once: it
// launches nothing, so it need not wait for the holder, nor run in its place.
TEST_F(ProcessLockRegistryTest, ItsOwnQuitEndsTheWaitForAQuittingHolder) {
    ProcessLockRegistry first(kApp, nullptr);
    first.refuseHandOvers();
    std::atomic<bool> quitting{false};
    ProcessLockRegistry second(kApp, nullptr, ProcessLockRegistry::Patience{},
                               [&] { return quitting.load(); });
    std::thread quit([&] {
        test_support::waitUntil([&] { return first.refusedHandOvers() > 0; });
        std::this_thread::sleep_for(50ms);  // well inside the wait
        quitting = true;
    });
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(second.activate(holderSeenBy(second)));
    EXPECT_LT(std::chrono::steady_clock::now() - began, 5s) << "the wait is ten seconds";
    quit.join();
    EXPECT_FALSE(second.isHolder());
    EXPECT_FALSE(second.handOverAccepted());
    EXPECT_EQ(first.refusedHandOvers(), 1);
}

// A stop while the copy waits for a quitting holder (its run is over) ends the wait, and the
// stopped copy takes no place, not even once the holder has gone.
TEST_F(ProcessLockRegistryTest, AStopEndsTheWaitAndTheStoppedCopyTakesNoPlace) {
    ProcessLockRegistry first(kApp, nullptr);
    first.refuseHandOvers();
    ProcessLockRegistry second(kApp, nullptr, {.answer = 2000ms, .holderEnd = 5000ms});
    std::thread stops = onceRefused(first, [&] {
        second.stop();
        first.stop();
    });
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(second.activate(holderSeenBy(second)));
    EXPECT_LT(std::chrono::steady_clock::now() - began, 2s);
    stops.join();
    EXPECT_FALSE(second.isHolder());
}

// The waiting copy asks each copy in the holder's place once, so that a quitting one is not
// asked again and again: the lock file's process identifier tells a new one (written here as
// a copy taking the place writes it) from the one that has refused. A place that stays taken
// ends the wait at its bound, neither sooner nor much later.
TEST_F(ProcessLockRegistryTest, EachCopyInTheHoldersPlaceIsAskedOnce) {
    ProcessLockRegistry first(kApp, nullptr);
    first.refuseHandOvers();
    ProcessLockRegistry second(kApp, nullptr, {.answer = 2000ms, .holderEnd = 600ms});
    std::thread placeTaken =
        onceRefused(first, [] { overwriteLockFile(std::to_string(::getpid() + 1) + "\n"); });
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(second.activate(holderSeenBy(second)));
    const auto took = std::chrono::steady_clock::now() - began;
    placeTaken.join();
    EXPECT_EQ(first.refusedHandOvers(), 2);
    EXPECT_GE(took, 600ms);
    EXPECT_LT(took, 1100ms);
}

// When the lock file does not tell which copy holds the place (it is empty), the copy there
// may be a new one, which is not quitting: each look asks. The holder that refused ends its
// quit here, as such a new copy would.
TEST_F(ProcessLockRegistryTest, WhenTheLockFileDoesNotTellTheHolderEachLookAsks) {
    std::atomic<int> activated{0};
    ProcessLockRegistry first(kApp, [&] { ++activated; });
    ASSERT_EQ(::truncate(lockPath().c_str(), 0), 0);
    ProcessLockRegistry second(kApp, nullptr, {.answer = 2000ms, .holderEnd = 2000ms});
    std::optional<QuitBegun> quit(std::in_place);
    std::thread quitOver = onceRefused(first, [&] { quit.reset(); });
    EXPECT_TRUE(second.activate(holderSeenBy(second)));
    quitOver.join();
    EXPECT_TRUE(second.handOverAccepted());
    EXPECT_TRUE(MainLoop::runUntilSeconds([&] { return activated.load() == 1; }, 5));
}

// A copy in the holder's place that takes connections and never answers (frozen) holds the
// waiting copy up no longer than the wait's bound: each ask is cut to the time left.
TEST_F(ProcessLockRegistryTest, AHolderThatNeverAnswersHoldsTheWaitUpNoLongerThanItsBound) {
    const int lock = holdLockAsAnotherCopy();
    ASSERT_GE(lock, 0);
    const int frozen = listenForHandOvers(lockPath());
    ASSERT_GE(frozen, 0);
    ProcessLockRegistry second(kApp, nullptr, {.answer = 600ms, .holderEnd = 50ms});
    ASSERT_FALSE(second.isHolder());
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(second.activate(holderSeenBy(second)));
    const auto took = std::chrono::steady_clock::now() - began;
    EXPECT_GE(took, 650ms);
    EXPECT_LT(took, 1100ms) << "an ask outlasted the wait";
    ::close(frozen);
    ::close(lock);
}

// A holder that cannot be reached at first (its socket not made yet, or its queue full) has
// not refused: the waiting copy asks it again, and ends as a second start once it accepts.
TEST_F(ProcessLockRegistryTest, AHolderNotReachedAtFirstIsAskedAgain) {
    const int lock = holdLockAsAnotherCopy();
    ASSERT_GE(lock, 0);
    ProcessLockRegistry second(kApp, nullptr, {.answer = 2000ms, .holderEnd = 2000ms});
    ASSERT_FALSE(second.isHolder());
    int wake[2];
    ASSERT_EQ(::pipe2(wake, O_CLOEXEC), 0);
    std::atomic<int> asked{0};
    std::thread holder([&] {
        std::this_thread::sleep_for(50ms);  // after the first ask
        const int listenFd = listenForHandOvers(lockPath());
        serveHandOvers(
            listenFd, wake[0], [&] { return ++asked, true; }, 1s);
        ::close(listenFd);
    });
    EXPECT_TRUE(second.activate(holderSeenBy(second)));
    const char byte = 0;
    EXPECT_EQ(::write(wake[1], &byte, 1), 1);
    holder.join();
    EXPECT_EQ(asked.load(), 1);
    for (int fd : {wake[0], wake[1], lock}) ::close(fd);
}

// One home reached through a link, or spelled with a doubled "/", is one lock file: the copies
// meet on one socket, and the later one brings the first to the front.
TEST_F(ProcessLockRegistryTest, OneHomeSpelledTwoWaysMeetsOnOneSocket) {
    const std::string home = home_.path();
    ASSERT_EQ(::symlink(home.c_str(), (home + "/alias").c_str()), 0);
    std::string doubled = home;
    doubled.insert(doubled.rfind('/'), "/");
    std::atomic<int> activated{0};
    ProcessLockRegistry first(kApp, [&] { ++activated; });
    ASSERT_TRUE(first.isHolder());
    for (const std::string& spelled : {home + "/alias", doubled}) {
        SCOPED_TRACE(spelled);
        setHomeDirectory(spelled);
        ProcessLockRegistry second(kApp, nullptr, {.answer = 2000ms, .holderEnd = 200ms});
        setHomeDirectory(home);
        EXPECT_FALSE(second.isHolder());
        EXPECT_TRUE(second.activate(holderSeenBy(second)));
        EXPECT_TRUE(second.handOverAccepted());
    }
    EXPECT_TRUE(MainLoop::runUntilSeconds([&] { return activated.load() == 2; }, 5));
}

// A quitting first copy in a process of its own (the child below) refuses two starts, then
// ends. One of them takes its place and runs; the other, still waiting, asks that one to
// come to the front and ends at once, as any second start does.
TEST_F(ProcessLockRegistryTest, TwoStartsWhileTheHolderQuitsOneRunsTheOtherBringsItToTheFront) {
    test_support::ChildProcess child;
    ASSERT_EQ(startFirstCopy(child, home_.path(), "RefusesTwoStartsThenEnds"), "holder");

    std::atomic<int> activated[2] = {0, 0};
    ProcessLockRegistry second(kApp, [&] { ++activated[0]; });
    ProcessLockRegistry third(kApp, [&] { ++activated[1]; });
    ProcessLockRegistry* const copies[2] = {&second, &third};
    bool answers[2] = {false, false};
    const auto began = std::chrono::steady_clock::now();
    std::vector<std::thread> starts;
    for (int i = 0; i < 2; ++i) {
        ASSERT_FALSE(copies[i]->isHolder());
        const RunningApplication holder =
            copies[i]->runningApplicationsWithBundleIdentifier(kApp).at(0);
        ASSERT_EQ(holder.processIdentifier, child.pid());
        starts.emplace_back([&, i, holder] { answers[i] = copies[i]->activate(holder); });
    }
    for (auto& start : starts) start.join();
    EXPECT_LT(std::chrono::steady_clock::now() - began, 5s) << "the wait is ten seconds";
    EXPECT_EQ(child.wait(30), 0);

    const int runs = second.isHolder() ? 0 : 1;
    const int ends = 1 - runs;
    ASSERT_TRUE(copies[runs]->isHolder());
    EXPECT_FALSE(answers[runs]);
    EXPECT_FALSE(copies[runs]->handOverAccepted());
    EXPECT_FALSE(copies[ends]->isHolder());
    EXPECT_TRUE(answers[ends]);
    EXPECT_TRUE(copies[ends]->handOverAccepted());
    EXPECT_TRUE(MainLoop::runUntilSeconds([&] { return activated[runs].load() == 1; }, 5));
    EXPECT_EQ(activated[ends].load(), 0);
}

// Local peers that connect, say nothing and stay connected for the whole test. Served one
// after another, each would hold up the start and the quit behind it for a second.
TEST_F(ProcessLockRegistryTest, ASilentPeerHoldsUpNeitherAStartNorTheQuit) {
    std::atomic<int> activated{0};
    std::vector<int> silent;
    const auto began = std::chrono::steady_clock::now();
    for (int round = 0; round < 3; ++round) {
        ProcessLockRegistry first(kApp, [&] { ++activated; });
        ProcessLockRegistry second(kApp, nullptr);
        silent.push_back(connectForHandOver(lockPath(), 1s));
        EXPECT_GE(silent.back(), 0);
        EXPECT_TRUE(second.activate(holderSeenBy(second)));
        first.stop();
    }
    const auto took = std::chrono::steady_clock::now() - began;
    for (int fd : silent) ::close(fd);
    EXPECT_LT(took, 2s);
    EXPECT_TRUE(MainLoop::runUntilSeconds([&] { return activated.load() == 3; }, 5));
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

// A copy that cannot make its socket (out of descriptors) holds the lock, and the lock alone
// keeps a second copy out: that one waits its while for the first to end and does not run.
TEST_F(ProcessLockRegistryTest, WithoutASocketTheLockAloneKeepsASecondCopyOut) {
    test_support::ChildProcess child;
    ASSERT_EQ(startFirstCopy(child, home_.path(), "HoldsTheLockWithoutASocket", 64), "holder");

    ProcessLockRegistry second(kApp, nullptr, {.answer = 500ms, .holderEnd = 500ms});
    EXPECT_FALSE(second.isHolder());
    EXPECT_TRUE(second.cannotTell().empty());
    const auto running = second.runningApplicationsWithBundleIdentifier(kApp);
    ASSERT_EQ(running.size(), 2u);
    EXPECT_EQ(running[0].processIdentifier, child.pid());
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(second.activate(running[0]));
    EXPECT_LT(std::chrono::steady_clock::now() - began, 5s);
    EXPECT_FALSE(second.handOverAccepted()) << "nothing was taken: the run must not say so";
    EXPECT_FALSE(second.isHolder());
    EXPECT_EQ(second.runningApplicationsWithBundleIdentifier(kApp).size(), 2u);
}

// The first copy of the test above, in a process of its own whose descriptors run out right
// after the lock file: it reports whether it holds the registry, then waits to be ended.
TEST(ProcessLockRegistryChild, HoldsTheLockWithoutASocket) {
    const char* home = std::getenv("TAVRO_LOCK_CHILD_HOME");
    if (!home) GTEST_SKIP() << "runs as the child of WithoutASocketTheLockAloneKeepsASecondCopyOut";
    setHomeDirectory(home);
    // The undefined-behaviour sanitizer checks an object's type, the first time it meets
    // it, through a pipe of its own: a registry made while descriptors are free spares it that.
    ProcessLockRegistry("com.example.warm-up", nullptr).stop();
    std::vector<int> spare;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) spare.push_back(fd);
    ASSERT_FALSE(spare.empty());
    ::close(spare.back());  // room for the lock file alone
    spare.pop_back();
    ProcessLockRegistry holder(kApp, nullptr);
    for (int fd : spare) ::close(fd);
    reportToParent(home, holder);
    std::this_thread::sleep_for(60s);
}

// Without the lock file (a folder in its place) and without a socket (no descriptors left,
// in the child below), a copy cannot tell whether another runs: it says so and holds
// nothing, rather than run beside a copy it cannot see.
TEST_F(ProcessLockRegistryTest, WithoutLockAndSocketACopyCannotTell) {
    ASSERT_FALSE(createDirectory(lockPath(), true));
    test_support::ChildProcess child;
    EXPECT_EQ(startFirstCopy(child, home_.path(), "FindsNeitherLockNorSocket", 64), "cannot tell");
    EXPECT_EQ(child.wait(30), 0);
}

TEST(ProcessLockRegistryChild, FindsNeitherLockNorSocket) {
    const char* home = std::getenv("TAVRO_LOCK_CHILD_HOME");
    if (!home) GTEST_SKIP() << "runs as the child of WithoutLockAndSocketACopyCannotTell";
    setHomeDirectory(home);
    ProcessLockRegistry("com.example.warm-up", nullptr).stop();  // as in the child above
    std::vector<int> spare;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) spare.push_back(fd);
    ProcessLockRegistry copy(kApp, nullptr);
    for (int fd : spare) ::close(fd);
    reportToParent(home, copy);
}

// The quitting first copy of TwoStartsWhileTheHolderQuitsOneRunsTheOtherBringsItToTheFront,
// in a process of its own: the new copies see another process identifier in the lock file
// than their own.
TEST(ProcessLockRegistryChild, RefusesTwoStartsThenEnds) {
    const char* home = std::getenv("TAVRO_LOCK_CHILD_HOME");
    if (!home) GTEST_SKIP() << "runs as the child of TwoStartsWhileTheHolderQuits...";
    setHomeDirectory(home);
    ProcessLockRegistry holder(kApp, nullptr);
    holder.refuseHandOvers();
    reportToParent(home, holder);
    test_support::waitUntil([&] { return holder.refusedHandOvers() >= 2; }, 30);
}

// The asking side of the hand-over against a holder of the test's own making: one that
// answers late, and one whose queue of waiting connections is full for a moment.
using SteadyClock = std::chrono::steady_clock;

// The next connection waiting on `listenFd`, within `patience`; -1 when none came.
int acceptWithin(int listenFd, std::chrono::milliseconds patience) {
    pollfd in = {listenFd, POLLIN, 0};
    if (::poll(&in, 1, static_cast<int>(patience.count())) <= 0) return -1;
    return ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
}

// Connections to `listenFd` until its queue of waiting ones is full.
std::vector<int> fillQueue(int listenFd) {
    sockaddr_un address{};
    socklen_t length = sizeof address;
    std::vector<int> waiting;
    if (::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return waiting;
    for (int i = 0; i < 1000; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) break;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
            const int error = errno;
            ::close(fd);
            EXPECT_EQ(error, EAGAIN) << "a full queue turns a connection away at once";
            break;
        }
        waiting.push_back(fd);
    }
    return waiting;
}

class HandOverSocketTest : public ::testing::Test {
  protected:
    // In the test's own folder: the socket's name is made from the folder's real place, so
    // tests running side by side do not meet.
    test_support::TemporaryFolder folder_{"hand-over"};
    const std::string lockPath_ = folder_.file("com.example.app.lock");
};

// A holder whose listener thread is slow to get to the request (a loaded machine) still
// brings the asker to an end as a handed-over copy, within the asker's patience; beyond that
// patience the asker does not wait.
TEST_F(HandOverSocketTest, ALateAnswerIsTakenWithinThePatienceAndNotBeyond) {
    const int listenFd = listenForHandOvers(lockPath_);
    ASSERT_GE(listenFd, 0);
    for (const auto patience : {2000ms, 100ms}) {
        SCOPED_TRACE("patience " + std::to_string(patience.count()) + " ms");
        std::thread holder([&] {
            const int fd = acceptWithin(listenFd, 5s);
            if (fd < 0) return;
            char request[16];
            [[maybe_unused]] const ssize_t got = ::recv(fd, request, sizeof request, 0);
            std::this_thread::sleep_for(300ms);
            [[maybe_unused]] const ssize_t sent = ::send(fd, "accepted\n", 9, MSG_NOSIGNAL);
            ::close(fd);
        });
        const auto began = SteadyClock::now();
        const HandOverAnswer answer = askForHandOver(lockPath_, patience);
        const auto took = SteadyClock::now() - began;
        holder.join();
        if (patience > 300ms) {
            EXPECT_EQ(answer, HandOverAnswer::Accepted);
        } else {
            EXPECT_EQ(answer, HandOverAnswer::NoAnswer);
            EXPECT_LT(took, 290ms);
        }
    }
    ::close(listenFd);
}

// Many copies started at once can fill the holder's queue of waiting connections before its
// listener thread empties it: a copy that finds it full tries again until its patience is
// over, and reaches the holder once there is room.
TEST_F(HandOverSocketTest, AHolderWhoseQueueIsFullForAMomentIsStillReached) {
    const int listenFd = listenForHandOvers(lockPath_);
    ASSERT_GE(listenFd, 0);
    const std::vector<int> waiting = fillQueue(listenFd);
    ASSERT_FALSE(waiting.empty());
    std::atomic<bool> roomMade{false};
    std::vector<int> accepted;
    std::thread holder([&] {
        std::this_thread::sleep_for(500ms);
        roomMade = true;
        for (int fd; (fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
            accepted.push_back(fd);
    });
    // While the queue stays full, a copy waits no longer than its patience.
    const auto began = SteadyClock::now();
    const int impatient = connectForHandOver(lockPath_, 50ms);
    EXPECT_LT(impatient, 0);
    EXPECT_LT(SteadyClock::now() - began, 400ms);
    if (impatient >= 0) ::close(impatient);
    const int fd = connectForHandOver(lockPath_, 2s);
    const bool waitedForRoom = roomMade.load();
    holder.join();
    EXPECT_GE(fd, 0);
    EXPECT_TRUE(waitedForRoom) << "the queue had room before the holder made some";
    if (fd >= 0) ::close(fd);
    for (int each : waiting) ::close(each);
    for (int each : accepted) ::close(each);
    ::close(listenFd);
}

// A holder whose full queue makes room only once the asker's patience is over, and that then
// never answers: the connection made late does not keep the asker waiting for an answer.
TEST_F(HandOverSocketTest, AConnectionMadeAfterThePatienceWaitsForNoAnswer) {
    const int listenFd = listenForHandOvers(lockPath_);
    ASSERT_GE(listenFd, 0);
    const std::vector<int> waiting = fillQueue(listenFd);
    ASSERT_FALSE(waiting.empty());
    int roomMade = -1;
    std::thread holder([&] {
        std::this_thread::sleep_for(3ms);
        roomMade = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    });
    auto asked = std::async(std::launch::async, [&] { return askForHandOver(lockPath_, 1ms); });
    const bool answered = asked.wait_for(1s) == std::future_status::ready;
    ::close(listenFd);  // ends an asker that waits on, its connection gone
    holder.join();
    EXPECT_TRUE(answered) << "the asker waited on past its patience";
    EXPECT_EQ(asked.get(), HandOverAnswer::NoAnswer);
    for (int fd : waiting) ::close(fd);
    if (roomMade >= 0) ::close(roomMade);
}

// The holder's side: a peer that sends something else than the request, or nothing, is
// dropped unanswered, the oldest silent one at once when too many wait, so that neither can
// bring the holder to the front nor use up its descriptors; one that has gone costs nothing.
TEST_F(HandOverSocketTest, APeerThatSaysSomethingElseOrNothingIsDroppedUnanswered) {
    const int listenFd = listenForHandOvers(lockPath_);
    ASSERT_GE(listenFd, 0);
    int wake[2];
    ASSERT_EQ(::pipe2(wake, O_CLOEXEC), 0);
    // A peer that asks and goes before the holder gets to it: its answer finds nobody, which
    // must not end the holder.
    const int gone = connectForHandOver(lockPath_, 1s);
    ASSERT_GE(gone, 0);
    ASSERT_EQ(::send(gone, "activate\n", 9, MSG_NOSIGNAL), 9);
    ::close(gone);
    std::atomic<int> decided{0};
    std::thread holder([&] {
        serveHandOvers(
            listenFd, wake[0], [&] { return ++decided, true; }, 500ms);
    });
    // True when the holder has closed `fd` without a word, within `patience`.
    const auto droppedWithin = [](int fd, std::chrono::milliseconds patience) {
        pollfd in = {fd, POLLIN, 0};
        char byte;
        return ::poll(&in, 1, static_cast<int>(patience.count())) == 1 &&
               ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
    };
    std::vector<int> silent;
    for (int i = 0; i < 40; ++i) silent.push_back(connectForHandOver(lockPath_, 1s));
    const int other = connectForHandOver(lockPath_, 1s);
    const std::string_view something = "something else\n";
    EXPECT_EQ(::send(other, something.data(), something.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(something.size()));
    EXPECT_EQ(askForHandOver(lockPath_, 2s), HandOverAnswer::Accepted);
    EXPECT_TRUE(droppedWithin(other, 1s));
    EXPECT_TRUE(droppedWithin(silent.front(), 0ms)) << "the oldest silent peer waits on";
    EXPECT_FALSE(droppedWithin(silent.back(), 0ms)) << "dropped before its time";
    EXPECT_TRUE(droppedWithin(silent.back(), 2s)) << "a silent peer is never dropped";
    EXPECT_EQ(decided.load(), 2) << "the request of the peer gone, and the real one";
    const char byte = 0;
    EXPECT_EQ(::write(wake[1], &byte, 1), 1);
    holder.join();
    for (int fd : silent) ::close(fd);
    for (int fd : {other, wake[0], wake[1], listenFd}) ::close(fd);
}

}  // namespace
}  // namespace platform::foundation
