#include <gtest/gtest.h>

#include "get_seed.h"

using namespace varandel;

TEST(GetSeed, FromDateAndTime) {
    struct Case {
        LocalTime t;
        std::int32_t seed;
    } cases[] = {
        {{2024, 12, 9, 13, 5, 42, 118}, 983050849},
        {{2024, 1, 1, 0, 0, 0, 0}, 715827882},         // t = 0 becomes 1/3
        {{2024, 12, 31, 23, 59, 59, 999}, 1431655764}, // t = 1 becomes 2/3
        {{2024, 1, 1, 0, 0, 0, 1}, 358272},
        {{2024, 6, 15, 12, 30, 30, 500}, 1059568755},
    };
    for (const auto& c : cases) EXPECT_EQ(get_seed(c.t), c.seed) << c.t.month << "/" << c.t.day;
}

TEST(GetSeed, ClockReading) {
    const LocalTime t = local_time_now();
    EXPECT_GE(t.year, 2000);
    EXPECT_TRUE(t.month >= 1 && t.month <= 12);
    EXPECT_TRUE(t.day >= 1 && t.day <= 31);
    EXPECT_TRUE(t.hour >= 0 && t.hour <= 23);
    EXPECT_TRUE(t.minute >= 0 && t.minute <= 59);
    EXPECT_TRUE(t.second >= 0 && t.second <= 60);
    EXPECT_TRUE(t.millisecond >= 0 && t.millisecond <= 999);
    const std::int32_t s = get_seed();
    EXPECT_TRUE(s >= 1 && s <= 2147483646);
}
