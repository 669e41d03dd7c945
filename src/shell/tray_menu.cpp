#include "shell/tray_menu.h"

namespace orv {

std::vector<HistoryEntry> IconMenu::Current() const {
  return history_ ? history_->Entries() : std::vector<HistoryEntry>();
}

std::vector<HistoryEntry> IconMenu::BlockedWindows() {
  std::vector<HistoryEntry> entries = Current();
  shown_addresses_.clear();
  for (const HistoryEntry& e : entries) shown_addresses_.push_back(e.hint);
  return entries;
}

bool IconMenu::BlockedWindowsEnabled() const { return !Current().empty(); }

const std::string* IconMenu::BlockedWindowAddress(int index) const {
  if (index < 0 || index >= static_cast<int>(shown_addresses_.size())) return nullptr;
  return &shown_addresses_[index];
}

}  // namespace orv
