#include "shell/tray_menu.h"

namespace orv {

std::vector<HistoryEntry> IconMenu::BlockedWindows() const {
  return history_ ? history_->Entries() : std::vector<HistoryEntry>();
}

}  // namespace orv
