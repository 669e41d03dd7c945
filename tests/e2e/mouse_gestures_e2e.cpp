// Mouse gestures of the real program: Orvanel.exe switches its hook library Cravet.dll on at
// start, and the driver moves the mouse with SendInput on the shared desktop over frames it makes
// itself (top-level class "IEFrame", or another, with a view inside) that record what reaches them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <iostream>
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000, kActionTimeoutMs = 5000;
const char kViewClass[] = "GestureTestView";
const char kOtherFrameClass[] = "GestureTestFrame";
const char* const kValueNames[] = {"Mouse_ActionLeft", "Mouse_ActionRight", "Mouse_ActionUp",
                                   "Mouse_ActionDown", "Mouse_ActionMiddle"};

struct Seen {
  HWND window;
  UINT message;
  WORD code;  // the scroll code, or the command of WM_APPCOMMAND
};
std::vector<Seen> g_seen;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_MBUTTONDOWN: case WM_MBUTTONUP:
    case WM_CONTEXTMENU: case WM_VSCROLL: case WM_HSCROLL: case WM_CLOSE: case WM_SYSCOMMAND:
      g_seen.push_back({hwnd, message, LOWORD(wparam)});
      break;
    case WM_APPCOMMAND:
      g_seen.push_back({hwnd, message, static_cast<WORD>(GET_APPCOMMAND_LPARAM(lparam))});
      break;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

int Count(HWND window, UINT message, int code = -1) {
  int n = 0;
  for (const Seen& s : g_seen)
    n += s.window == window && s.message == message && (code < 0 || s.code == code);
  return n;
}

// A top-level frame of the driver's thread with a view filling it, on top at a fixed place.
struct TestFrame {
  HWND frame = nullptr, view = nullptr;

  explicit TestFrame(const char* class_name) {
    static const bool registered = [] {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = RecordingProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      wc.lpszClassName = kViewClass;
      const bool view = RegisterClassA(&wc) != 0;
      wc.lpszClassName = kOtherFrameClass;
      return view && RegisterClassA(&wc) && RegisterBrowserFrameClass();
    }();
    if (!registered) return;
    frame = CreateWindowExA(WS_EX_TOPMOST, class_name, "gesture test", WS_OVERLAPPEDWINDOW, 200,
                            120, 560, 420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!frame) return;
    // The shared "IEFrame" class has DefWindowProcA: these frames record through their own.
    SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
    RECT client;
    GetClientRect(frame, &client);
    view = CreateWindowExA(0, kViewClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                           client.bottom, frame, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(frame, SW_SHOW);
    SetForegroundWindow(frame);
    PumpMessages();
  }
  ~TestFrame() {
    if (IsWindow(frame)) DestroyWindow(frame);
    PumpMessages();
  }
  POINT Centre() const {
    RECT r;
    GetWindowRect(view, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
};

// Input as a user's mouse makes it; under Wine SendInput returns once the hooks have answered.
void SendMouse(DWORD flags, POINT at = POINT{0, 0}) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  // 0 to 65535 over the screen, rounded up so that the system's division gives the pixel back.
  const LONGLONG w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = static_cast<LONG>((at.x * 65536LL + w - 1) / w);
  in.mi.dy = static_cast<LONG>((at.y * 65536LL + h - 1) / h);
  EXPECT_EQ(SendInput(1, &in, sizeof(in)), 1u) << "SendInput failed, error " << GetLastError();
}

enum Stroke { kLeft, kRight, kUp, kDown, kMiddle, kClick };

// A stroke of 120 pixels in six steps with the right button held, a middle click or a right click.
void Make(Stroke stroke, POINT from) {
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from);
  const bool middle = stroke == kMiddle;
  SendMouse(middle ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_RIGHTDOWN);
  for (int step = 1; step <= 6 && stroke < kMiddle; ++step) {
    const int d = 20 * step;
    POINT p{from.x + (stroke == kRight) * d - (stroke == kLeft) * d,
            from.y + (stroke == kDown) * d - (stroke == kUp) * d};
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p);
  }
  SendMouse(middle ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_RIGHTUP);
}

