#pragma once
// The program's date-time: a binary64 count of days since 1899-12-30 00:00, local time, the time of day in
// the fraction (an OLE Automation date). Payload stamps, file dates and the install time use it.
#include <cstdint>

namespace ulv {

using TDateTime = double;

struct TCivilTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// Whole days plus (milliseconds of the day) / 86,400,000, computed in binary64: for a time on whole seconds
// this is bit for bit the value the payload stamps and the DOS-precision file dates carry.
[[nodiscard]] TDateTime EncodeDateTime(const TCivilTime& t);

// The civil time of a date-time, rounded to the millisecond. False for a value that is not finite or lies
// outside years 100..9999, where no civil time is defined.
[[nodiscard]] bool DecodeDateTime(TDateTime value, TCivilTime& t);

} // namespace ulv
