// Day-number arithmetic: fixed points, leap rules, carry-over and the far past and future.
#include <gtest/gtest.h>

#include "base/CivilDays.h"

namespace zl {
namespace {

TEST(CivilDays, KnownDatesRoundTrip) {
    struct Case {
        int y, m, d;
        int64_t days;
    } cases[] = {{1970, 1, 1, 0},        {2000, 3, 1, 11017},   {2024, 2, 29, 19782},
                 {1899, 12, 30, -25569}, {2024, 3, 1, 19783},   {9999, 12, 31, 2932896},
                 {1, 1, 1, -719162},     {1600, 2, 29, -135081}};
    for (const Case& c : cases) {
        EXPECT_EQ(DaysFromCivil(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        const CivilDay back = CivilFromDays(c.days);
        EXPECT_EQ(back.year * 10000 + back.month * 100 + back.day, c.y * 10000 + c.m * 100 + c.d);
    }
}

TEST(CivilDays, EveryDayOfFourCenturiesRoundTripsInOrder) {
    int64_t expected = DaysFromCivil(1899, 1, 1);
    int weekday = WeekdayOfDays(expected);
    for (int y = 1899; y <= 2301; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= DaysInMonth(y, m); ++d, ++expected) {
                ASSERT_TRUE(IsValidDate(y, m, d));
                ASSERT_EQ(DaysFromCivil(y, m, d), expected);
                const CivilDay back = CivilFromDays(expected);
                ASSERT_EQ(back.year * 10000 + back.month * 100 + back.day, y * 10000 + m * 100 + d);
                ASSERT_EQ(WeekdayOfDays(expected), weekday);
                weekday = (weekday + 1) % 7;
            }
        }
    }
}

TEST(CivilDays, LeapRulesAndInvalidDates) {
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2024, 13), 0);
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_FALSE(IsValidDate(2024, 4, 31));
    EXPECT_FALSE(IsValidDate(2024, 13, 1));
    EXPECT_FALSE(IsValidDate(2024, 0, 1));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(10000, 1, 1));
}

TEST(CivilDays, MonthsAndDaysCarryOver) {
    EXPECT_EQ(DaysFromCivil(2023, 13, 1), DaysFromCivil(2024, 1, 1));
    EXPECT_EQ(DaysFromCivil(2024, 0, 1), DaysFromCivil(2023, 12, 1));
    EXPECT_EQ(DaysFromCivil(2024, -11, 1), DaysFromCivil(2023, 1, 1));
    EXPECT_EQ(DaysFromCivil(2024, 3, 0), DaysFromCivil(2024, 2, 29));
    EXPECT_EQ(DaysFromCivil(2024, 1, 32), DaysFromCivil(2024, 2, 1));
}

TEST(CivilDays, YearsBeyondTheLibraryRangeStayExact) {
    // Stored times carry 16-bit years; the arithmetic must not wrap for any of them.
    EXPECT_EQ(DaysFromCivil(65535, 1, 1) - DaysFromCivil(65135, 1, 1), 146097);
    EXPECT_EQ(CivilFromDays(DaysFromCivil(65535, 12, 31)).year, 65535);
    EXPECT_EQ(CivilFromDays(DaysFromCivil(-40000, 3, 1)).month, 3);
    EXPECT_EQ(WeekdayOfDays(DaysFromCivil(65535, 1, 1)), WeekdayOfDays(DaysFromCivil(65135, 1, 1)));
}

}  // namespace
}  // namespace zl
