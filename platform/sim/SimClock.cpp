#include "SimClock.h"

#include "platform/CivilDate.h"

namespace ulv::sim {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksPerMinute = 60 * kTicksPerSecond;
constexpr std::int64_t kSecondsPerDay = 86'400;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysTo1970 = 134'774;

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

} // namespace

FileTime FileTimeFromCivil(int year, int month, int day, int hour, int minute, int second) {
    std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kDaysTo1970;
    std::int64_t seconds = days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    return static_cast<FileTime>(seconds * kTicksPerSecond);
}

TSystemTime CivilFromFileTime(FileTime time) {
    auto ticks = static_cast<std::int64_t>(time);
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t secOfDay = seconds % kSecondsPerDay;
    TCivilDate date = CivilFromDays(days - kDaysTo1970);
    TSystemTime st;
    st.Year = static_cast<std::uint16_t>(date.Year);
    st.Month = static_cast<std::uint16_t>(date.Month);
    st.Day = static_cast<std::uint16_t>(date.Day);
    st.DayOfWeek = static_cast<std::uint16_t>((days + 1) % 7); // 1601-01-01 was a Monday
    st.Hour = static_cast<std::uint16_t>(secOfDay / 3600);
    st.Minute = static_cast<std::uint16_t>(secOfDay / 60 % 60);
    st.Second = static_cast<std::uint16_t>(secOfDay % 60);
    st.Milliseconds = static_cast<std::uint16_t>(ticks % kTicksPerSecond / 10'000);
    return st;
}

TSystemTime SimClock::GetLocalTime() {
    FileTime local = 0;
    (void)FileTimeToLocalFileTime(UtcNow.load(), local);
    return CivilFromFileTime(local);
}

void SimClock::Sleep(std::uint32_t milliseconds) {
    UtcNow.fetch_add(FileTime{milliseconds} * 10'000);
}

bool SimClock::FileTimeToLocalFileTime(FileTime utc, FileTime& local) {
    local = static_cast<FileTime>(static_cast<std::int64_t>(utc) + OffsetMinutes.load() * kTicksPerMinute);
    return true;
}

bool SimClock::LocalFileTimeToFileTime(FileTime local, FileTime& utc) {
    utc = static_cast<FileTime>(static_cast<std::int64_t>(local) - OffsetMinutes.load() * kTicksPerMinute);
    return true;
}

bool SimClock::FileTimeToDosDateTime(FileTime time, std::uint16_t& dosDate, std::uint16_t& dosTime) {
    TSystemTime st = CivilFromFileTime(time);
    if (st.Year < 1980 || st.Year > 2107) return false;
    dosDate = static_cast<std::uint16_t>((st.Year - 1980) << 9 | st.Month << 5 | st.Day);
    dosTime = static_cast<std::uint16_t>(st.Hour << 11 | st.Minute << 5 | st.Second / 2);
    return true;
}

bool SimClock::DosDateTimeToFileTime(std::uint16_t dosDate, std::uint16_t dosTime, FileTime& time) {
    int year = 1980 + (dosDate >> 9);
    int month = dosDate >> 5 & 0xF;
    int day = dosDate & 0x1F;
    int hour = dosTime >> 11;
    int minute = dosTime >> 5 & 0x3F;
    int second = (dosTime & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    if (hour > 23 || minute > 59 || second > 59) return false;
    time = FileTimeFromCivil(year, month, day, hour, minute, second);
    return true;
}

} // namespace ulv::sim
