#include "utils/DateTime.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ulv {
namespace {

std::uint64_t Bits(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

TEST(DateTime, KnownSerialNumbers) {
    EXPECT_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
    EXPECT_EQ(EncodeDateTime({1900, 1, 1, 12, 0, 0}), 2.5);
    EXPECT_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0}), -1.25); // the fraction counts forward before day 0
    EXPECT_EQ(EncodeDateTime({2000, 3, 1}), 36586.0);          // across a leap day of a century year
    EXPECT_EQ(Bits(EncodeDateTime({2017, 4, 14, 9, 41, 24})), 0x40E4EAECEB851EB8ull);
}

TEST(DateTime, DecodeIsTheInverseOnEvenSeconds) {
    // Every 2-second step of a whole day, on dates across the payload's range and DOS limits.
    for (TCivilTime day : {TCivilTime{1980, 1, 1}, TCivilTime{1995, 8, 15}, TCivilTime{2020, 2, 29},
                           TCivilTime{2099, 12, 31}}) {
        for (int s = 0; s < 86400; s += 2) {
            TCivilTime t = day;
            t.Hour = s / 3600;
            t.Minute = s / 60 % 60;
            t.Second = s % 60;
            TCivilTime back;
            ASSERT_TRUE(DecodeDateTime(EncodeDateTime(t), back));
            ASSERT_EQ(back.Year, t.Year);
            ASSERT_EQ(back.Month, t.Month);
            ASSERT_EQ(back.Day, t.Day);
            ASSERT_EQ(back.Hour * 3600 + back.Minute * 60 + back.Second, s);
            ASSERT_EQ(back.Millisecond, 0);
        }
    }
}

TEST(DateTime, DecodeRefusesValuesWithoutACivilTime) {
    TCivilTime t;
    EXPECT_FALSE(DecodeDateTime(std::numeric_limits<double>::quiet_NaN(), t));
    EXPECT_FALSE(DecodeDateTime(std::numeric_limits<double>::infinity(), t));
    EXPECT_FALSE(DecodeDateTime(1e300, t));
    EXPECT_FALSE(DecodeDateTime(-1e300, t));
    EXPECT_TRUE(DecodeDateTime(2958465.99, t)); // 9999-12-31
    EXPECT_EQ(t.Year, 9999);
}

} // namespace
} // namespace ulv
