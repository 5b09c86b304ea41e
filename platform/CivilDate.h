#pragma once
// Proleptic Gregorian calendar arithmetic: days since 1970-01-01 of a date and back, shared by the
// simulated clock and the program's date-time values.
#include <cstdint>

namespace ulv {

struct TCivilDate {
    int Year = 0, Month = 0, Day = 0;
};

constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr TCivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    TCivilDate date;
    date.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.Year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (date.Month <= 2));
    return date;
}

static_assert(DaysFromCivil(1970, 1, 1) == 0);
static_assert(DaysFromCivil(1899, 12, 30) == -25569);

} // namespace ulv
