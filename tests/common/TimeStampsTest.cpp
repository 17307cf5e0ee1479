#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include "common/DateFormat.h"
#include "common/TimeStamps.h"
#include "platform/foundation/SystemInfo.h"

using namespace common;

namespace {

// Noon UTC.
constexpr double kMonday2025_12_29 = 1767009600;  // ISO week 1 of 2026
constexpr double kFriday2027_01_01 = 1798804800;  // ISO week 53 of 2026
constexpr double kSunday2023_01_01 = 1672574400;  // ISO week 52 of 2022
constexpr double kFriday2021_12_31 = 1640952000;  // US week 1 of 2022

// The machine's locale and the user's time zone, put back after each test.
class TimeStampsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        platform::foundation::clearMachineValues();
        icu::TimeZone::adoptDefault(previousZone_);
    }
    static void use(const char* locale, const char* zone = "UTC") {
        platform::foundation::MachineValues values;
        values.appleLocale = locale;
        platform::foundation::setMachineValues(values);
        icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(zone));
    }
    icu::TimeZone* previousZone_ = icu::TimeZone::createDefault();
};

// Week-based years differ from calendar years in these days, and by locale (the US counts
// the week holding 1 January as week 1, ISO the first week with four days in the year).
TEST_F(TimeStampsTest, TheTurnOfTheYearShowsTheCalendarYearInEveryLocale) {
    for (const char* locale : {"en_US", "de_DE", "zh_CN", "en_GB"}) {
        use(locale);
        EXPECT_EQ(timestampFromEpoch(kMonday2025_12_29), "2025-12-29 12:00:00") << locale;
        EXPECT_EQ(timestampFromEpoch(kFriday2027_01_01).substr(0, 10), "2027-01-01") << locale;
        EXPECT_EQ(timestampFromEpoch(kSunday2023_01_01).substr(0, 10), "2023-01-01") << locale;
        EXPECT_EQ(timestampFromEpoch(kFriday2021_12_31).substr(0, 10), "2021-12-31") << locale;
    }
    // The pattern engine does know week-based years: only the calendar year is asked for.
    EXPECT_EQ(formatDate(kMonday2025_12_29, "YYYY", "de_DE"), "2026");
    EXPECT_EQ(formatDate(kFriday2021_12_31, "YYYY", "en_US"), "2022");
}

TEST_F(TimeStampsTest, ParsingGivesBackTheSameMomentAtTheTurnOfTheYear) {
    use("en_US", "Asia/Shanghai");
    EXPECT_EQ(timestampFromEpoch(kFriday2021_12_31 + 43200), "2022-01-01 08:00:00");
    for (double seconds :
         {kMonday2025_12_29, kFriday2027_01_01, kFriday2021_12_31, kSunday2023_01_01 + 1234}) {
        auto text = timestampFromEpoch(seconds);
        EXPECT_EQ(epochSecondsFromTimestamp(text), seconds) << text;
        EXPECT_EQ(epochMillisecondsFromTimestamp(text), seconds * 1000) << text;
        EXPECT_EQ(epochSecondsFromTimestamp(text + ":250"), seconds + 0.25) << text;
    }
    // A locale with digits of its own reads back its own stamps.
    use("ar_EG");
    auto arabic = timestampFromEpoch(kFriday2027_01_01);
    EXPECT_GT(arabic.size(), 19u);  // not ASCII digits
    EXPECT_EQ(epochSecondsFromTimestamp(arabic), kFriday2027_01_01) << arabic;
    // Texts that do not parse give zero.
    for (const char* text : {"", "2024-02-30 10:00:00", "2024-01-01 10:00:00 trailing",
                             "2024-01-01T10:00:00", "2024-01-01 25:00:00"}) {
        EXPECT_EQ(epochSecondsFromTimestamp(text), 0) << text;
    }
    // Milliseconds are read by the seconds reader, never by the milliseconds one.
    EXPECT_EQ(epochMillisecondsFromTimestamp("2024-01-01 10:00:00:125"), 0);
}

}  // namespace
