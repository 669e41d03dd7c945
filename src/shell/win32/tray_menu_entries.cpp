#include "shell/win32/tray_menu_entries.h"

#include <cstring>

namespace orv::win32 {

namespace {

UINT CommandOf(const char* name) {
  static const struct {
    const char* name;
    UINT id;
  } kCommands[] = {{"item_InetOpt", kCmdInetOpt}, {"item_SysInfo", kCmdSysInfo},
                   {"item_hide", kCmdHide},       {"item_disp", kCmdDisp},
                   {"item_exit", kCmdExit}};
  for (const auto& c : kCommands)
    if (std::strcmp(c.name, name) == 0) return c.id;
  return 0;
}

}  // namespace

std::vector<MenuEntry> TrayMenuEntries(IconMenu& model) {
  std::vector<MenuEntry> entries;
  for (const TrayMenuEntry& e : model.Entries()) {
    switch (e.kind) {
      case TrayMenuEntryKind::Separator:
        entries.push_back(MenuEntry::Separator());
        break;
      case TrayMenuEntryKind::SubMenu: {
        std::vector<MenuEntry> blocked;
        const std::vector<HistoryEntry> history = model.BlockedWindows();
        for (size_t i = 0; i < history.size() && kCmdBlockedFirst + i <= kCmdBlockedLast; ++i)
          blocked.push_back(MenuEntry::Command(static_cast<UINT>(kCmdBlockedFirst + i),
                                               history[i].caption, history[i].hint));
        const bool enabled = !blocked.empty();
        entries.push_back(MenuEntry::SubMenu(e.caption, std::move(blocked), enabled));
        break;
      }
      case TrayMenuEntryKind::Command:
        entries.push_back(MenuEntry::Command(CommandOf(e.name), e.caption));
        break;
    }
  }
  return entries;
}

}  // namespace orv::win32
