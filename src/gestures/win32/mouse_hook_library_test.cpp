// The program's switch of Cravet.dll with the real library in this process: the hook runs on the
// library's thread, the test's own browser frame receives what a gesture does.
#include "gestures/win32/mouse_hook_library.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

const char kSettingsKey[] = "Software\\Tavrosel\\Orvanel";
const char kDownValue[] = "Mouse_ActionDown";

std::vector<UINT> g_seen;  // WM_RBUTTONDOWN and WM_VSCROLL codes (as 0x10000 + code)

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_RBUTTONDOWN) g_seen.push_back(message);
  if (message == WM_VSCROLL && LOWORD(wparam) != SB_ENDSCROLL) g_seen.push_back(0x10000 + LOWORD(wparam));
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

class CravetHookTest : public ::testing::Test {
 protected:
  // One frame for the suite: under Wine without a window manager, destroying a shown top-level
  // window waits two seconds for the X server.
  static void SetUpTestSuite() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "IEFrame";
    RegisterClassA(&wc);  // other tests may have registered the class with their procedure
    frame_ = CreateWindowExA(WS_EX_TOPMOST, "IEFrame", "", WS_POPUP | WS_VISIBLE, 100, 100, 300,
                             300, nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProc));
  }
  static void TearDownTestSuite() { DestroyWindow(frame_); }

  void SetUp() override {
    ASSERT_NE(frame_, nullptr);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    DWORD size = sizeof(saved_);
    had_value_ = RegQueryValueExA(key_, kDownValue, nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(&saved_), &size) == ERROR_SUCCESS;
    const DWORD scroll_down = 4;
    RegSetValueExA(key_, kDownValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&scroll_down),
                   sizeof(scroll_down));
    Pump(50);
  }
  void TearDown() override {
    hook_.Disable();
    if (had_value_)
      RegSetValueExA(key_, kDownValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved_),
                     sizeof(saved_));
    else
      RegDeleteValueA(key_, kDownValue);
    RegCloseKey(key_);
    g_seen.clear();
  }

  static void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    do {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(10);
    } while (GetTickCount() < end);
  }
  static void Send(DWORD flags, int x = 0, int y = 0) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
      const LONGLONG w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
      in.mi.dx = static_cast<LONG>((x * 65536LL + w - 1) / w);
      in.mi.dy = static_cast<LONG>((y * 65536LL + h - 1) / h);
    }
    SendInput(1, &in, sizeof(in));
  }
  // A downward stroke over the frame, then what reached it.
  std::vector<UINT> StrokeDown() {
    g_seen.clear();
    Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 250, 150);
    Send(MOUSEEVENTF_RIGHTDOWN);
    for (int y = 170; y <= 270; y += 20) Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 250, y);
    Send(MOUSEEVENTF_RIGHTUP);
    Pump(400);
    return g_seen;
  }

  static HWND frame_;
  HKEY key_ = nullptr;
  DWORD saved_ = 0;
  bool had_value_ = false;
  CravetMouseHook hook_{nullptr};
};

HWND CravetHookTest::frame_ = nullptr;

const std::vector<UINT> kScrolledOnce = {0x10000 + SB_PAGEDOWN};
const std::vector<UINT> kPressArrived = {WM_RBUTTONDOWN};

TEST_F(CravetHookTest, ASecondEnableInstallsNoSecondHook) {
  hook_.Disable();  // before any enable: nothing to do
  hook_.Enable();
  hook_.Enable();
  EXPECT_EQ(StrokeDown(), kScrolledOnce);
  // One disable takes it away: no hook was left behind by the second enable.
  hook_.Disable();
  EXPECT_EQ(StrokeDown(), kPressArrived);
}

TEST_F(CravetHookTest, DisableRemovesTheHookAndEnableWorksAgain) {
  hook_.Enable();
  hook_.Disable();
  hook_.Disable();
  EXPECT_EQ(StrokeDown(), kPressArrived);
  hook_.Enable();
  EXPECT_EQ(StrokeDown(), kScrolledOnce);
}

}  // namespace
}  // namespace orv
