#include "platform/win32/win32_clock.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

// Days since 1899-12-30 of a local SYSTEMTIME, counted by the system's own file-time arithmetic.
double SystemDays(const SYSTEMTIME& st) {
  SYSTEMTIME epoch = {};
  epoch.wYear = 1899;
  epoch.wMonth = 12;
  epoch.wDay = 30;
  FILETIME a, b;
  EXPECT_TRUE(SystemTimeToFileTime(&epoch, &a));
  EXPECT_TRUE(SystemTimeToFileTime(&st, &b));
  auto ticks = [](const FILETIME& f) {
    return static_cast<int64_t>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
  };
  return static_cast<double>(ticks(b) - ticks(a)) / 864000000000.0;  // 100 ns ticks a day
}

TEST(Win32Clock, GivesLocalTimeAsDaysSince1899) {
  Win32Clock clock;
  SYSTEMTIME st;
  GetLocalTime(&st);
  const double expected = SystemDays(st);
  const double now = clock.Now();
  EXPECT_LT(std::fabs(now - expected), 1.0 / 1440) << now << " vs " << expected;
  EXPECT_GT(now, 45000.0);  // a day after 2023, not the empty date 0
}

}  // namespace
}  // namespace orv
