#include "DateTime.h"

#include "platform/CivilDate.h"

#include <cmath>

namespace ulv {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 1899-12-30 to 1970-01-01.
constexpr std::int64_t kDaysTo1970 = 25'569;
// Serial numbers of 0100-01-01 and 9999-12-31.
constexpr double kMinDate = -657'434.0;
constexpr double kMaxDate = 2'958'465.0;

} // namespace

TDateTime EncodeDateTime(const TCivilTime& t) {
    std::int64_t days =
        DaysFromCivil(t.Year, static_cast<unsigned>(t.Month), static_cast<unsigned>(t.Day)) + kDaysTo1970;
    std::int64_t ms = ((t.Hour * 60LL + t.Minute) * 60 + t.Second) * 1000 + t.Millisecond;
    // Before 1899-12-30 the fraction counts forward from the negative whole day, as OLE dates do.
    double fraction = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

bool DecodeDateTime(TDateTime value, TCivilTime& t) {
    if (!std::isfinite(value) || value < kMinDate || value >= kMaxDate + 1) return false;
    double whole = std::trunc(value);
    auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - whole) * kMsPerDay));
    auto days = static_cast<std::int64_t>(whole);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        days += value >= 0 ? 1 : -1;
    }
    TCivilDate date = CivilFromDays(days - kDaysTo1970);
    t.Year = date.Year;
    t.Month = date.Month;
    t.Day = date.Day;
    t.Hour = static_cast<int>(ms / 3'600'000);
    t.Minute = static_cast<int>(ms / 60'000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Millisecond = static_cast<int>(ms % 1000);
    return true;
}

} // namespace ulv
