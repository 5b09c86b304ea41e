#include "ContractEnv.h"

#include <gtest/gtest.h>

namespace ulv::contract {
namespace {

std::uint16_t DosDate(int y, int m, int d) {
    return static_cast<std::uint16_t>((y - 1980) << 9 | m << 5 | d);
}
std::uint16_t DosTime(int h, int mi, int s) {
    return static_cast<std::uint16_t>(h << 11 | mi << 5 | s / 2);
}

TEST(ClockContract, DosDateTimeRoundTrips) {
    IClock& clock = Env().Platform.Clock;
    struct Case {
        std::uint16_t Date, Time;
    };
    for (Case c :
         {Case{DosDate(1980, 1, 1), DosTime(0, 0, 0)}, Case{DosDate(2017, 4, 14), DosTime(9, 41, 24)},
          Case{DosDate(2000, 2, 29), DosTime(12, 0, 58)}, Case{DosDate(2099, 12, 31), DosTime(23, 59, 58)},
          Case{DosDate(2107, 12, 31), DosTime(23, 59, 58)}}) {
        FileTime time = 0;
        ASSERT_TRUE(clock.DosDateTimeToFileTime(c.Date, c.Time, time));
        std::uint16_t date = 0, tod = 0;
        ASSERT_TRUE(clock.FileTimeToDosDateTime(time, date, tod));
        EXPECT_EQ(date, c.Date);
        EXPECT_EQ(tod, c.Time);
    }
}

TEST(ClockContract, DosDateTimeIsCivilTimeWithoutZone) {
    IClock& clock = Env().Platform.Clock;
    FileTime time = 0;
    ASSERT_TRUE(clock.DosDateTimeToFileTime(DosDate(1980, 1, 1), DosTime(0, 0, 0), time));
    EXPECT_EQ(time, 119600064000000000ull); // 1980-01-01 00:00 in 100-ns ticks since 1601
    ASSERT_TRUE(clock.DosDateTimeToFileTime(DosDate(1980, 1, 1), DosTime(0, 0, 3), time));
    EXPECT_EQ(time, 119600064000000000ull + 20000000ull) << "seconds are counted in pairs";
}

TEST(ClockContract, FileTimesOutsideTheDosRangeHaveNoDosDate) {
    IClock& clock = Env().Platform.Clock;
    std::uint16_t date = 0, tod = 0;
    FileTime before1980 = 119600064000000000ull - 20000000ull;
    EXPECT_FALSE(clock.FileTimeToDosDateTime(before1980, date, tod));
}

TEST(ClockContract, LocalAndUtcConversionsAreInverse) {
    IClock& clock = Env().Platform.Clock;
    FileTime local = 0;
    ASSERT_TRUE(clock.DosDateTimeToFileTime(DosDate(2017, 4, 14), DosTime(9, 41, 24), local));
    FileTime utc = 0, back = 0;
    ASSERT_TRUE(clock.LocalFileTimeToFileTime(local, utc));
    ASSERT_TRUE(clock.FileTimeToLocalFileTime(utc, back));
    EXPECT_EQ(back, local);
}

TEST(ClockContract, LocalTimeIsAPlausibleCivilTime) {
    TSystemTime now = Env().Platform.Clock.GetLocalTime();
    EXPECT_GE(now.Year, 2020);
    EXPECT_GE(now.Month, 1);
    EXPECT_LE(now.Month, 12);
    EXPECT_LE(now.Hour, 23);
}

} // namespace
} // namespace ulv::contract
