#include "pipeusb/sim/RecorderClock.h"

#include <cstring>

namespace pipeusb {

namespace {

bool IsLeap(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(std::int64_t y, unsigned m) {
    static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date and back (the era-based
// conversion: 400-year eras of 146097 days).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

}  // namespace

bool AdvanceClock(const std::uint8_t* in, std::uint64_t seconds, std::uint8_t* out) {
    std::uint8_t copy[7];
    std::memcpy(copy, in, sizeof copy);
    std::memcpy(out, copy, sizeof copy);
    const std::int64_t year = copy[0] * 100 + copy[1];
    const unsigned month = copy[2], day = copy[3];
    if (copy[1] > 99 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        copy[4] > 23 || copy[5] > 59 || copy[6] > 59)
        return false;
    const std::int64_t start =
        DaysFromCivil(year, month, day) * 86400 + copy[4] * 3600 + copy[5] * 60 + copy[6];
    // Guards the arithmetic against absurd spans (2^40 s is 35,000 years); the
    // clock bytes cannot show a year past 25599 anyway.
    constexpr std::uint64_t kMaxSeconds = 1ULL << 40;
    const std::int64_t t = start + static_cast<std::int64_t>(seconds < kMaxSeconds ? seconds : 0);
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(t >= 0 ? t / 86400 : (t - 86399) / 86400, y, m, d);
    const std::int64_t secOfDay = t - DaysFromCivil(y, m, d) * 86400;
    if (y < 0 || y > 25599) return false;
    out[0] = static_cast<std::uint8_t>(y / 100);
    out[1] = static_cast<std::uint8_t>(y % 100);
    out[2] = static_cast<std::uint8_t>(m);
    out[3] = static_cast<std::uint8_t>(d);
    out[4] = static_cast<std::uint8_t>(secOfDay / 3600);
    out[5] = static_cast<std::uint8_t>(secOfDay % 3600 / 60);
    out[6] = static_cast<std::uint8_t>(secOfDay % 60);
    return true;
}

}  // namespace pipeusb
