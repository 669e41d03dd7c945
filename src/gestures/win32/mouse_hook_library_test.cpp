// The program's switch of Cravet.dll with the real library in this process: the hook runs on the
// library's thread, and a browser frame of the test's own, laid out as the browser's (a toolbar,
// a tab in the background, the visible tab's page), records what reaches it. HKEY_CURRENT_USER
// is a key of the test's own for the whole process, so the settings the library reads are the
// test's, never the user's.
#include "gestures/win32/mouse_hook_library.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace orv {
namespace {

const char kSettingsKey[] = "Software\\Tavrosel\\Orvanel";
const char kBarClass[] = "CravetTestBar";
const char kTabClass[] = "TabWindowClass";
const char kPageClass[] = "Internet Explorer_Server";

using Seen = std::tuple<HWND, UINT, WORD>;  // window, message, scroll code
std::vector<Seen> g_seen;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_LBUTTONDOWN: case WM_LBUTTONUP:
      g_seen.push_back({hwnd, message, 0});
      break;
    case WM_VSCROLL:
      if (LOWORD(wparam) != SB_ENDSCROLL) g_seen.push_back({hwnd, message, LOWORD(wparam)});
      break;
  }
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

void MoveTo(int x, int y) { Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y); }

// A window of `class_name` recording through RecordingProc, whatever registered the class first.
HWND MakeWindow(const char* class_name, DWORD style, DWORD ex_style, RECT r, HWND parent) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = class_name;
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(ex_style, class_name, "", style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, nullptr, wc.hInstance, nullptr);
  if (window) SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
  return window;
}

class CravetHookTest : public ::testing::Test {
 protected:
  // The frame's layout on the screen: the toolbar from y 100 to 140, the page below it.
  static constexpr int kLeft = 100, kTop = 100, kSize = 300, kBarHeight = 40;
  static constexpr int kX = kLeft + kSize / 2;

  void SetUp() override {
    own_path_ = "Software\\OrvanelTests\\CravetHook" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, own_path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &own_key_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, own_key_), ERROR_SUCCESS);
    SetAction("Mouse_ActionDown", 4);  // scroll down
    SetAction("Mouse_ActionUp", 3);    // scroll up

    frame_ = MakeWindow("IEFrame", WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST,
                        {kLeft, kTop, kLeft + kSize, kTop + kSize}, nullptr);
    ASSERT_NE(frame_, nullptr);
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    bar_ = MakeWindow(kBarClass, child, 0, {0, 0, kSize, kBarHeight}, frame_);
    const RECT below_bar{0, kBarHeight, kSize, kSize}, whole{0, 0, kSize, kSize - kBarHeight};
    HWND background_tab = MakeWindow(kTabClass, WS_CHILD, 0, below_bar, frame_);
    hidden_page_ = MakeWindow(kPageClass, child, 0, whole, background_tab);
    HWND tab = MakeWindow(kTabClass, child, 0, below_bar, frame_);
    page_ = MakeWindow(kPageClass, child, 0, whole, tab);
    ASSERT_TRUE(bar_ && hidden_page_ && page_);
    Pump(50);
  }

  void TearDown() override {
    hook_.Disable();
    if (swapped_) SwapMouseButton(FALSE);
    if (frame_) DestroyWindow(frame_);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (own_key_) {
      RegCloseKey(own_key_);
      RegDeleteTreeA(HKEY_CURRENT_USER, own_path_.c_str());
    }
  }

  void SetAction(const char* name, DWORD action) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&action), sizeof action);
    RegCloseKey(key);
  }

  // A stroke with the user's right button held from (kX, from_y) to (kX, to_y), then what
  // reached the frame's windows.
  std::vector<Seen> Stroke(int from_y, int to_y) {
    g_seen.clear();
    MoveTo(kX, from_y);
    Send(right_down_);
    const int step = to_y > from_y ? 20 : -20;
    for (int y = from_y + step; step > 0 ? y <= to_y : y >= to_y; y += step) MoveTo(kX, y);
    Send(right_up_);
    Pump(400);
    return g_seen;
  }

  std::vector<Seen> RightClick(int y) { return Stroke(y, y); }

  // The SendInput flags of the user's right button: with the buttons swapped, Windows makes a
  // physical left press a right one. Seen before the hook is on, over the page.
  void LearnTheUsersRightButton() {
    const DWORD flags[][2] = {{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
                              {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}};
    for (const auto& button : flags) {
      g_seen.clear();
      MoveTo(kX, kTop + 200);
      Send(button[0]);
      Send(button[1]);
      Pump(200);
      if (!g_seen.empty() && std::get<1>(g_seen.front()) == WM_RBUTTONDOWN) {
        right_down_ = button[0];
        right_up_ = button[1];
        return;
      }
    }
    FAIL() << "no flags make a right click here";
  }

  HKEY own_key_ = nullptr;
  std::string own_path_;
  HWND frame_ = nullptr, bar_ = nullptr, hidden_page_ = nullptr, page_ = nullptr;
  DWORD right_down_ = MOUSEEVENTF_RIGHTDOWN, right_up_ = MOUSEEVENTF_RIGHTUP;
  bool swapped_ = false;
  CravetMouseHook hook_{nullptr};
};

