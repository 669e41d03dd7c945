#pragma once
// The popup blocking engine of the main window, driven by the private messages of
// popup_blocker/ad_messages.h and by clicks on the tray sub-menu of blocked windows. It has no
// thread or timer of its own; every handler runs on the window's thread, one at a time.
// Errors (a missing conf\KillAD.ini, a failed automation call, registry rules broken) end the
// handler and reach the window's event boundary.
#include <map>
#include <string>

#include "platform/app_window.h"
#include "platform/browser_windows.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/tray.h"
#include "popup_blocker/ad_page.h"
#include "popup_blocker/blocked_history.h"

namespace orv {

// Relative to the program folder.
inline constexpr char kBlockedSoundName[] = "conf\\blocked.wav";
// Balloon titles and the counter's label.
inline constexpr char kBlockedBalloonTitle[] = "拦截到广告窗口";
inline constexpr char kAddedBalloonTitle[] = "网址已添加进黑名单";
inline constexpr char kBlockedTotalLabel[] = "已拦截总数：";
// Widths handed to ShortenText.
inline constexpr int kHistoryCaptionWidth = 30;
inline constexpr int kBalloonTextWidth = 50;

// The services the engine works with. All must outlive the engine.
struct BlockingEngineServices {
  FileSystem& files;
  Registry& registry;
  BrowserWindows& browsers;
  AppWindow& window;
  TrayIcon& tray;
  Sound& sound;
  Shell& shell;
};

class BlockingEngine {
 public:
  // page is the ad-blocker page whose views blacklist and TempWhiteList the engine appends to.
  BlockingEngine(const BlockingEngineServices& services, AdPage& page,
                 const std::string& program_folder);

  // WM_AD_SCAN. Does nothing while AllowKillAD is off (a missing value counts as on).
  // Otherwise every browser window not showing a local file ("file:///", any case) whose
  // address matches the black list, and neither the white list (wildcards, any case) nor the
  // temporary white list (exact), is closed; for each one LastBlockURL is written and a
  // WM_AD_REPORT tagged with that window's address is posted. The black list is read afresh
  // for every window. An automation failure ends the scan; windows closed before it stay
  // closed and their reports are already posted.
  void ScanBrowserWindows();

  // WM_AD_REPORT. wparam is the message's wParam: a tag of one of the scan's own posts names
  // the closed address; 0 or an unknown tag (an outside report) reads LastBlockURL. Adds the
  // history entry, raises BlockedTotal and, when the notice switch is on (KillAd_Sound in place
  // of KillAd_Notice when it exists), plays conf\blocked.wav and shows the balloon.
  void ReportBlockedWindow(unsigned long long wparam = 0);

  // WM_AD_ADDURL. Appends LastAddUrl to the black list in the file and in the page's view and
  // shows the balloon. A missing LastAddUrl, or one that would read back empty from the file,
  // adds nothing and shows nothing.
  void AddUrlToBlackList();

  // Click on a history entry; address is the entry's hint. The address joins the temporary
  // white list (file and view) unless already there, and opens in Internet Explorer.
  void BlockedHistoryItemClick(const std::string& address);

  int BlockedTotal() const { return blocked_total_; }
  const BlockedHistoryMenu& Subitem_KilledAd() const { return history_; }
  BlockedHistoryMenu& Subitem_KilledAd() { return history_; }

  // Reports posted by a scan and not yet handled (a lost post leaves an entry behind; the
  // oldest are forgotten past this many).
  static constexpr size_t kMaxPendingReports = 1024;
  size_t PendingReports() const { return pending_reports_.size(); }

 private:
  bool BlockingSwitchedOn();
  bool IsExempt(const std::string& address);
  void PostReport(const std::string& address);

  BlockingEngineServices services_;
  AdPage& page_;
  std::string program_folder_;
  std::string ini_path_;
  int blocked_total_ = 0;
  BlockedHistoryMenu history_;
  unsigned long long next_tag_ = 1;
  std::map<unsigned long long, std::string> pending_reports_;  // tag -> closed address
};

}  // namespace orv
