#pragma once
#include "Win32Types.h"

#include <cstdint>

namespace ulv {

struct TSystemTime {
    std::uint16_t Year = 0, Month = 0, DayOfWeek = 0, Day = 0;
    std::uint16_t Hour = 0, Minute = 0, Second = 0, Milliseconds = 0;
};

// Time of day and the kernel32 file-time conversions. Local/UTC conversions use the offset in force now
// (daylight saving included), not the one of the date converted, exactly as Windows does.
class IClock {
public:
    virtual ~IClock() = default;
    virtual TSystemTime GetLocalTime() = 0;
    // Suspends the calling thread for at least this long; the local time has moved on by as much after.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    [[nodiscard]] virtual bool FileTimeToLocalFileTime(FileTime utc, FileTime& local) = 0;
    [[nodiscard]] virtual bool LocalFileTimeToFileTime(FileTime local, FileTime& utc) = 0;
    // False for a time whose year lies outside 1980..2107.
    [[nodiscard]] virtual bool FileTimeToDosDateTime(FileTime time, std::uint16_t& dosDate,
                                                     std::uint16_t& dosTime) = 0;
    // False for a DOS date-time that names no valid date (month 0, day 0, ...).
    [[nodiscard]] virtual bool DosDateTimeToFileTime(std::uint16_t dosDate, std::uint16_t dosTime,
                                                     FileTime& time) = 0;
};

} // namespace ulv
