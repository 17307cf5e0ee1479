#include <gtest/gtest.h>

#include "common/PatternChecks.h"

using namespace common;

// Every pattern must match the whole text: a trailing space or line break is no address.
TEST(PatternChecks, PhoneNumbersAndEmailsMatchAsAWhole) {
    EXPECT_TRUE(isValidPhoneNumber("13800138000"));
    for (const char* bad :
         {"23800138000", "1380013800", "138001380001", "+8613800138000", "13800138000\n", ""}) {
        EXPECT_FALSE(isValidPhoneNumber(bad)) << bad;
    }
    EXPECT_TRUE(isValidEmail("someone.else+tag@mail.example.com"));
    EXPECT_TRUE(isValidEmail("A_B%c@x-y.cn"));
    for (const char* bad : {"someone@example.c", "someone@example", "some one@example.com",
                            "someone@example.com ", "用户@例子.com"}) {
        EXPECT_FALSE(isValidEmail(bad)) << bad;
    }
}

TEST(PatternChecks, InternationalEmailTakesLettersOfAnyScriptInAnyCase) {
    for (const char* good : {"用户@例子.广告", "Δοκιμή@παράδειγμα.ελ", "JOHN.o'Brien+x@Example.COM",
                             "{x}|~`#@host-1.example"}) {
        EXPECT_TRUE(isValidInternationalEmail(good)) << good;
    }
    for (const char* bad : {".a@b.c", "a.@b.c", "a@b", "a@-b.c", "a@b-.c", "a@b..c", "a b@c.d",
                            "a@b.c\n", "a\xff@b.c", ""}) {
        EXPECT_FALSE(isValidInternationalEmail(bad)) << bad;
    }
    // Long hostile texts end quickly.
    std::string dots(20000, 'a');
    for (size_t index = 1; index < dots.size(); index += 2) dots[index] = '.';
    EXPECT_FALSE(isValidInternationalEmail(dots + "@"));
    EXPECT_FALSE(isValidEmail(std::string(20000, 'a') + "@" + std::string(20000, '.')));
}
