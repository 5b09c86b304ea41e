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

constexpr FileTime kTicksPerMinute = 600'000'000ull;
constexpr FileTime kTicksPerDay = 1440 * kTicksPerMinute;

// A real day with its own weekday (1601-01-01, tick 0, was a Monday), in the years a DOS date can hold.
::testing::AssertionResult IsCivilDay(IClock& clock, const TSystemTime& t, FileTime& local) {
    if (t.Year < 2020 || t.Month < 1 || t.Month > 12 || t.Hour > 23 || t.Minute > 59 || t.Second > 59 ||
        t.Milliseconds > 999)
        return ::testing::AssertionFailure() << "fields out of range";
    if (!clock.DosDateTimeToFileTime(DosDate(t.Year, t.Month, t.Day), DosTime(t.Hour, t.Minute, t.Second),
                                     local))
        return ::testing::AssertionFailure() << "no such day: " << t.Year << "-" << t.Month << "-" << t.Day;
    if ((local / kTicksPerDay + 1) % 7 != t.DayOfWeek)
        return ::testing::AssertionFailure() << "weekday " << t.DayOfWeek << " is not the date's";
    return ::testing::AssertionSuccess();
}

// The local time now is plausible when it is a real day and stands within a few minutes of the time the
// file system stamps on a file written now, taken to local time: a clock stuck on any fixed date fails.
::testing::AssertionResult IsPlausibleNow(IClock& clock, IFiles& files, const std::string& folder) {
    FileTime local = 0;
    ::testing::AssertionResult civil = IsCivilDay(clock, clock.GetLocalTime(), local);
    if (!civil) return civil;
    const std::string path = folder + "clock-now.tmp";
    FileTime written = 0, writtenLocal = 0;
    std::uint32_t count = 0;
    {
        UniqueFile file(files, files.CreateFileA(path, kGenericRead | kGenericWrite, 0, kCreateAlways,
                                                 kFileAttributeNormal));
        if (!file || !files.WriteFile(file.Get(), "x", 1, count) ||
            !files.GetFileTime(file.Get(), nullptr, nullptr, &written))
            return ::testing::AssertionFailure() << "no file to compare with";
    }
    (void)files.DeleteFileA(path);
    if (!clock.FileTimeToLocalFileTime(written, writtenLocal))
        return ::testing::AssertionFailure() << "no local form of the file's time";
    FileTime apart = writtenLocal > local ? writtenLocal - local : local - writtenLocal;
    if (apart > 5 * kTicksPerMinute)
        return ::testing::AssertionFailure()
               << "the file system's time is " << apart / kTicksPerMinute << " minutes away";
    return ::testing::AssertionSuccess();
}

TEST(ClockContract, LocalTimeIsAPlausibleCivilTime) {
    EXPECT_TRUE(IsPlausibleNow(Env().Platform.Clock, Env().Platform.Files, Env().Scratch));
}

TEST(ClockContract, SleepLetsTheLocalTimeMoveOn) {
    IClock& clock = Env().Platform.Clock;
    auto msOfDay = [](const TSystemTime& t) {
        return ((t.Hour * 60 + t.Minute) * 60 + t.Second) * 1000 + t.Milliseconds;
    };
    int before = msOfDay(clock.GetLocalTime());
    clock.Sleep(120);
    int slept = (msOfDay(clock.GetLocalTime()) - before + 86'400'000) % 86'400'000;
    // The system clock may tick in steps of about 16 ms.
    EXPECT_GE(slept, 100);
    EXPECT_LT(slept, 60'000);
}

// A clock that says the same instant whatever the time is; its conversions are the adapter's.
class FixedClock final : public IClock {
public:
    FixedClock(IClock& real, TSystemTime fixed) : Real(real), Fixed(fixed) {}
    TSystemTime GetLocalTime() override { return Fixed; }
    void Sleep(std::uint32_t milliseconds) override { Real.Sleep(milliseconds); }
    bool FileTimeToLocalFileTime(FileTime utc, FileTime& local) override {
        return Real.FileTimeToLocalFileTime(utc, local);
    }
    bool LocalFileTimeToFileTime(FileTime local, FileTime& utc) override {
        return Real.LocalFileTimeToFileTime(local, utc);
    }
    bool FileTimeToDosDateTime(FileTime time, std::uint16_t& date, std::uint16_t& tod) override {
        return Real.FileTimeToDosDateTime(time, date, tod);
    }
    bool DosDateTimeToFileTime(std::uint16_t date, std::uint16_t tod, FileTime& time) override {
        return Real.DosDateTimeToFileTime(date, tod, time);
    }

private:
    IClock& Real;
    TSystemTime Fixed;
};

TEST(ClockContract, PlausibilityRefusesAFixedWrongDate) {
    IClock& real = Env().Platform.Clock;
    FileTime local = 0;
    // Tuesday 15 June 2021, noon: a real day, but not now.
    const TSystemTime past{2021, 6, 2, 15, 12, 0, 0, 0};
    EXPECT_TRUE(IsCivilDay(real, past, local));
    FixedClock stuck(real, past);
    EXPECT_FALSE(IsPlausibleNow(stuck, Env().Platform.Files, Env().Scratch));
    for (const TSystemTime& wrong :
         {TSystemTime{2024, 2, 5, 30, 9, 0, 0, 0}, TSystemTime{2021, 6, 3, 15, 12, 0, 0, 0},
          TSystemTime{2021, 6, 2, 0, 12, 0, 0, 0}, TSystemTime{1980, 1, 2, 1, 0, 0, 0, 0},
          TSystemTime{2021, 6, 2, 15, 12, 60, 0, 0}})
        EXPECT_FALSE(IsCivilDay(real, wrong, local)) << wrong.Year << "-" << wrong.Month << "-" << wrong.Day;
}

} // namespace
} // namespace ulv::contract
