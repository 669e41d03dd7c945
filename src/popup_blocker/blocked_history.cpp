#include "popup_blocker/blocked_history.h"

#include <climits>

namespace orv {

int BlockedHistoryMenu::FindHistoryItemByHint(const std::string& address) const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].hint == address) return static_cast<int>(i);
  return -1;
}

int BlockedHistoryMenu::HistoryItemRepeatCount(const std::string& caption) {
  if (caption.empty() || caption[0] != '(') return 0;
  const size_t close = caption.find(')', 1);
  if (close == std::string::npos || close == 1) return 0;
  long long n = 0;
  for (size_t i = 1; i < close; ++i) {
    const char c = caption[i];
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
    if (n >= INT_MAX) return INT_MAX - 1;  // the count stops rising rather than wrap
  }
  return static_cast<int>(n);
}

void BlockedHistoryMenu::AddBlockedHistoryItem(const std::string& caption,
                                               const std::string& address) {
  int n = 1;
  const int found = FindHistoryItemByHint(address);
  if (found >= 0) {
    n = HistoryItemRepeatCount(entries_[found].caption) + 1;
    entries_.erase(entries_.begin() + found);
  } else if (static_cast<int>(entries_.size()) >= kMaxEntries) {
    entries_.erase(entries_.begin());
  }
  entries_.push_back({"(" + std::to_string(n) + ") " + caption, address});
  enabled_ = true;
}

}  // namespace orv
