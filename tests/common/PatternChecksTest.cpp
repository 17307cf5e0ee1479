#include <gtest/gtest.h>

#include "common/PatternChecks.h"

using namespace common;

TEST(PatternChecks, PhoneNumberIsAOneAndTenMoreDigits) {
    EXPECT_TRUE(isValidPhoneNumber("13800138000"));
    EXPECT_FALSE(isValidPhoneNumber("23800138000"));
    EXPECT_FALSE(isValidPhoneNumber("1380013800"));
    EXPECT_FALSE(isValidPhoneNumber("138001380001"));
    EXPECT_FALSE(isValidPhoneNumber("+8613800138000"));
    EXPECT_FALSE(isValidPhoneNumber("13800138000\n"));
    EXPECT_FALSE(isValidPhoneNumber(""));
}

TEST(PatternChecks, EmailNeedsATopLevelPartOfTwoLetters) {
    EXPECT_TRUE(isValidEmail("someone.else+tag@mail.example.com"));
    EXPECT_TRUE(isValidEmail("A_B%c@x-y.cn"));
    EXPECT_FALSE(isValidEmail("someone@example.c"));
    EXPECT_FALSE(isValidEmail("someone@example"));
    EXPECT_FALSE(isValidEmail("some one@example.com"));
    EXPECT_FALSE(isValidEmail("someone@example.com "));
    EXPECT_FALSE(isValidEmail("用户@例子.com"));
}

TEST(PatternChecks, InternationalEmailTakesLettersOfAnyScriptInAnyCase) {
    EXPECT_TRUE(isValidInternationalEmail("用户@例子.广告"));
    EXPECT_TRUE(isValidInternationalEmail("Δοκιμή@παράδειγμα.ελ"));
    EXPECT_TRUE(isValidInternationalEmail("JOHN.o'Brien+x@Example.COM"));
    EXPECT_TRUE(isValidInternationalEmail("a@b.c"));
    EXPECT_TRUE(isValidInternationalEmail("{x}|~`#@host-1.example"));
    EXPECT_FALSE(isValidInternationalEmail(".a@b.c"));  // leading dot
    EXPECT_FALSE(isValidInternationalEmail("a.@b.c"));  // trailing dot
    EXPECT_FALSE(isValidInternationalEmail("a@b"));     // one label only
    EXPECT_FALSE(isValidInternationalEmail("a@-b.c"));  // label begins with "-"
    EXPECT_FALSE(isValidInternationalEmail("a@b-.c"));  // label ends with "-"
    EXPECT_FALSE(isValidInternationalEmail("a@b..c"));  // empty label
    EXPECT_FALSE(isValidInternationalEmail("a b@c.d"));
    EXPECT_FALSE(isValidInternationalEmail("a@b.c\n"));
    EXPECT_FALSE(isValidInternationalEmail("a\xff@b.c"));  // not UTF-8
    EXPECT_FALSE(isValidInternationalEmail(""));
}

TEST(PatternChecks, PhoneOrEmail) {
    EXPECT_TRUE(isValidPhoneOrEmail("13800138000"));
    EXPECT_TRUE(isValidPhoneOrEmail("a@example.com"));
    EXPECT_FALSE(isValidPhoneOrEmail("用户@例子.广告"));
    EXPECT_FALSE(isValidPhoneOrEmail("12345"));
}

TEST(PatternChecks, LongHostileTextsEndQuickly) {
    std::string dots(20000, 'a');
    for (size_t index = 1; index < dots.size(); index += 2) dots[index] = '.';
    EXPECT_FALSE(isValidInternationalEmail(dots + "@"));
    EXPECT_FALSE(isValidEmail(std::string(20000, 'a') + "@" + std::string(20000, '.')));
}
