// The program's switch of Cravet.dll with the real library in this process: the hook runs on the
// library's thread, the test's own browser frame receives what a downward stroke does.
#include "gestures/win32/mouse_hook_library.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

std::vector<UINT> g_seen;  // WM_RBUTTONDOWN, and WM_VSCROLL codes as 0x10000 + code

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_RBUTTONDOWN) g_seen.push_back(message);
  if (message == WM_VSCROLL && LOWORD(wparam) != SB_ENDSCROLL) g_seen.push_back(0x10000 + LOWORD(wparam));
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

void Pump(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  MSG msg;
  do {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  } while (GetTickCount() < end);
}

void Send(DWORD flags, int x = 0, int y = 0) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  const LONGLONG w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = static_cast<LONG>((x * 65536LL + w - 1) / w);
  in.mi.dy = static_cast<LONG>((y * 65536LL + h - 1) / h);
  SendInput(1, &in, sizeof(in));
}

// A downward stroke over the window, then what reached it.
std::vector<UINT> StrokeDown() {
  g_seen.clear();
  Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 250, 150);
  Send(MOUSEEVENTF_RIGHTDOWN);
  for (int y = 170; y <= 270; y += 20) Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 250, y);
  Send(MOUSEEVENTF_RIGHTUP);
  Pump(400);
  return g_seen;
}

const std::vector<UINT> kScrolledOnce = {0x10000 + SB_PAGEDOWN};
const std::vector<UINT> kPressArrived = {WM_RBUTTONDOWN};

TEST(CravetHook, EnableAndDisableAreHarmlessWhenRepeated) {
  // A browser frame of this thread that records through its own procedure, whatever registered
  // the class first.
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "IEFrame";
  RegisterClassA(&wc);
  HWND frame = CreateWindowExA(WS_EX_TOPMOST, "IEFrame", "", WS_POPUP | WS_VISIBLE, 100, 100,
                               300, 300, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(frame, nullptr);
  SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc));
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tavrosel\\Orvanel", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const DWORD scroll_down = 4;
  RegSetValueExA(key, "Mouse_ActionDown", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&scroll_down),
                 sizeof(scroll_down));
  Pump(50);

  CravetMouseHook hook(nullptr);
  hook.Disable();  // before any enable
  hook.Enable();
  hook.Enable();
  EXPECT_EQ(StrokeDown(), kScrolledOnce);
  // One disable takes it away: the second enable left no hook behind.
  hook.Disable();
  hook.Disable();
  EXPECT_EQ(StrokeDown(), kPressArrived);
  hook.Enable();
  EXPECT_EQ(StrokeDown(), kScrolledOnce);
  hook.Disable();
  RegDeleteValueA(key, "Mouse_ActionDown");
  RegCloseKey(key);
  DestroyWindow(frame);
}

}  // namespace
}  // namespace orv
