#include "popup_blocker/ad_page.h"

#include "lists/ini_array.h"
#include "shell/settings.h"

namespace orv {

void AdListView::Select(int index) {
  selected = (index >= 0 && index < static_cast<int>(items.size())) ? index : -1;
}

int AdListView::Append(const std::string& caption) {
  items.push_back(caption);
  return static_cast<int>(items.size()) - 1;
}

AdPage::AdPage(FileSystem& files, Registry& registry, const std::string& program_folder)
    : files_(files), registry_(registry), ini_path_(program_folder + kKillAdIniName) {}

AdListView& AdPage::View(AdList list) {
  switch (list) {
    case AdList::Black:
      return blacklist;
    case AdList::White:
      return WhiteList;
    case AdList::Temp:
      break;
  }
  return TempWhiteList;
}

void AdPage::LoadAdPage() {
  files_.RemoveReplaceLeftovers(ini_path_);
  {
    TIniArray black(files_, ini_path_, kAdSection, kBlackListPrefix);
    blacklist.items = black.Items();
    blacklist.selected = -1;
    black_loaded_ = true;
  }
  {
    TIniArray white(files_, ini_path_, kAdSection, kWhiteListPrefix);
    WhiteList.items = white.Items();
    WhiteList.selected = -1;
    white_loaded_ = true;
  }
  {
    // The temporary white list lives for one run of the program only.
    TIniArray temp(files_, ini_path_, kAdSection, kTempWhiteListPrefix);
    temp.Clear();
  }
  LoadSwitches();
}

void AdPage::LoadSwitches() {
  RegKey key = settings::OpenKey(registry_);
  if (!key) return;
  if (key.ValueExists(settings::kAllowKillAD)) chkKillAD = key.ReadBool(settings::kAllowKillAD);
  if (key.ValueExists(settings::kKillAdNotice))
    chkKillAdNotice = key.ReadBool(settings::kKillAdNotice);
  kill_ad_known_ = notice_known_ = true;
}

namespace {
// An entry that reads back empty in the middle of a run would hide every entry after it.
std::vector<std::string> StorableEntries(const std::vector<std::string>& items) {
  std::vector<std::string> out;
  out.reserve(items.size());
  for (const std::string& s : items)
    if (!ReadsBackEmpty(s)) out.push_back(s);
  return out;
}
}  // namespace

void AdPage::SaveAdPage() {
  // Each list still opens the file, so a missing file is reported even when nothing is written.
  {
    TIniArray black(files_, ini_path_, kAdSection, kBlackListPrefix);
    if (black_loaded_) black.ReplaceAll(StorableEntries(blacklist.items));
  }
  {
    TIniArray white(files_, ini_path_, kAdSection, kWhiteListPrefix);
    if (white_loaded_) white.ReplaceAll(StorableEntries(WhiteList.items));
  }
  {
    // Never loaded, only emptied at start: the view holds just this run's entries.
    TIniArray temp(files_, ini_path_, kAdSection, kTempWhiteListPrefix);
    temp.ReplaceAll(StorableEntries(TempWhiteList.items));
  }
  if (!kill_ad_known_ && !notice_known_) return;
  RegKey key = settings::OpenKey(registry_);
  if (!key) return;
  if (kill_ad_known_) key.WriteBool(settings::kAllowKillAD, chkKillAD);
  if (notice_known_) key.WriteBool(settings::kKillAdNotice, chkKillAdNotice);
}

int AdPage::AddItem(AdList list) { return View(list).Append(kNewItemCaption); }

void AdPage::DeleteSelected(AdList list) {
  AdListView& view = View(list);
  if (view.selected < 0 || view.selected >= static_cast<int>(view.items.size())) return;
  view.items.erase(view.items.begin() + view.selected);
  view.selected = -1;
}

int AdPage::EditSelected(AdList list) {
  AdListView& view = View(list);
  if (view.selected < 0 || view.selected >= static_cast<int>(view.items.size())) return -1;
  return view.selected;
}

bool AdPage::EndEdit(AdList list, int index, const std::string& caption) {
  AdListView& view = View(list);
  if (index < 0 || index >= static_cast<int>(view.items.size())) return false;
  if (ReadsBackEmpty(caption)) return false;
  view.items[index] = caption;
  return true;
}

void AdPage::chkKillADMouseDown() {
  btn_ad_save_enabled = true;
  btn_ad_cancel_enabled = true;
}

void AdPage::ToggleSwitch(AdSwitch which) {
  bool& box = which == AdSwitch::KillAD ? chkKillAD : chkKillAdNotice;
  box = !box;
  // The user's own choice: written at the next save even if the stored values were never read.
  kill_ad_known_ = notice_known_ = true;
}

void AdPage::btn_ad_saveClick() {
  SaveAdPage();
  btn_ad_save_enabled = false;
  btn_ad_cancel_enabled = false;
}

void AdPage::btn_ad_cancelClick() {
  LoadSwitches();
  btn_ad_save_enabled = false;
  btn_ad_cancel_enabled = false;
}

void AdPage::ClearTempView() {
  TempWhiteList.items.clear();
  TempWhiteList.selected = -1;
}

}  // namespace orv
