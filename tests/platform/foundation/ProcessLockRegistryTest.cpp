#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
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

// Starts `test` of ProcessLockRegistryChild, a first copy in a process of its own (with at
// most `fileLimit` descriptors), and waits until it reports whether it holds the registry:
// true when it does.
bool startFirstCopy(test_support::ChildProcess& child, const std::string& home,
                    const std::string& test, std::optional<rlim_t> fileLimit = std::nullopt) {
    test_support::ChildProcess::Options options;
    options.environment = {"TAVRO_LOCK_CHILD_HOME=" + home};
    options.fileLimit = fileLimit;
    options.discardOutput = true;
    options.endSignal = SIGKILL;
    if (!child.start({std::filesystem::read_symlink("/proc/self/exe").string(),
                      "--gtest_filter=ProcessLockRegistryChild." + test},
                     options))
        return false;
    const std::string report = home + "/child";
    const auto reported = [&] {
        const std::string text = readText(report);
        return text == "holder" || text == "not holder";
    };
    return test_support::waitUntil([&] { return reported() || child.wait(0); }, 30) &&
           readText(report) == "holder";
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
    ASSERT_TRUE(startFirstCopy(child, home_.path(), "RefusesTwoStartsThenEnds"));

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
    ASSERT_TRUE(startFirstCopy(child, home_.path(), "HoldsTheLockWithoutASocket", 64));

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
    writeText(std::string(home) + "/child", holder.isHolder() ? "holder" : "not holder");
    std::this_thread::sleep_for(60s);
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
    writeText(std::string(home) + "/child", holder.isHolder() ? "holder" : "not holder");
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
    sockaddr_un address{};
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<int> waiting;
    for (int i = 0; i < 1000; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ASSERT_GE(fd, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
            const int error = errno;
            ::close(fd);
            ASSERT_EQ(error, EAGAIN) << "a full queue turns a connection away at once";
            break;
        }
        waiting.push_back(fd);
    }
    ASSERT_FALSE(waiting.empty());
    std::atomic<bool> roomMade{false};
    std::vector<int> accepted;
    std::thread holder([&] {
        std::this_thread::sleep_for(200ms);
        roomMade = true;
        for (int fd; (fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
            accepted.push_back(fd);
    });
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

}  // namespace
}  // namespace platform::foundation
