#pragma once
// The tray menu IconMenu as the skinned menu shows it: its fixed entries with their command ids
// and the blocked-window sub-menu from the history.
#include <windows.h>

#include <vector>

#include "shell/tray_menu.h"
#include "shell/win32/skinned_menu.h"

namespace orv::win32 {

// WM_COMMAND ids of the tray menu (lParam 0). Entry i of the blocked-window sub-menu (top
// first) is kCmdBlockedFirst + i.
enum TrayCommand : UINT {
  kCmdInetOpt = 101,
  kCmdSysInfo = 102,
  kCmdHide = 103,
  kCmdDisp = 104,
  kCmdExit = 105,
  kCmdBlockedFirst = 1000,
  kCmdBlockedLast = 1999,
};

// The entries of the menu being built now. The model keeps the blocked-window addresses of this
// build for the picks (IconMenu::BlockedWindowAddress).
std::vector<MenuEntry> TrayMenuEntries(IconMenu& model);

}  // namespace orv::win32
