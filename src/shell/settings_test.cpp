#include "shell/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/errors.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "shell/maker_site.h"
#include "shell/startup_integration.h"

namespace orv {
namespace {

const char kFolder[] = "C:\\Program Files\\Orvanel\\";
constexpr double kMinute = 1.0 / (24 * 60);

class InitSettingsTest : public ::testing::Test {
 protected:
  RegKey Settings() { return RegKey::Open(reg, RegRoot::CurrentUser, settings::kKeyPath, true); }
  void Init() { InitSettings(reg, clock, timers, kFolder); }
  bool DownloadScheduled() const {
    auto it = timers.running.find(TimerId::DownloadNotice);
    return it != timers.running.end() && it->second == 120000u;
  }
  void StoreDownloadTime(double days) { Settings().WriteDateTime(settings::kNoticeDownloadTime, days); }
  void StoreRaw(const char* name, uint32_t type, const std::string& bytes) {
    ASSERT_TRUE(Settings().raw()->SetValue(name, RegValue{type, bytes}));
  }

  MemoryRegistry reg;
  FixedClock clock;
  RecordingTimers timers;
};

TEST_F(InitSettingsTest, EmptyKeyGetsEveryDefaultInOrder) {
  Init();
  RegKey key = Settings();
  const std::vector<std::string> expected_order = {
      "path",           "NoticeCount",      "NoticeShowCode1",   "NoticeClickCode1",
      "FirstRun",       "AutoRun",          "AllowKillAd",       "KillAd_Notice",
      "Mouse_ActionLeft", "Mouse_ActionRight", "Mouse_ActionUp", "Mouse_ActionDown",
      "Mouse_ActionMiddle", "AllowIEMenu"};
  EXPECT_EQ(key.ValueNames(), expected_order);  // AllowKillAd in the first run's spelling
  EXPECT_EQ(key.ReadString("path"), kFolder);
  EXPECT_EQ(key.ReadInteger("NoticeCount"), 1);
  EXPECT_EQ(key.ReadString("NoticeShowCode1"),
            std::string("3,请访问岚澄软件以获得本软件的最新版本。") + kMakerWebHost);
  EXPECT_EQ(key.ReadString("NoticeClickCode1"), std::string("1,http://") + kMakerWebHost + "/");
  EXPECT_EQ(key.ReadString("FirstRun"), "1.2");
  for (const char* on : {"AutoRun", "AllowKillAD", "KillAd_Notice", "AllowIEMenu"}) {
    RegValue v;
    ASSERT_TRUE(key.raw()->QueryValue(on, &v)) << on;
    EXPECT_EQ(v.type, kRegDword) << on;
    EXPECT_EQ(key.ReadInteger(on), 1) << on;
  }
  EXPECT_EQ(key.ReadInteger("Mouse_ActionLeft"), 1);
  EXPECT_EQ(key.ReadInteger("Mouse_ActionRight"), 2);
  EXPECT_EQ(key.ReadInteger("Mouse_ActionUp"), 3);
  EXPECT_EQ(key.ReadInteger("Mouse_ActionDown"), 4);
  EXPECT_EQ(key.ReadInteger("Mouse_ActionMiddle"), 8);

  EXPECT_TRUE(DownloadScheduled());
  EXPECT_FALSE(timers.IsRunning(TimerId::CheckOnline));
  // The context-menu keys are written with the defaults.
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, kMenuExtCurrentPageKey));
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey));
}

