#include "popup_blocker/blocking_engine.h"

#include <memory>

#include "popup_blocker/ad_messages.h"
#include "popup_blocker/block_rule.h"
#include "popup_blocker/companion_contract.h"
#include "lists/ini_array.h"
#include "shell/balloon.h"
#include "shell/browser_argument.h"
#include "shell/settings.h"

namespace orv {

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

bool BlockingEngine::Blocks(const std::string& address) {
  // Each list is read afresh: a change saved meanwhile counts from the next window on.
  return BlocksAddress(
      address,
      {[this](const std::string& a) {
         return TAdIniArray(services_.files, ini_path_, kAdSection, kBlackListPrefix).MatchesAny(a);
       },
       [this](const std::string& a) {
         return TAdIniArray(services_.files, ini_path_, kAdSection, kWhiteListPrefix).MatchesAny(a);
       },
       [this](const std::string& a) {
         return TIniArray(services_.files, ini_path_, kAdSection, kTempWhiteListPrefix).IndexOf(a) >=
                0;
       }});
}

unsigned long long BlockingEngine::NextTag() {
  const unsigned long long tag = next_tag_++;
  if (next_tag_ == 0) next_tag_ = 1;  // 0 marks an outside message
  return tag;
}

void BlockingEngine::PostReport(const std::string& address, bool recheck) {
  const unsigned long long tag = NextTag();
  pending_reports_[tag] = PendingReport{address, recheck};
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
    if (!Blocks(address)) continue;
    // Closed first, so that a window that would not close is never reported as blocked.
    browser->Quit();
    PostReport(address, false);
    RegKey key = settings::OpenKey(services_.registry);
    if (key) key.WriteString(settings::kLastBlockURL, address);
  }
}

bool BlockingEngine::TakeHandOver(unsigned long tag, const char* bytes, size_t length) {
  if (tag != kCopyDataAddUrl && tag != kCopyDataBlockedWindow) return false;
  const std::string address = HandedOverAddress(bytes, length);
  if (address.empty()) return false;
  if (tag == kCopyDataBlockedWindow) {
    PostReport(address, true);
    return true;
  }
  const std::string entry = BrowserSideEntryFor(address);
  if (entry.empty() || pending_adds_.size() >= kMaxPendingReports) return false;
  const unsigned long long message_tag = NextTag();
  pending_adds_[message_tag] = entry;
  services_.window.PostToSelf(WM_AD_ADDURL, message_tag);
  return true;
}

void BlockingEngine::ReportBlockedWindow(unsigned long long wparam) {
  std::string address;
  bool known = false;
  if (wparam != 0) {
    auto it = pending_reports_.find(wparam);
    if (it != pending_reports_.end()) {
      const PendingReport report = std::move(it->second);
      pending_reports_.erase(it);
      // No other process may put an address of its choosing into the history.
      if (report.recheck && (!BlockingSwitchedOn() || !Blocks(report.address))) return;
      address = report.address;
      known = true;
      if (report.recheck) {
        RegKey key = settings::OpenKey(services_.registry);
        if (key) key.WriteString(settings::kLastBlockURL, address);
      }
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

void BlockingEngine::AddUrlToBlackList(unsigned long long wparam) {
  std::string address;
  bool from_mailbox = true;
  if (wparam != 0) {
    auto it = pending_adds_.find(wparam);
    if (it != pending_adds_.end()) {
      address = std::move(it->second);
      pending_adds_.erase(it);
      from_mailbox = false;
    }
  }
  if (from_mailbox) {
    RegKey key = settings::OpenKey(services_.registry);
    if (key) {
      address = key.ReadString(settings::kLastAddUrl);
      // Taken out at once, so that a second message without a new address adds it no second
      // time; a sender writes its next address only after its message.
      key.DeleteValue(settings::kLastAddUrl);
    }
  }
  // An entry that reads back empty would hide every entry after it in the black list's run.
  if (!ReadsBackEmpty(address)) {
    {
      TIniArray black(services_.files, ini_path_, kAdSection, kBlackListPrefix);
      black.Add(address);
    }
    page_.blacklist.Append(address);
    ShowBalloon(services_.tray, kAddedBalloonTitle, ShortenText(address, kBalloonTextWidth),
                BalloonIcon::Info);
  }
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
