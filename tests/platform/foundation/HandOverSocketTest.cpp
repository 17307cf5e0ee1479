// The asking side of the hand-over against a holder of the test's own making: one that
// answers late, and one whose queue of waiting connections is full for a moment.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/HandOverSocket.h"
#include "tests/support/TemporaryHome.h"

namespace platform::foundation {
namespace {

using namespace std::chrono_literals;
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
