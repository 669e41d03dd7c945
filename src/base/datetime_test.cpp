#include "base/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orv {
namespace {

double Encode(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  CivilTime t;
  t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s, t.millisecond = ms;
  double v = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(CivilToDateTime(t, &v)) << y << "-" << mo << "-" << d;
  return v;
}

::testing::AssertionResult DecodesTo(double v, int y, int mo, int d, int h, int mi, int s, int ms) {
  CivilTime t;
  if (!DateTimeToCivil(v, &t)) return ::testing::AssertionFailure() << v << " was refused";
  if (t.year == y && t.month == mo && t.day == d && t.hour == h && t.minute == mi &&
      t.second == s && t.millisecond == ms)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << v << " gave " << t.year << "-" << t.month << "-" << t.day
                                       << " " << t.hour << ":" << t.minute << ":" << t.second
                                       << "." << t.millisecond;
}

TEST(DateTime, EncodesDaysSinceTheEpochWithTheTimeAsFraction) {
  EXPECT_EQ(Encode(1899, 12, 30), 0.0);
  EXPECT_EQ(Encode(1899, 12, 31), 1.0);
  EXPECT_EQ(Encode(1900, 1, 1), 2.0);
  EXPECT_EQ(Encode(1900, 3, 1), 61.0);  // 1900 is no leap year
  EXPECT_EQ(Encode(2000, 1, 1, 12), 36526.5);
  EXPECT_EQ(Encode(2000, 3, 1), 36586.0);  // 2000 is one
  EXPECT_EQ(Encode(2024, 2, 29, 6), 45351.25);
  EXPECT_DOUBLE_EQ(Encode(2000, 1, 1, 0, 23), 36526.0 + 23.0 / 1440);
  EXPECT_EQ(Encode(1, 1, 1), kMinDateTime);
  EXPECT_EQ(Encode(9999, 12, 31), kMaxDateTime);
  // Before the epoch the fraction is added to the day going backwards.
  EXPECT_EQ(Encode(1899, 12, 29, 6), -1.25);
  EXPECT_EQ(Encode(1899, 12, 30, 18), 0.75);
}

TEST(DateTime, RefusesInvalidCivilTimes) {
  const CivilTime good{2023, 2, 28, 23, 59, 59, 999};
  EXPECT_TRUE(IsValidCivilTime(good));
  auto with = [&](auto change) {
    CivilTime t = good;
    change(t);
    double v = 123.0;
    bool ok = CivilToDateTime(t, &v);
    return !ok && v == 123.0;
  };
  EXPECT_TRUE(with([](CivilTime& t) { t.day = 29; }));  // 2023 is no leap year
  EXPECT_TRUE(with([](CivilTime& t) { t.month = 13; }));
  EXPECT_TRUE(with([](CivilTime& t) { t.month = 0; }));
  EXPECT_TRUE(with([](CivilTime& t) { t.day = 0; }));
  EXPECT_TRUE(with([](CivilTime& t) { t.year = 0; }));
  EXPECT_TRUE(with([](CivilTime& t) { t.year = 10000; }));
  EXPECT_TRUE(with([](CivilTime& t) { t.hour = 24; }));
  EXPECT_TRUE(with([](CivilTime& t) { t.minute = 60; }));
  EXPECT_TRUE(with([](CivilTime& t) { t.second = -1; }));
  EXPECT_TRUE(with([](CivilTime& t) { t.millisecond = 1000; }));
}

TEST(DateTime, DecodesToTheMillisecond) {
  EXPECT_TRUE(DecodesTo(0.0, 1899, 12, 30, 0, 0, 0, 0));
  EXPECT_TRUE(DecodesTo(36526.5, 2000, 1, 1, 12, 0, 0, 0));
  EXPECT_TRUE(DecodesTo(-1.25, 1899, 12, 29, 6, 0, 0, 0));
  EXPECT_TRUE(DecodesTo(-0.5, 1899, 12, 30, 12, 0, 0, 0));
  // Rounding just below midnight carries into the next day, on both sides of the epoch.
  EXPECT_TRUE(DecodesTo(36526.0 - 1e-10, 2000, 1, 1, 0, 0, 0, 0));
  EXPECT_TRUE(DecodesTo(-1.0 - (1.0 - 1e-10), 1899, 12, 30, 0, 0, 0, 0));
  EXPECT_TRUE(DecodesTo(kMaxDateTime + 0.5, 9999, 12, 31, 12, 0, 0, 0));
  EXPECT_TRUE(DecodesTo(kMinDateTime, 1, 1, 1, 0, 0, 0, 0));

  // Every millisecond of a day survives the round trip, at dates far apart.
  for (int y : {1, 1601, 1899, 1900, 2038, 9999}) {
    for (int ms : {0, 1, 999, 43200000, 86399999}) {
      CivilTime t{y, 12, 30, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
      double v;
      ASSERT_TRUE(CivilToDateTime(t, &v));
      EXPECT_TRUE(DecodesTo(v, t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond));
    }
  }
}

TEST(DateTime, RefusesStoredBytesThatAreNoDate) {
  CivilTime t;
  for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), 1e300, -1e300, kMaxDateTime + 1,
                     kMinDateTime - 1})
    EXPECT_FALSE(DateTimeToCivil(bad, &t)) << bad;
}

}  // namespace
}  // namespace orv
