#include "shell/win32/application_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orv::win32 {
namespace {

// A main window owned by the application window, reporting its visibility to it as the
// program's main window does, and recording what happens to it.
class OwnedWindow {
 public:
  explicit OwnedWindow(ApplicationWindow& application) : application_(application) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &OwnedWindow::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvOwnedTestWindow";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    // Hidden and minimised, as after a minimise to the tray (hiding a window costs seconds
    // under Wine without a window manager, so it starts that way).
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "main", WS_OVERLAPPEDWINDOW | WS_MINIMIZE, 50,
                            50, 300, 200, application.handle(), nullptr, wc.hInstance, this);
  }
  ~OwnedWindow() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }
  std::vector<std::string> events;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
      SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<OwnedWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
      if (msg == WM_SHOWWINDOW && wp) self->events.push_back("shown");
      if (msg == WM_SIZE && wp == SIZE_RESTORED) self->events.push_back("restored");
      if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) self->events.push_back("activated");
      if (msg == WM_WINDOWPOSCHANGED) {
        const UINT flags = reinterpret_cast<const WINDOWPOS*>(lp)->flags;
        if (flags & SWP_SHOWWINDOW) self->application_.MainShown(true);
        if (flags & SWP_HIDEWINDOW) self->application_.MainShown(false);
      }
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  ApplicationWindow& application_;
  HWND hwnd_ = nullptr;
};

std::string TextOf(HWND hwnd) {
  char text[64] = {};
  GetWindowTextA(hwnd, text, sizeof(text));
  return text;
}

// Hidden in the tray after a minimise, the main window comes back shown, then restored, then
// in front; the application window, whose title the taskbar shows, is there exactly as long.
TEST(ApplicationWindow, ShowsRestoresAndRaisesTheMainWindowAndFollowsItsVisibility) {
  ApplicationWindow application;
  ASSERT_TRUE(application.Create(GetModuleHandleA(nullptr), "Tavrosel Orvanel", nullptr, nullptr));
  OwnedWindow main(application);
  ASSERT_NE(main.hwnd(), nullptr);
  application.set_main(main.hwnd());
  HWND entry = application.handle();
  EXPECT_EQ(TextOf(entry), "Tavrosel Orvanel");
  EXPECT_EQ(GetWindow(entry, GW_OWNER), nullptr);  // listed in the taskbar
  EXPECT_FALSE(GetWindowLongPtrA(entry, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_EQ(GetWindow(main.hwnd(), GW_OWNER), entry);  // not listed itself
  EXPECT_FALSE(IsWindowVisible(entry));
  ASSERT_TRUE(IsIconic(main.hwnd()));
  main.events.clear();

  application.ShowMain();
  ASSERT_FALSE(main.events.empty());
  EXPECT_EQ(main.events.front(), "shown");
  const auto restored = std::find(main.events.begin(), main.events.end(), "restored");
  EXPECT_NE(restored, main.events.end()) << "never restored";
  EXPECT_TRUE(IsWindowVisible(main.hwnd()));
  EXPECT_FALSE(IsIconic(main.hwnd()));
  EXPECT_EQ(GetForegroundWindow(), main.hwnd());
  EXPECT_TRUE(IsWindowVisible(entry));
  RECT r{};
  GetWindowRect(entry, &r);
  EXPECT_EQ(r.right - r.left, 0);  // nothing of it shows but its taskbar entry

  ShowWindow(main.hwnd(), SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(entry));
}

}  // namespace
}  // namespace orv::win32