std::vector<Seen> Only(HWND window, UINT message, WORD code = 0) { return {{window, message, code}}; }

TEST_F(CravetHookTest, EnableAndDisableAreHarmlessWhenRepeated) {
  const std::vector<Seen> scrolled = Only(page_, WM_VSCROLL, SB_PAGEDOWN);
  hook_.Disable();  // before any enable
  hook_.Enable();
  hook_.Enable();
  EXPECT_EQ(Stroke(kTop + 60, kTop + 180), scrolled);
  // One disable takes it away: the second enable left no hook behind.
  hook_.Disable();
  hook_.Disable();
  const std::vector<Seen> pressed = Stroke(kTop + 60, kTop + 180);
  ASSERT_FALSE(pressed.empty());
  EXPECT_EQ(pressed.front(), (Seen{page_, WM_RBUTTONDOWN, 0}));
  hook_.Enable();
  EXPECT_EQ(Stroke(kTop + 60, kTop + 180), scrolled);
}

TEST_F(CravetHookTest, AScrollEndingOverTheToolbarScrollsThePageOfTheVisibleTab) {
  hook_.Enable();
  // Up from the page to the toolbar, and down from the toolbar to the page.
  EXPECT_EQ(Stroke(kTop + 200, kTop + 20), Only(page_, WM_VSCROLL, SB_PAGEUP));
  EXPECT_EQ(Stroke(kTop + 10, kTop + 130), Only(page_, WM_VSCROLL, SB_PAGEDOWN));
}

TEST_F(CravetHookTest, WithSwappedButtonsAPlainRightClickStaysARightClick) {
  swapped_ = true;
  SwapMouseButton(TRUE);
  ASSERT_NE(GetSystemMetrics(SM_SWAPBUTTON), 0);
  LearnTheUsersRightButton();
  hook_.Enable();
  const std::vector<Seen> right_click = {{page_, WM_RBUTTONDOWN, 0}, {page_, WM_RBUTTONUP, 0}};
  EXPECT_EQ(RightClick(kTop + 200), right_click);
  EXPECT_EQ(RightClick(kTop + 20), (std::vector<Seen>{{bar_, WM_RBUTTONDOWN, 0}, {bar_, WM_RBUTTONUP, 0}}));
  EXPECT_EQ(Stroke(kTop + 60, kTop + 180), Only(page_, WM_VSCROLL, SB_PAGEDOWN));
  EXPECT_EQ(RightClick(kTop + 200), right_click);  // again, after a stroke
}

}  // namespace
}  // namespace orv