class MouseGesturesE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    const std::string folder =
        MakeProgramFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(program_.Start(folder + "Orvanel.exe"));
    main_ = WaitForMainWindow(program_.id(), kTimeoutMs);
    ASSERT_NE(main_, nullptr) << "no started main window";
    g_seen.clear();
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
  }
  void AssignAll(DWORD action) {
    for (const char* name : kValueNames) ASSERT_TRUE(WriteSettingDword(name, action));
  }

  Process program_;
  HWND main_ = nullptr;
};

TEST_F(MouseGesturesE2e, GesturesOverABrowserFrameRunTheirAssignedActions) {
  // Where the action shows: a message at the frame or the view, or the frame's state.
  enum Effect { kAtFrame, kAtView, kClosed, kMaximised, kMinimised };
  const struct {
    Stroke stroke;
    DWORD action;  // stored just before the gesture: the library reads it when the gesture ends
    Effect effect;
    UINT message;
    int code;
  } rows[] = {
      {kLeft, 1, kAtFrame, WM_APPCOMMAND, APPCOMMAND_BROWSER_BACKWARD},
      {kRight, 2, kAtFrame, WM_APPCOMMAND, APPCOMMAND_BROWSER_FORWARD},
      {kUp, 3, kAtView, WM_VSCROLL, SB_PAGEUP},
      {kDown, 4, kAtView, WM_VSCROLL, SB_PAGEDOWN},
      {kLeft, 5, kAtView, WM_HSCROLL, SB_PAGELEFT},
      {kRight, 6, kAtView, WM_HSCROLL, SB_PAGERIGHT},
      {kDown, 7, kClosed, WM_CLOSE, -1},
      {kMiddle, 8, kMaximised, 0, 0},
      {kUp, 9, kMinimised, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("stroke " + std::to_string(row.stroke) + ", action " + std::to_string(row.action));
    ASSERT_TRUE(WriteSettingDword(kValueNames[row.stroke], row.action));
    g_seen.clear();
    TestFrame browser("IEFrame");
    ASSERT_NE(browser.view, nullptr);
    Make(row.stroke, browser.Centre());
    EXPECT_TRUE(WaitUntilPumping(
        [&] {
          switch (row.effect) {
            case kAtFrame: return Count(browser.frame, row.message, row.code) == 1;
            case kAtView: return Count(browser.view, row.message, row.code) == 1;
            case kClosed: return Count(browser.frame, WM_CLOSE) == 1 && !IsWindow(browser.frame);
            case kMaximised: return IsZoomed(browser.frame) != FALSE;
            case kMinimised: return IsIconic(browser.frame) != FALSE;
          }
          return false;
        },
        kActionTimeoutMs))
        << g_seen.size() << " messages recorded";
    // The gesture's own button messages never reach the browser.
    for (UINT button : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP})
      EXPECT_EQ(Count(browser.view, button) + Count(browser.frame, button), 0) << button;
  }
}

TEST_F(MouseGesturesE2e, PlainClicksStillReachTheBrowser) {
  AssignAll(9);  // a click taken for a stroke would minimise the frame
  ASSERT_TRUE(WriteSettingDword("Mouse_ActionMiddle", 0));  // nothing: the click goes back
  TestFrame browser("IEFrame");
  ASSERT_NE(browser.view, nullptr);
  Make(kClick, browser.Centre());
  Make(kMiddle, browser.Centre());
  EXPECT_TRUE(WaitUntilPumping([&] { return Count(browser.view, WM_MBUTTONUP) == 1; },
                               kActionTimeoutMs));
  PumpMessages();
  for (UINT message : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU, WM_MBUTTONDOWN})
    EXPECT_EQ(Count(browser.view, message), 1) << message;
  EXPECT_FALSE(IsIconic(browser.frame) || IsZoomed(browser.frame));
}

TEST_F(MouseGesturesE2e, GesturesOverAWindowOfAnotherClassChangeNothing) {
  AssignAll(7);  // anything taken for a gesture would close the window
  TestFrame other(kOtherFrameClass);
  ASSERT_NE(other.view, nullptr);
  for (Stroke stroke : {kLeft, kRight, kUp, kDown, kMiddle}) Make(stroke, other.Centre());
  // Every press and release reaches the window itself.
  EXPECT_TRUE(WaitUntilPumping([&] { return Count(other.view, WM_MBUTTONUP) == 1; },
                               kActionTimeoutMs));
  WaitUntilPumping([] { return false; }, 500);  // time for a wrong action to show
  EXPECT_EQ(Count(other.view, WM_RBUTTONDOWN), 4);
  EXPECT_EQ(Count(other.view, WM_RBUTTONUP), 4);
  ASSERT_TRUE(IsWindow(other.frame));
  for (UINT action : {WM_CLOSE, WM_APPCOMMAND, WM_VSCROLL, WM_HSCROLL, WM_SYSCOMMAND})
    EXPECT_EQ(Count(other.frame, action) + Count(other.view, action), 0) << action;
}

