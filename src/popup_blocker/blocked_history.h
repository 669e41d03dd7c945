#pragma once
// The tray sub-menu of recently blocked windows (Subitem_KilledAd, "已拦截的窗口"): at most ten
// entries, oldest first, each "(n) " + shortened address with the full address as its hint.
// An address reported again moves to the end with its count raised, so it is never listed
// twice. The entries live as long as the program and are never stored.
#include <string>
#include <vector>

#include "shell/tray_menu.h"

namespace orv {

// Entries are HistoryEntry: caption "(n) " + shortened address, hint the full address (shown as
// the entry's tool tip).
class BlockedHistoryMenu : public BlockedWindowHistory {
 public:
  static constexpr int kMaxEntries = 10;

  // Adds an entry for address, or moves its entry to the end with the count raised by one.
  // caption is the shortened address; the count prefix is added here.
  void AddBlockedHistoryItem(const std::string& caption, const std::string& address);
  // First entry, from the top, whose hint equals address exactly (case-sensitive), or -1.
  int FindHistoryItemByHint(const std::string& address) const;
  // The number between the leading "(" and the first ")" of a caption; 0 when there is none.
  static int HistoryItemRepeatCount(const std::string& caption);

  // Disabled until its first entry.
  bool Enabled() const { return enabled_; }
  std::vector<HistoryEntry> Entries() const override { return entries_; }
  const HistoryEntry& Entry(int index) const { return entries_[index]; }
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  std::vector<HistoryEntry> entries_;
  bool enabled_ = false;
};

}  // namespace orv