TEST_F(InitSettingsTest, KeyOfAnOlderVersionOnlyGetsItsVersionAndPath) {
  {
    RegKey key = Settings();
    key.WriteString("FirstRun", "1.1");
    key.WriteString("path", "D:\\old\\");
    key.WriteBool("AutoRun", false);
    key.WriteString("NoticeShowCode1", "3,old notice");
  }
  StoreDownloadTime(clock.now - kMinute);
  Init();
  RegKey key = Settings();
  EXPECT_EQ(key.ValueNames(),
            (std::vector<std::string>{"FirstRun", "path", "AutoRun", "NoticeShowCode1",
                                      "NoticeDownloadTime"}));
  EXPECT_EQ(key.ReadString("FirstRun"), "1.2");
  EXPECT_EQ(key.ReadString("path"), kFolder);
  EXPECT_FALSE(key.ReadBool("AutoRun"));
  EXPECT_EQ(key.ReadString("NoticeShowCode1"), "3,old notice");
  EXPECT_FALSE(DownloadScheduled());
}

TEST_F(InitSettingsTest, NoticeIsFetchedAgainFromTwentyFourMinutesOn) {
  struct Case {
    double age_minutes;
    bool due;
  } cases[] = {
      {23, false},
      {24 - 1.0 / 60000, false},  // one millisecond short
      {24, true},
      {60 * 24 * 3, true},
      {-1, false},  // stored in the future
      {-60 * 24 * 400, false},
      {0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.age_minutes);
    timers.running.clear();
    StoreDownloadTime(clock.now - c.age_minutes * kMinute);
    Init();
    EXPECT_EQ(DownloadScheduled(), c.due);
  }
}

TEST_F(InitSettingsTest, TwentyFourMinutesBetweenMillisecondTimesIsNeverRoundedDown) {
  // Clock times carry milliseconds; subtracting two such doubles can give 23.99999999 minutes.
  for (long long offset_ms : {47514LL, 55433LL, 0LL, 86399999LL}) {
    SCOPED_TRACE(offset_ms);
    timers.running.clear();
    const long long now_ms = 46000LL * 86400000 + offset_ms;
    clock.now = now_ms / 86400000.0;
    StoreDownloadTime((now_ms - 24 * 60000) / 86400000.0);
    Init();
    EXPECT_TRUE(DownloadScheduled());
  }
}

TEST_F(InitSettingsTest, UnreadableDownloadTimeCountsAsMissingAndIsKept) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double huge = 1e300;
  struct Case {
    const char* what;
    uint32_t type;
    std::string bytes;
  } cases[] = {
      {"4 bytes", kRegBinary, std::string("\x01\x02\x03\x04", 4)},
      {"text", kRegSz, "2024-01-01"},
      {"number", kRegDword, std::string(4, '\0')},
      {"not a number", kRegBinary, std::string(reinterpret_cast<const char*>(&nan), 8)},
      {"beyond the calendar", kRegBinary, std::string(reinterpret_cast<const char*>(&huge), 8)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    timers.running.clear();
    StoreRaw(settings::kNoticeDownloadTime, c.type, c.bytes);
    EXPECT_NO_THROW(Init());
    EXPECT_TRUE(DownloadScheduled());
    RegValue kept;
    ASSERT_TRUE(Settings().raw()->QueryValue(settings::kNoticeDownloadTime, &kept));
    EXPECT_EQ(kept.type, c.type);
    EXPECT_EQ(kept.data, c.bytes);
  }
}

TEST_F(InitSettingsTest, SettingsKeyThatCannotBeOpenedIsSkippedSilently) {
  reg.SetAccess(RegRoot::CurrentUser, settings::kKeyPath, MemoryRegistry::Rule::Denied);
  EXPECT_NO_THROW(Init());
  EXPECT_FALSE(DownloadScheduled());
  // The context-menu keys live elsewhere and are still written.
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey));
}

TEST_F(InitSettingsTest, FailedWriteRaisesWithTheValueName) {
  Settings();  // the key exists; its first value write fails
  reg.FailWritesFrom(1);
  try {
    Init();
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'path'");
  }
}

TEST_F(InitSettingsTest, FirstRunStoredAsANumberIsAnError) {
  Settings().WriteInteger("FirstRun", 12);
  EXPECT_THROW(Init(), RegistryError);
}

}  // namespace
}  // namespace orv
