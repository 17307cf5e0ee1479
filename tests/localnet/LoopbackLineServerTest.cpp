#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "localnet/LoopbackLineServer.h"
#include "tests/support/LoopbackClient.h"

namespace {

std::chrono::microseconds processCpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto of = [](const timeval& time) {
        return std::chrono::seconds(time.tv_sec) + std::chrono::microseconds(time.tv_usec);
    };
    return of(usage.ru_utime) + of(usage.ru_stime);
}

// Takes every free file descriptor of the process (under a lowered limit, so that this
// stays quick) and gives them back, and the limit, at the end.
class DescriptorHog {
  public:
    DescriptorHog() {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = std::min<rlim_t>(saved_.rlim_cur, 512);
        setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) held_.push_back(fd);
    }
    ~DescriptorHog() {
        for (int fd : held_) close(fd);
        setrlimit(RLIMIT_NOFILE, &saved_);
    }

    bool exhausted() const { return !held_.empty(); }
    void release(size_t count) {
        for (; count > 0 && !held_.empty(); --count) {
            close(held_.back());
            held_.pop_back();
        }
    }

  private:
    rlimit saved_{};
    std::vector<int> held_;
};

}  // namespace

TEST(LoopbackLineServer, RestsWhileOutOfDescriptorsAndServesTheWaitingClientAfter) {
    LoopbackLineServer server(0xFFFF);
    ASSERT_GT(server.port(), 0);
    // The server's thread serves once before the descriptors run out: the undefined-behaviour
    // sanitizer checks the thread's start with a pipe, and fails that check when none is free.
    {
        LoopbackClient probe(server.port());
        ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));
    }
    ASSERT_TRUE(waitUntil([&] { return !server.hasClient(); }));
    DescriptorHog hog;
    ASSERT_TRUE(hog.exhausted());
    hog.release(1);  // room for the client's own socket, none for the server's side of it
    LoopbackClient client(server.port());
    ASSERT_TRUE(client.connected());

    const auto before = processCpuTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const auto spent = processCpuTime() - before;
    EXPECT_LT(spent, std::chrono::milliseconds(100)) << "the server thread spins";
    EXPECT_FALSE(server.hasClient());

    hog.release(4);
    ASSERT_TRUE(waitUntil([&] { return server.hasClient(); }));
    EXPECT_TRUE(server.send("hello\r\n"));
    EXPECT_EQ(client.readLine(), "hello\r\n");
}
