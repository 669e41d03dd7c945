#pragma once
// The settings key HKEY_CURRENT_USER "Software\Tavrosel\Orvanel", its value names, and
// InitSettings, which writes the defaults at start-up and schedules the notice download.
// Readers open the key, read and close it again: the browser-side components write into it
// at any time.
#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/registry.h"

namespace orv {
namespace settings {

inline constexpr RegRoot kRoot = RegRoot::CurrentUser;
inline constexpr char kKeyPath[] = "Software\\Tavrosel\\Orvanel";

// Value names. The registry matches them without regard to case.
inline constexpr char kFirstRun[] = "FirstRun";          // text: settings layout version
inline constexpr char kPath[] = "path";                  // text: program folder
inline constexpr char kAutoRun[] = "AutoRun";            // switch
inline constexpr char kAllowIEMenu[] = "AllowIEMenu";    // switch
inline constexpr char kAllowKillAD[] = "AllowKillAD";    // switch
// The first run writes the blocking switch under this spelling; it names the same value.
inline constexpr char kAllowKillAdFirstRunName[] = "AllowKillAd";
inline constexpr char kKillAdNotice[] = "KillAd_Notice";  // switch
inline constexpr char kKillAdSound[] = "KillAd_Sound";    // switch, never written here
inline constexpr char kMouseActionLeft[] = "Mouse_ActionLeft";      // integer
inline constexpr char kMouseActionRight[] = "Mouse_ActionRight";    // integer
inline constexpr char kMouseActionUp[] = "Mouse_ActionUp";          // integer
inline constexpr char kMouseActionDown[] = "Mouse_ActionDown";      // integer
inline constexpr char kMouseActionMiddle[] = "Mouse_ActionMiddle";  // integer
inline constexpr char kLastAddUrl[] = "LastAddUrl";      // text, written by the companions
inline constexpr char kLastBlockURL[] = "LastBlockURL";  // text
inline constexpr char kNoticeCount[] = "NoticeCount";    // integer
inline constexpr char kNoticeShowCodePrefix[] = "NoticeShowCode";    // + 1, 2, ...: text
inline constexpr char kNoticeClickCodePrefix[] = "NoticeClickCode";  // + 1, 2, ...: text
inline constexpr char kNoticeDownloadTime[] = "NoticeDownloadTime";  // date-time

inline constexpr char kLayoutVersion[] = "1.2";

// First-run defaults.
inline constexpr int32_t kDefaultMouseActionLeft = 1;
inline constexpr int32_t kDefaultMouseActionRight = 2;
inline constexpr int32_t kDefaultMouseActionUp = 3;
inline constexpr int32_t kDefaultMouseActionDown = 4;
inline constexpr int32_t kDefaultMouseActionMiddle = 8;

// "NoticeShowCode1": a notice line pointing to the maker's web host.
std::string DefaultNoticeShowCode();
// "NoticeClickCode1": open the maker's home page.
std::string DefaultNoticeClickCode();

std::string NoticeShowCodeName(int n);
std::string NoticeClickCodeName(int n);

// Opens the settings key, creating it; empty when it cannot be opened.
RegKey OpenKey(Registry& registry);

}  // namespace settings

// Timers of the online notice. Both are off at start; InitSettings starts the download timer
// when the stored notice is old or missing.
inline constexpr unsigned kDownloadNoticeIntervalMs = 120000;
inline constexpr unsigned kCheckOnlineIntervalMs = 300000;
// A stored notice at least this many minutes old is fetched again.
inline constexpr long long kNoticeRefreshMinutes = 24;

// Start-up, once, before any page is loaded: writes path, the default notice, the first-run defaults and the layout version
// into the settings key, and starts the download timer when a notice is due. A
// NoticeDownloadTime that is not a readable date-time counts as missing (a download is due).
// Then writes the two context-menu keys (WriteContextMenuKeys), whatever AllowIEMenu holds.
// Raises RegistryError when a value cannot be written.
void InitSettings(Registry& registry, Clock& clock, Timers& timers,
                  const std::string& program_folder);

}  // namespace orv
