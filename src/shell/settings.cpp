#include "shell/settings.h"

#include <cmath>
#include <cstring>

#include "base/datetime.h"
#include "shell/maker_site.h"
#include "shell/startup_integration.h"

namespace orv {
namespace settings {

std::string DefaultNoticeShowCode() {
  return std::string("3,请访问岚澄软件以获得本软件的最新版本。") + kMakerWebHost;
}

std::string DefaultNoticeClickCode() { return "1," + MakerHomePage(); }

std::string NoticeShowCodeName(int n) { return kNoticeShowCodePrefix + std::to_string(n); }
std::string NoticeClickCodeName(int n) { return kNoticeClickCodePrefix + std::to_string(n); }

RegKey OpenKey(Registry& registry) { return RegKey::Open(registry, kRoot, kKeyPath, true); }

}  // namespace settings

namespace {

constexpr double kMsPerDay = 86400000.0;

// The stored download time, or false when it is missing or not an 8-byte date-time of the
// calendar (written by hand or by a broken program): then a fresh notice is due.
bool StoredDownloadTime(const RegKey& key, double* days) {
  RegValue v;
  if (!key.raw()->QueryValue(settings::kNoticeDownloadTime, &v)) return false;
  if (v.type != kRegBinary || v.data.size() != sizeof(double)) return false;
  double d;
  std::memcpy(&d, v.data.data(), sizeof d);
  // Only dates of years 1 to 9999 are date-times (this also keeps NaN and huge values out).
  if (!(d >= kMinDateTime && d < kMaxDateTime + 1)) return false;
  *days = d;
  return true;
}

bool NoticeDownloadDue(const RegKey& key, double now) {
  double stored;
  if (!StoredDownloadTime(key, &stored)) return true;
  // Whole minutes, truncated toward zero; a time in the future gives a negative count. Both
  // times are taken to the millisecond, their resolution, so that exactly 24 minutes does not
  // fall to 23.999 by rounding.
  const long long elapsed_ms = std::llround(now * kMsPerDay) - std::llround(stored * kMsPerDay);
  return elapsed_ms / 60000 >= kNoticeRefreshMinutes;
}

void WriteSettingsDefaults(Registry& registry, Clock& clock, Timers& timers,
                           const std::string& program_folder) {
  using namespace settings;
  RegKey key = OpenKey(registry);
  if (!key) return;  // a key that cannot be opened is skipped silently

  key.WriteString(kPath, program_folder);

  if (!key.ValueExists(NoticeShowCodeName(1))) {
    key.WriteInteger(kNoticeCount, 1);
    key.WriteString(NoticeShowCodeName(1), DefaultNoticeShowCode());
    key.WriteString(NoticeClickCodeName(1), DefaultNoticeClickCode());
  }

  if (NoticeDownloadDue(key, clock.Now()))
    timers.Start(TimerId::DownloadNotice, kDownloadNoticeIntervalMs);

  if (!key.ValueExists(kFirstRun)) {
    key.WriteString(kFirstRun, kLayoutVersion);
    key.WriteBool(kAutoRun, true);
    key.WriteBool(kAllowKillAdFirstRunName, true);
    key.WriteBool(kKillAdNotice, true);
    key.WriteInteger(kMouseActionLeft, kDefaultMouseActionLeft);
    key.WriteInteger(kMouseActionRight, kDefaultMouseActionRight);
    key.WriteInteger(kMouseActionUp, kDefaultMouseActionUp);
    key.WriteInteger(kMouseActionDown, kDefaultMouseActionDown);
    key.WriteInteger(kMouseActionMiddle, kDefaultMouseActionMiddle);
    key.WriteBool(kAllowIEMenu, true);
  }

  // A key left by another version gets this layout's version and nothing else.
  if (key.ReadString(kFirstRun) != kLayoutVersion) key.WriteString(kFirstRun, kLayoutVersion);
}

}  // namespace

void InitSettings(Registry& registry, Clock& clock, Timers& timers,
                  const std::string& program_folder) {
  WriteSettingsDefaults(registry, clock, timers, program_folder);
  // Every start, whatever AllowIEMenu holds: LoadGeneralPage removes them again when it is off.
  WriteContextMenuKeys(registry, program_folder);
}

}  // namespace orv
