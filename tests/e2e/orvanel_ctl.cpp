// orvanel_ctl.exe: small remote control for a running Orvanel.exe on the desktop "shell", used by
// tools/run.sh when there is no screen to look at.
//   orvanel_ctl show  [timeout_ms]   waits for the main window and shows it
//   orvanel_ctl menu  [timeout_ms]   opens the tray menu as a right click on the icon does
//   orvanel_ctl close [timeout_ms]   closes the main window and waits for the program to end
// Exit code 0 on success, 1 on timeout or failure, 2 on bad arguments.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "harness.h"

namespace {

// The running program's main window, or null after saying why.
HWND WaitForAnyMainWindow(DWORD timeout_ms) {
  HWND hwnd = e2e::WaitForMainWindow(0, timeout_ms);
  if (!hwnd) std::fprintf(stderr, "orvanel_ctl: no Orvanel window appeared\n");
  return hwnd;
}

// What the shell sends the window for clicks on its tray icon.
constexpr UINT kTrayCallback = WM_APP + 1;
constexpr WPARAM kTrayIconId = 1;

int Show(DWORD timeout_ms) {
  HWND hwnd = WaitForAnyMainWindow(timeout_ms);
  if (!hwnd) return 1;
  // As a click on the tray icon shows it (with its taskbar entry).
  PostMessageA(hwnd, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
  if (!e2e::WaitUntil([&] { return IsWindowVisible(hwnd) != FALSE; }, timeout_ms)) return 1;
  // Let the window paint before anyone takes a picture: a round trip through its queue.
  DWORD_PTR ignored;
  SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &ignored);
  return 0;
}

int Menu(DWORD timeout_ms) {
  HWND hwnd = WaitForAnyMainWindow(timeout_ms);
  if (!hwnd) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  PostMessageA(hwnd, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
  auto menu_open = [&] {
    for (HWND w : e2e::FindTopLevelWindows("#32768", pid))
      if (IsWindowVisible(w)) return true;
    return false;
  };
  if (!e2e::WaitUntil(menu_open, timeout_ms)) {
    std::fprintf(stderr, "orvanel_ctl: the tray menu did not open\n");
    return 1;
  }
  Sleep(300);  // the menu window is up; give its owner-drawn entries time to paint
  return 0;
}

int Close(DWORD timeout_ms) {
  HWND hwnd = WaitForAnyMainWindow(timeout_ms);
  if (!hwnd) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  bool ended = process && WaitForSingleObject(process, timeout_ms) == WAIT_OBJECT_0;
  if (process) CloseHandle(process);
  if (!ended) std::fprintf(stderr, "orvanel_ctl: the program did not end\n");
  return ended ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orvanel_ctl show|menu|close [timeout_ms]\n");
    return 2;
  }
  const DWORD timeout_ms = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 30000;
  if (!e2e::EnterShellDesktop()) {
    std::fprintf(stderr, "orvanel_ctl: cannot enter the shell desktop\n");
    return 1;
  }
  if (std::strcmp(argv[1], "show") == 0) return Show(timeout_ms);
  if (std::strcmp(argv[1], "menu") == 0) return Menu(timeout_ms);
  if (std::strcmp(argv[1], "close") == 0) return Close(timeout_ms);
  std::fprintf(stderr, "orvanel_ctl: unknown command %s\n", argv[1]);
  return 2;
}
