#include "DateTime.h"

#include <cmath>

namespace ulv {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// Days from 0000-03-01 (the civil algorithm's epoch) to 1899-12-30.
constexpr std::int64_t kEpochShift = 693'899;
// Serial numbers of 0100-01-01 and 9999-12-31.
constexpr double kMinDate = -657'434.0;
constexpr double kMaxDate = 2'958'465.0;

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - kEpochShift;
}

void CivilFromDays(std::int64_t z, TCivilTime& t) {
    z += kEpochShift;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.Year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (t.Month <= 2));
}

} // namespace

TDateTime EncodeDateTime(const TCivilTime& t) {
    std::int64_t days = DaysFromCivil(t.Year, static_cast<unsigned>(t.Month), static_cast<unsigned>(t.Day));
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
    CivilFromDays(days, t);
    t.Hour = static_cast<int>(ms / 3'600'000);
    t.Minute = static_cast<int>(ms / 60'000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Millisecond = static_cast<int>(ms % 1000);
    return true;
}

} // namespace ulv
