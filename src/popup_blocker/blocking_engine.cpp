#include "popup_blocker/blocking_engine.h"

#include <memory>

#include "base/ansi.h"
#include "popup_blocker/ad_messages.h"
#include "lists/ini_array.h"
#include "shell/balloon.h"
#include "shell/browser_argument.h"
#include "shell/settings.h"

namespace orv {

namespace {

// Local file and folder windows are never closed.
bool ShowsLocalFile(const std::string& address) {
  static const char kFilePrefix[] = "file:///";
  return address.size() >= 8 && AnsiLowerAscii(address.substr(0, 8)) == kFilePrefix;
}

}  // namespace

BlockingEngine::BlockingEngine(const BlockingEngineServices& services, AdPage& page,
                               const std::string& program_folder)
    : services_(services),
      page_(page),
      program_folder_(program_folder),
      ini_path_(program_folder + kKillAdIniName) {}

bool BlockingEngine::BlockingSwitchedOn() {
  RegKey key = settings::OpenKey(services_.registry);
  if (!key || !key.ValueExists(settings::kAllowKillAD)) return true;
  return key.ReadBool(settings::kAllowKillAD);
}

bool BlockingEngine::IsExempt(const std::string& address) {
  {
    TAdIniArray white(services_.files, ini_path_, kAdSection, kWhiteListPrefix);
    if (white.MatchesAny(address)) return true;
  }
  // Compared as stored: a long address reads back cut, and must still match its own entry.
  TIniArray temp(services_.files, ini_path_, kAdSection, kTempWhiteListPrefix);
  return temp.IndexOf(EntryAsReadBack(address)) >= 0;
}

void BlockingEngine::PostReport(const std::string& address) {
  const unsigned long long tag = next_tag_++;
  if (next_tag_ == 0) next_tag_ = 1;  // 0 marks an outside report
  pending_reports_[tag] = address;
  if (pending_reports_.size() > kMaxPendingReports) pending_reports_.erase(pending_reports_.begin());
  services_.window.PostToSelf(WM_AD_REPORT, tag);
}

void BlockingEngine::ScanBrowserWindows() {
  if (!BlockingSwitchedOn()) return;
  const int count = services_.browsers.Count();
  for (int i = 0; i < count; ++i) {
    std::unique_ptr<BrowserWindow> browser = services_.browsers.Item(i);
    if (!browser) continue;
    const std::string address = browser->LocationURL();
    if (ShowsLocalFile(address)) continue;
    {
      // Read afresh for every window: a change saved meanwhile counts from the next window on.
      TAdIniArray black(services_.files, ini_path_, kAdSection, kBlackListPrefix);
      if (!black.MatchesAny(address)) continue;
    }
    if (IsExempt(address)) continue;
    // Closed first, so that a window that would not close is never reported as blocked.
    browser->Quit();
    PostReport(address);
    RegKey key = settings::OpenKey(services_.registry);
    if (key) key.WriteString(settings::kLastBlockURL, address);
  }
}

void BlockingEngine::ReportBlockedWindow(unsigned long long wparam) {
  std::string address;
  bool known = false;
  if (wparam != 0) {
    auto it = pending_reports_.find(wparam);
    if (it != pending_reports_.end()) {
      address = std::move(it->second);
      pending_reports_.erase(it);
      known = true;
    }
  }
  bool notice = false;
  {
    RegKey key = settings::OpenKey(services_.registry);
    if (key) {
      if (!known) address = key.ReadString(settings::kLastBlockURL);
      if (key.ValueExists(settings::kKillAdNotice)) notice = key.ReadBool(settings::kKillAdNotice);
      if (key.ValueExists(settings::kKillAdSound)) notice = key.ReadBool(settings::kKillAdSound);
    }
  }
  history_.AddBlockedHistoryItem(ShortenText(address, kHistoryCaptionWidth), address);
  ++blocked_total_;
  if (!notice) return;
  services_.sound.PlayAsync(program_folder_ + kBlockedSoundName);
  ShowBalloon(services_.tray, kBlockedBalloonTitle,
              ShortenText(address, kBalloonTextWidth) + "\r\n" + kBlockedTotalLabel +
                  std::to_string(blocked_total_),
              BalloonIcon::Info);
}

void BlockingEngine::AddUrlToBlackList() {
  std::string address;
  {
    RegKey key = settings::OpenKey(services_.registry);
    if (key) address = key.ReadString(settings::kLastAddUrl);
  }
  // An entry that reads back empty would hide every entry after it in the black list's run.
  if (ReadsBackEmpty(address)) return;
  {
    TIniArray black(services_.files, ini_path_, kAdSection, kBlackListPrefix);
    black.Add(address);
  }
  page_.blacklist.Append(address);
  ShowBalloon(services_.tray, kAddedBalloonTitle, ShortenText(address, kBalloonTextWidth),
              BalloonIcon::Info);
}

void BlockingEngine::BlockedHistoryItemClick(const std::string& address) {
  // An address that reads back empty cannot be kept in the run (it would hide the entries
  // after it); one that reads back cut is on the list once its cut form is.
  if (!ReadsBackEmpty(address)) {
    TIniArray temp(services_.files, ini_path_, kAdSection, kTempWhiteListPrefix);
    if (temp.IndexOf(EntryAsReadBack(address)) < 0) {
      temp.Add(address);
      page_.TempWhiteList.Append(address);
    }
  }
  services_.shell.Execute("open", "IEXPLORE", BrowserArgumentFor(address), ShowCommand::Normal);
}

}  // namespace orv
