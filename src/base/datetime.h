#pragma once
// Date-times as the settings store keeps them: a double counting days since 30 December 1899,
// 00:00, with the time of day as the fraction. Before that day the whole part counts back and
// the fraction still counts forward: -1.25 is 29 December 1899, 06:00.
#include <cstdint>

namespace orv {

struct CivilTime {
  int year = 1899, month = 12, day = 30;  // month 1..12, day 1..31
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Whole parts of 1 January 0001 and 31 December 9999: the dates this conversion accepts.
constexpr double kMinDateTime = -693593.0;
constexpr double kMaxDateTime = 2958465.0;  // 9999-12-31

bool IsValidCivilTime(const CivilTime& t);

// The date-time of a valid civil time (see IsValidCivilTime); an invalid one gives false and
// leaves *out alone.
bool CivilToDateTime(const CivilTime& t, double* out);

// The civil time of a date-time, rounded to the millisecond. False for NaN, infinities and values
// outside years 1 to 9999 (a stored value may be any 8 bytes).
bool DateTimeToCivil(double value, CivilTime* out);

}  // namespace orv
