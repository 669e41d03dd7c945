#pragma once
// The running program's tray menu, worked from the keyboard as a user would (test code of the
// end-to-end driver).
#include <windows.h>

#include <vector>

namespace e2e {

// The visible menu windows of a process.
std::vector<HWND> VisibleMenus(DWORD process_id);
// A key pressed and let go, posted to a window.
void PostKey(HWND window, WPARAM key);
// Opens the tray menu, goes down to "已拦截的窗口", opens it and picks its first entry (a test
// failure when a step does not happen).
void PickFirstBlockedWindow(HWND main, DWORD process_id);

}  // namespace e2e
