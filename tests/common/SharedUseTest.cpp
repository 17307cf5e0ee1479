#include <gtest/gtest.h>

#include <atomic>

#include "common/DesCrypt.h"
#include "common/PatternChecks.h"
#include "common/TimeStamps.h"
#include "tests/support/Threads.h"

using namespace common;

// The DES cipher and the compiled patterns are made once and then shared by every thread.
TEST(SharedUse, HelpersGiveTheSameAnswersFromManyThreadsAtOnce) {
    std::atomic<int> wrong{0};
    test_support::onThreads(4, [&wrong](int index) {
        for (int round = 0; round < 100; ++round) {
            const std::string text = std::to_string(index) + " round " + std::to_string(round);
            auto encrypted = desCrypt(kDesEncrypt, "Glass#42", text);
            if (!encrypted || desCrypt(kDesDecrypt, "Glass#42", *encrypted) != text) ++wrong;
            if (!isValidInternationalEmail("用户" + std::to_string(round) + "@例子.广告")) ++wrong;
            if (isValidEmail(text)) ++wrong;
            if (epochSecondsFromTimestamp("2024-06-01 10:00:00") == 0) ++wrong;
        }
    });
    EXPECT_EQ(wrong.load(), 0);
}