LRESULT Ask(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

// A control's text, asked of its own thread (GetWindowText does not ask other processes, and
// CB_GETLBTEXT across processes answers in UTF-16 under Wine).
std::string ControlText(HWND control) {
  char text[64] = {};
  Ask(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

BOOL CALLBACK CollectComboBox(HWND child, LPARAM out) {
  if (lstrcmpiA(ClassOf(child).c_str(), "ComboBox") == 0)
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
  return TRUE;
}

// What a control tells its parent when the user changes it.
void Notify(HWND control, WORD code) {
  ASSERT_TRUE(PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                           reinterpret_cast<LPARAM>(control)));
}

TEST_F(MouseGesturesE2e, AnAssignmentAppliedOnThePageCountsForTheNextGesture) {
  // The window shown ("显示窗口") with the third tree entry, "鼠标增强".
  ASSERT_TRUE(PostMessageA(main_, WM_COMMAND, 104, 0));
  HWND tree = FindWindowExA(main_, nullptr, WC_TREEVIEWA, nullptr);
  ASSERT_NE(tree, nullptr);
  LPARAM entry = Ask(tree, TVM_GETNEXTITEM, TVGN_ROOT);
  for (int i = 0; i < 2; ++i) entry = Ask(tree, TVM_GETNEXTITEM, TVGN_NEXT, entry);
  Ask(tree, TVM_SELECTITEM, TVGN_CARET, entry);
  HWND sheet = FindDescendant(main_, "TTabSheet", nullptr, "mouse");
  ASSERT_NE(sheet, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, kTimeoutMs));

  // The first run's assignments, in lists of ten items.
  std::vector<HWND> combos;
  EnumChildWindows(sheet, CollectComboBox, reinterpret_cast<LPARAM>(&combos));
  ASSERT_EQ(combos.size(), 5u);
  const LRESULT defaults[] = {1, 2, 3, 4, 8};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Ask(combos[i], CB_GETCOUNT), 10);
    EXPECT_EQ(Ask(combos[i], CB_GETCURSEL), defaults[i]) << kValueNames[i];
  }
  EXPECT_EQ(ControlText(combos[4]), "最大化");
  HWND apply = FindDescendant(sheet, "Button", nullptr, "应用");
  HWND cancel = FindDescendant(sheet, "Button", nullptr, "取消");
  ASSERT_TRUE(apply && cancel);
  EXPECT_FALSE(IsWindowEnabled(apply) || IsWindowEnabled(cancel));

  // "最小化" picked for the stroke to the left enables apply and cancel.
  Ask(combos[0], CB_SETCURSEL, 9);
  Notify(combos[0], CBN_SELCHANGE);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(apply) && IsWindowEnabled(cancel); },
                        kTimeoutMs));
  EXPECT_EQ(ControlText(combos[0]), "最小化");
  Ask(main_, WM_NULL);
  Sleep(300);  // painting is asynchronous
  Screenshot shot;
  ASSERT_TRUE(CaptureDesktop(&shot));
  const std::string path = SaveScreenshot(shot, "mouse_page");
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;

  // Applied, the next stroke to the left minimises; before, it still went back.
  for (bool applied : {false, true}) {
    if (applied) {
      Notify(apply, BN_CLICKED);
      EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(apply) && !IsWindowEnabled(cancel); },
                            kTimeoutMs));
    }
    TestFrame browser("IEFrame");
    ASSERT_NE(browser.view, nullptr);
    Make(kLeft, browser.Centre());
    EXPECT_TRUE(WaitUntilPumping(
        [&] { return applied ? IsIconic(browser.frame) != FALSE : Count(browser.frame, WM_APPCOMMAND) == 1; },
        kActionTimeoutMs))
        << (applied ? "applied" : "not applied yet");
  }
}

}  // namespace
}  // namespace e2e
