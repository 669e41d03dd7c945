#include "shell/win32/tray_icon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv::win32 {
namespace {

// A hidden top-level window that records the messages it is sent or that are dispatched to it.
class RecordingWindow {
 public:
  RecordingWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &RecordingWindow::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvTrayTestWindow";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            wc.hInstance, nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~RecordingWindow() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }
  std::vector<UINT> seen;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg >= WM_APP + 100) self->seen.push_back(msg);
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  HWND hwnd_;
};

struct Counts {
  int clicks = 0, double_clicks = 0, popups = 0;
  POINT popup_at{};
  std::vector<UINT> seen_at_popup;  // what the window had received when the menu opened
};

Win32TrayIcon::Handlers CountingHandlers(Counts& c, const RecordingWindow* window = nullptr) {
  return {[&c] { ++c.clicks; }, [&c] { ++c.double_clicks; },
          [&c, window](POINT at) {
            ++c.popups;
            c.popup_at = at;
            if (window) c.seen_at_popup = window->seen;
          }};
}

TEST(TrayIconRecord, VersionFiveRecordWithBalloonsOnlyFromShell5) {
#ifdef _WIN64
  EXPECT_EQ(NotifyIconRecordSize(5), 504u);
  EXPECT_EQ(NotifyIconRecordSize(6), 504u);
  EXPECT_EQ(NotifyIconRecordSize(4), 104u);
#else
  EXPECT_EQ(NotifyIconRecordSize(5), 488u);
  EXPECT_EQ(NotifyIconRecordSize(4), 88u);
#endif
  EXPECT_GT(Shell32MajorVersion(), 4);
}

TEST(TrayIconRecord, BalloonIconKindsMapToShellFlags) {
  EXPECT_EQ(BalloonIconFlag(BalloonIcon::Error), static_cast<DWORD>(NIIF_ERROR));
  EXPECT_EQ(BalloonIconFlag(BalloonIcon::Info), static_cast<DWORD>(NIIF_INFO));
  EXPECT_EQ(BalloonIconFlag(BalloonIcon::None), static_cast<DWORD>(NIIF_NONE));
  EXPECT_EQ(BalloonIconFlag(BalloonIcon::Warning), static_cast<DWORD>(NIIF_WARNING));
}

TEST(TrayIconRecord, FieldsAreCutToTheirSizeOnCharacterBoundaries) {
  char field[8];
  CopyToField("abc", field, sizeof(field));
  EXPECT_STREQ(field, "abc");
  CopyToField("abcdefghij", field, sizeof(field));
  EXPECT_STREQ(field, "abcdefg");  // 7 bytes and the NUL
  // "ab" + three double-byte characters: 8 bytes; 7 would split the last one.
  const std::string dbcs = "ab\xC0\xB9\xBD\xD8\xB5\xBD";
  CopyToField(dbcs, field, sizeof(field));
  EXPECT_EQ(std::string(field), dbcs.substr(0, 6));
  // Balloon title: at most 63 bytes.
  char title[64];
  CopyToField(std::string(100, 'x'), title, sizeof(title));
  EXPECT_EQ(std::string(title).size(), 63u);
}

TEST(TrayIconMouse, ButtonsOfTheIconBecomeClickAndDoubleClick) {
  RecordingWindow window;
  Counts c;
  Win32TrayIcon tray(window.hwnd(), nullptr, "Orvanel", CountingHandlers(c));
  EXPECT_TRUE(tray.HandleMessage(kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP));
  EXPECT_EQ(c.clicks, 1);
  EXPECT_TRUE(tray.HandleMessage(kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK));
  EXPECT_TRUE(tray.HandleMessage(kTrayCallbackMessage, kTrayIconId, WM_RBUTTONDBLCLK));
  EXPECT_EQ(c.double_clicks, 2);
  // Presses, moves and the middle button do nothing.
  for (UINT m : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_MBUTTONUP})
    EXPECT_TRUE(tray.HandleMessage(kTrayCallbackMessage, kTrayIconId, m));
  EXPECT_EQ(c.clicks, 1);
  EXPECT_EQ(c.double_clicks, 2);
  EXPECT_EQ(c.popups, 0);
  // Another icon's id and other messages are not the icon's.
  EXPECT_FALSE(tray.HandleMessage(kTrayCallbackMessage, kTrayIconId + 1, WM_LBUTTONUP));
  EXPECT_FALSE(tray.HandleMessage(WM_LBUTTONUP, kTrayIconId, 0));
  EXPECT_EQ(c.clicks, 1);
}

TEST(TrayIconMouse, RightReleaseRunsQueuedMessagesThenOpensTheMenuAtTheCursor) {
  RecordingWindow window;
  Counts c;
  Win32TrayIcon tray(window.hwnd(), nullptr, "Orvanel", CountingHandlers(c, &window));
  PostMessageA(window.hwnd(), WM_APP + 100, 0, 0);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_TRUE(tray.HandleMessage(kTrayCallbackMessage, kTrayIconId, WM_RBUTTONUP));
  ASSERT_EQ(c.popups, 1);
  EXPECT_EQ(c.popup_at.x, cursor.x);
  EXPECT_EQ(c.popup_at.y, cursor.y);
  EXPECT_EQ(c.seen_at_popup, std::vector<UINT>{WM_APP + 100});
  // After the menu, a WM_NULL waits in the queue (the menu then closes on a click elsewhere).
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, window.hwnd(), WM_NULL, WM_NULL, PM_REMOVE));
}

TEST(TrayIconMouse, AQuitMessageMetBeforeTheMenuIsLeftForTheMainLoop) {
  RecordingWindow window;
  Counts c;
  Win32TrayIcon tray(window.hwnd(), nullptr, "Orvanel", CountingHandlers(c));
  PostQuitMessage(7);
  tray.HandleMessage(kTrayCallbackMessage, kTrayIconId, WM_RBUTTONUP);
  MSG msg;
  bool quit = false;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    if (msg.message == WM_QUIT) {
      quit = true;
      EXPECT_EQ(msg.wParam, 7u);
    }
  EXPECT_TRUE(quit);
}

TEST(TrayIconShell, NewTaskbarGetsTheIconAgainAndBalloonsNeedTheIcon) {
  RecordingWindow window;
  Counts c;
  HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  Win32TrayIcon tray(window.hwnd(), icon, "Orvanel", CountingHandlers(c));
  ASSERT_TRUE(tray.Add()) << "the shell did not take the icon";
  EXPECT_TRUE(tray.SendBalloon("拦截到广告窗口", "http://ads.example/", BalloonIcon::Info, 5000));
  // The shell may still hold the icon after "TaskbarCreated" (NIM_ADD then fails): the icon is
  // taken over, so it stays shown either way, and balloons still reach it.
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(tray.HandleMessage(RegisterWindowMessageA("TaskbarCreated"), 0, 0));
    EXPECT_TRUE(tray.added()) << round;
  }
  EXPECT_TRUE(tray.SendBalloon("t", "x", BalloonIcon::Warning, 5000));
  tray.Remove();
  EXPECT_FALSE(tray.added());
  EXPECT_FALSE(tray.SendBalloon("t", "x", BalloonIcon::Info, 5000));  // no icon, no balloon
}

}  // namespace
}  // namespace orv::win32
