#include "tray_menu_keys.h"

#include <gtest/gtest.h>

#include "harness.h"

namespace e2e {

namespace {
constexpr DWORD kTimeoutMs = 20000;
}  // namespace

std::vector<HWND> VisibleMenus(DWORD process_id) {
  std::vector<HWND> menus;
  for (HWND w : FindTopLevelWindows("#32768", process_id))
    if (IsWindowVisible(w)) menus.push_back(w);
  return menus;
}

void PostKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 0);
  PostMessageA(window, WM_KEYUP, key, 0);
}

void PickFirstBlockedWindow(HWND main, DWORD process_id) {
  ASSERT_TRUE(PostMessageA(main, kTrayCallback, kTrayIconId, WM_RBUTTONUP));
  std::vector<HWND> menus;
  ASSERT_TRUE(WaitUntil([&] { return (menus = VisibleMenus(process_id)).size() == 1; }, kTimeoutMs))
      << "the tray menu did not open";
  const HWND tray_menu = menus[0];
  for (int i = 0; i < 5; ++i) PostKey(tray_menu, VK_DOWN);
  PostKey(tray_menu, VK_RIGHT);
  ASSERT_TRUE(WaitUntil([&] { return VisibleMenus(process_id).size() == 2; }, kTimeoutMs))
      << "the blocked-window sub-menu did not open";
  PostKey(tray_menu, VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return VisibleMenus(process_id).empty(); }, kTimeoutMs))
      << "the menu did not close on the pick";
}

}  // namespace e2e
