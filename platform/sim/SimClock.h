#pragma once
#include "platform/Clock.h"

#include <atomic>

namespace ulv::sim {

// Civil-time arithmetic on file times (no time zone involved).
FileTime FileTimeFromCivil(int year, int month, int day, int hour, int minute, int second);
TSystemTime CivilFromFileTime(FileTime time);

// A settable clock: the current UTC time and the offset of local time from UTC in minutes (+60 for Paris in
// winter, +120 in summer, -300 for New York in winter).
class SimClock final : public IClock {
public:
    void SetUtcNow(FileTime now) { UtcNow = now; }
    void SetUtcOffsetMinutes(int minutes) { OffsetMinutes = minutes; }
    [[nodiscard]] FileTime UtcNowTime() const { return UtcNow; }

    TSystemTime GetLocalTime() override;
    // Returns at once, the clock moved on: a simulated wait costs no real time.
    void Sleep(std::uint32_t milliseconds) override;
    bool FileTimeToLocalFileTime(FileTime utc, FileTime& local) override;
    bool LocalFileTimeToFileTime(FileTime local, FileTime& utc) override;
    bool FileTimeToDosDateTime(FileTime time, std::uint16_t& dosDate, std::uint16_t& dosTime) override;
    bool DosDateTimeToFileTime(std::uint16_t dosDate, std::uint16_t dosTime, FileTime& time) override;

private:
    std::atomic<FileTime> UtcNow{FileTimeFromCivil(2026, 12, 8, 9, 30, 0)};
    std::atomic<int> OffsetMinutes{60};
};

} // namespace ulv::sim
