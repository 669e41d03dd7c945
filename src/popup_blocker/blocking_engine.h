#pragma once
// The popup blocking engine of the main window, driven by the private messages and the
// hand-overs of popup_blocker/ad_messages.h and by clicks on the tray sub-menu of blocked
// windows. It has no thread or timer of its own; every handler runs on the window's thread, one
// at a time. Errors (a missing conf\KillAD.ini, a failed automation call, registry rules
// broken) end the handler and reach the window's event boundary.
#include <cstddef>
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

  // WM_AD_REPORT. wparam is the message's wParam: a tag of one of the program's own posts names
  // the address; 0 or an unknown tag (an outside report) reads LastBlockURL. Adds the history
  // entry, raises BlockedTotal and, when the notice switch is on (KillAd_Sound in place of
  // KillAd_Notice when it exists), plays conf\blocked.wav and shows the balloon. A window the
  // helper object kept from opening (TakeHandOver) is reported only while blocking is on and
  // the lists still block its address, and then its address is written to LastBlockURL as the
  // scan writes it; otherwise its report is dropped without a trace.
  void ReportBlockedWindow(unsigned long long wparam = 0);

  // WM_AD_ADDURL. wparam 0 (the mailbox road): reads LastAddUrl and takes it out of the mailbox,
  // so that a second message without a new address adds nothing. A tag of TakeHandOver's names
  // the address instead, and the mailbox is left alone. The address is appended to the black
  // list in the file and in the page's view, and the balloon is shown. A missing address, or one
  // that would read back empty from the file, adds nothing and shows nothing.
  void AddUrlToBlackList(unsigned long long wparam = 0);

  // A WM_COPYDATA hand-over from a companion (ad_messages.h): the bytes are checked
  // (HandedOverAddress), an address to add must be one the browser side may add
  // (BrowserSideEntryFor), then it waits in order for the WM_AD_ADDURL or WM_AD_REPORT posted
  // with its tag. False, with nothing posted, for another tag, refused bytes or when too many
  // wait already. Raises nothing: it runs inside the sender's call.
  bool TakeHandOver(unsigned long tag, const char* bytes, size_t length);

  // Click on a history entry; address is the entry's hint. The address joins the temporary
  // white list (file and view) unless already there, and opens in Internet Explorer.
  void BlockedHistoryItemClick(const std::string& address);

  int BlockedTotal() const { return blocked_total_; }
  const BlockedHistoryMenu& Subitem_KilledAd() const { return history_; }
  BlockedHistoryMenu& Subitem_KilledAd() { return history_; }

  // Reports posted by a scan and not yet handled (a lost post leaves an entry behind; the
  // oldest are forgotten past this many). Handed-over addresses waiting: at most as many.
  static constexpr size_t kMaxPendingReports = 1024;
  size_t PendingReports() const { return pending_reports_.size(); }

 private:
  struct PendingReport {
    std::string address;
    bool recheck = false;  // handed over: blocked by the helper object, checked again here
  };
  bool BlockingSwitchedOn();
  // The blocker's rule over conf\KillAD.ini as it is now.
  bool Blocks(const std::string& address);
  void PostReport(const std::string& address, bool recheck);
  unsigned long long NextTag();

  BlockingEngineServices services_;
  AdPage& page_;
  std::string program_folder_;
  std::string ini_path_;
  int blocked_total_ = 0;
  BlockedHistoryMenu history_;
  unsigned long long next_tag_ = 1;
  std::map<unsigned long long, PendingReport> pending_reports_;  // tag -> closed address
  std::map<unsigned long long, std::string> pending_adds_;       // tag -> handed-over address
};

}  // namespace orv
