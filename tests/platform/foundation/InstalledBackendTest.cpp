#include <gtest/gtest.h>

#include "platform/foundation/InstalledBackend.h"
#include "tests/support/Threads.h"

namespace platform::foundation {
namespace {

std::shared_ptr<int> makeZero() {
    return std::make_shared<int>(0);
}

TEST(InstalledBackendTest, FallbackIsMadeOnceAndComesBackWhenNullIsInstalled) {
    InstalledBackend<int> slot(&makeZero);
    auto fallback = slot.get();
    EXPECT_EQ(slot.get(), fallback);
    auto held = std::make_shared<int>(7);
    slot.install(held);
    EXPECT_EQ(slot.exchange(nullptr), held);
    EXPECT_EQ(*slot.get(), 0);
    EXPECT_FALSE(InstalledBackend<int>().get());
}

TEST(InstalledBackendTest, ReadersKeepWhatTheyGotWhileOthersInstall) {
    InstalledBackend<int> slot(&makeZero);
    test_support::onThreads(4, [&slot](int t) {
        for (int i = 0; i < 2000; ++i) {
            if (t % 2) slot.install(std::make_shared<int>(i));
            auto backend = slot.get();
            ASSERT_TRUE(backend);
            EXPECT_GE(*backend, 0);
        }
    });
}

}  // namespace
}  // namespace platform::foundation
