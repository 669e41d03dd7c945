#include "base/datetime.h"

#include <cmath>

namespace orv {

namespace {
constexpr int64_t kMsPerDay = 86400000;
// Days from 1970-01-01 to 1899-12-30.
constexpr int64_t kEpochShift = -25569;

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}
}  // namespace

bool IsValidCivilTime(const CivilTime& t) {
  return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour < 24 && t.minute >= 0 &&
         t.minute < 60 && t.second >= 0 && t.second < 60 && t.millisecond >= 0 &&
         t.millisecond < 1000;
}

bool CivilToDateTime(const CivilTime& t, double* out) {
  if (!IsValidCivilTime(t)) return false;
  const double days = static_cast<double>(DaysFromCivil(t.year, t.month, t.day) - kEpochShift);
  const double fraction =
      static_cast<double>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond) /
      kMsPerDay;
  // Before the epoch the fraction still counts forward from the start of the day.
  *out = days < 0 ? days - fraction : days + fraction;
  return true;
}

bool DateTimeToCivil(double value, CivilTime* out) {
  if (!std::isfinite(value)) return false;
  const double whole = std::trunc(value);
  if (whole < kMinDateTime || whole > kMaxDateTime) return false;
  int64_t ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  int64_t days = static_cast<int64_t>(whole);
  if (ms >= kMsPerDay) {  // rounded up to the next midnight; the next day also before the epoch
    ms -= kMsPerDay;
    days += 1;
  }
  CivilTime t;
  CivilFromDays(days + kEpochShift, &t.year, &t.month, &t.day);
  if (t.year < 1 || t.year > 9999) return false;
  t.millisecond = static_cast<int>(ms % 1000);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.hour = static_cast<int>(ms / 3600000);
  *out = t;
  return true;
}

}  // namespace orv
