// Mouse gestures of the real program: Orvanel.exe switches its hook library Cravet.dll on at
// start, and the driver moves the mouse with SendInput on the shared desktop over browser frames
// it makes itself (top-level class "IEFrame" with a view inside), which record what reaches them.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr DWORD kActionTimeoutMs = 5000;
// After the last event of a gesture that must change nothing: time for a wrong action to show.
constexpr DWORD kSettleMs = 500;

const char kViewClass[] = "GestureTestView";
const char kOtherFrameClass[] = "GestureTestFrame";

// The messages a gesture or a click may bring, as they reached the test's windows.
struct Seen {
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};
std::vector<Seen> g_seen;

bool Recorded(UINT message) {
  switch (message) {
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_MBUTTONDOWN: case WM_MBUTTONUP:
    case WM_CONTEXTMENU: case WM_APPCOMMAND: case WM_VSCROLL: case WM_HSCROLL: case WM_CLOSE:
    case WM_SYSCOMMAND:
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (Recorded(message)) g_seen.push_back({hwnd, message, wparam, lparam});
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

int Count(HWND window, UINT message, const std::function<bool(const Seen&)>& also = nullptr) {
  int n = 0;
  for (const Seen& s : g_seen)
    if (s.window == window && s.message == message && (!also || also(s))) ++n;
  return n;
}

bool RegisterTestClasses() {
  static const bool registered = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kViewClass;
    if (!RegisterClassA(&wc)) return false;
    wc.lpszClassName = kOtherFrameClass;
    return RegisterClassA(&wc) != 0 && RegisterBrowserFrameClass();
  }();
  return registered;
}

// A top-level frame of the driver's thread with a view filling it, shown on top at a fixed place.
struct TestFrame {
  HWND frame = nullptr;
  HWND view = nullptr;

  explicit TestFrame(const char* class_name) {
    frame = CreateWindowExA(0, class_name, "gesture test", WS_OVERLAPPEDWINDOW, 200, 120, 560,
                            420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!frame) return;
    // Frames of the shared "IEFrame" class record through their own procedure.
    if (lstrcmpA(class_name, kOtherFrameClass) != 0)
      SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
    RECT client;
    GetClientRect(frame, &client);
    view = CreateWindowExA(0, kViewClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                           client.bottom, frame, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(frame);
    PumpMessages();
  }
  ~TestFrame() {
    if (IsWindow(frame)) DestroyWindow(frame);
    PumpMessages();
  }
  TestFrame(const TestFrame&) = delete;
  TestFrame& operator=(const TestFrame&) = delete;

  // The middle of the view, in desktop coordinates.
  POINT Centre() const {
    RECT r;
    GetWindowRect(view, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
};

// Input as a user's mouse makes it; SendInput waits for the low-level hooks under Wine.
void SendMouse(DWORD flags, POINT at = POINT{0, 0}) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    // Normalised to 0..65535 over the screen, rounded up so that the system's division gives
    // back the pixel.
    const LONGLONG w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = static_cast<LONG>((at.x * 65536LL + w - 1) / w);
    in.mi.dy = static_cast<LONG>((at.y * 65536LL + h - 1) / h);
  }
  EXPECT_EQ(SendInput(1, &in, sizeof(in)), 1u) << "SendInput failed, error " << GetLastError();
}
void MoveTo(POINT at) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at); }

enum class Stroke { Left, Right, Up, Down, Middle };

// A stroke of 120 pixels in six steps with the right button held, or a middle click.
void Make(Stroke stroke, POINT from) {
  MoveTo(from);
  if (stroke == Stroke::Middle) {
    SendMouse(MOUSEEVENTF_MIDDLEDOWN);
    SendMouse(MOUSEEVENTF_MIDDLEUP);
    return;
  }
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  for (int step = 1; step <= 6; ++step) {
    POINT p = from;
    const int d = step * 20;
    if (stroke == Stroke::Left) p.x -= d;
    if (stroke == Stroke::Right) p.x += d;
    if (stroke == Stroke::Up) p.y -= d;
    if (stroke == Stroke::Down) p.y += d;
    MoveTo(p);
  }
  SendMouse(MOUSEEVENTF_RIGHTUP);
}

void RightClick(POINT at) {
  MoveTo(at);
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  SendMouse(MOUSEEVENTF_RIGHTUP);
}

// Runs xdotool on the X display of the Wine desktop, as a user's mouse would move; false when
// there is none (not under Wine). Wine starts the Unix program but gives no handle to wait on,
// so the caller waits for the effect.
bool RunXdotool(const std::string& arguments) {
  const char kXdotool[] = "Z:\\usr\\bin\\xdotool";
  if (!FileExists(kXdotool)) return false;
  std::string command = std::string(kXdotool) + " " + arguments;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  return true;
}

const char* const kValueNames[] = {"Mouse_ActionLeft", "Mouse_ActionRight", "Mouse_ActionUp",
                                   "Mouse_ActionDown", "Mouse_ActionMiddle"};
const char* ValueOf(Stroke stroke) { return kValueNames[static_cast<int>(stroke)]; }

class MouseGesturesE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RegisterTestClasses());
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    folder_ = MakeProgramFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder_.empty());
    ASSERT_TRUE(program_.Start(folder_ + "Orvanel.exe"));
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

  std::string folder_;
  Process program_;
  HWND main_ = nullptr;
};

WORD AppCommandOf(const Seen& s) { return GET_APPCOMMAND_LPARAM(s.lparam); }

struct GestureRow {
  const char* what;
  Stroke stroke;
  DWORD action;  // stored just before the gesture: the library reads it when the gesture ends
  std::function<bool(const TestFrame&)> done;
};

TEST_F(MouseGesturesE2e, GesturesOverABrowserFrameRunTheirAssignedActions) {
  const GestureRow rows[] = {
      {"left: back", Stroke::Left, 1,
       [](const TestFrame& f) {
         return Count(f.frame, WM_APPCOMMAND, [](const Seen& s) {
                  return AppCommandOf(s) == APPCOMMAND_BROWSER_BACKWARD;
                }) == 1;
       }},
      {"right: forward", Stroke::Right, 2,
       [](const TestFrame& f) {
         return Count(f.frame, WM_APPCOMMAND, [](const Seen& s) {
                  return AppCommandOf(s) == APPCOMMAND_BROWSER_FORWARD;
                }) == 1;
       }},
      {"up: scroll up", Stroke::Up, 3,
       [](const TestFrame& f) {
         return Count(f.view, WM_VSCROLL, [](const Seen& s) { return LOWORD(s.wparam) == SB_PAGEUP; }) == 1;
       }},
      {"down: scroll down", Stroke::Down, 4,
       [](const TestFrame& f) {
         return Count(f.view, WM_VSCROLL, [](const Seen& s) { return LOWORD(s.wparam) == SB_PAGEDOWN; }) == 1;
       }},
      {"left: scroll left", Stroke::Left, 5,
       [](const TestFrame& f) {
         return Count(f.view, WM_HSCROLL, [](const Seen& s) { return LOWORD(s.wparam) == SB_PAGELEFT; }) == 1;
       }},
      {"right: scroll right", Stroke::Right, 6,
       [](const TestFrame& f) {
         return Count(f.view, WM_HSCROLL, [](const Seen& s) { return LOWORD(s.wparam) == SB_PAGERIGHT; }) == 1;
       }},
      {"down: close window", Stroke::Down, 7,
       [](const TestFrame& f) { return Count(f.frame, WM_CLOSE) == 1 && !IsWindow(f.frame); }},
      {"middle: maximise", Stroke::Middle, 8,
       [](const TestFrame& f) { return IsZoomed(f.frame) != FALSE; }},
      {"up: minimise", Stroke::Up, 9,
       [](const TestFrame& f) { return IsIconic(f.frame) != FALSE; }},
  };
  for (const GestureRow& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(WriteSettingDword(ValueOf(row.stroke), row.action));
    g_seen.clear();
    TestFrame browser("IEFrame");
    ASSERT_NE(browser.view, nullptr);
    Make(row.stroke, browser.Centre());
    EXPECT_TRUE(WaitUntilPumping([&] { return row.done(browser); }, kActionTimeoutMs))
        << g_seen.size() << " recorded messages";
    // The gesture's own button messages never reach the browser.
    for (UINT button : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP})
      EXPECT_EQ(Count(browser.view, button) + Count(browser.frame, button), 0) << button;
  }
}

// The same road for input from the X server, which Wine's hooks see as not injected.
TEST_F(MouseGesturesE2e, StrokeOfTheXServersMouseRunsItsAction) {
  ASSERT_TRUE(WriteSettingDword("Mouse_ActionLeft", 9));
  TestFrame browser("IEFrame");
  ASSERT_NE(browser.view, nullptr);
  const POINT c = browser.Centre();
  // Coordinates relative to the X window of the virtual desktop "shell".
  std::string drag = "search --name \"^shell - Wine desktop$\"";
  drag += " mousemove --window %1 " + std::to_string(c.x) + " " + std::to_string(c.y) +
          " sleep 0.1 mousedown 3";
  for (int step = 1; step <= 6; ++step)
    drag += " sleep 0.03 mousemove --window %1 " + std::to_string(c.x - 20 * step) + " " +
            std::to_string(c.y);
  drag += " sleep 0.05 mouseup 3";
  if (!RunXdotool(drag)) GTEST_SKIP() << "no xdotool: not under Wine";
  EXPECT_TRUE(WaitUntilPumping([&] { return IsIconic(browser.frame) != FALSE; }, kActionTimeoutMs));
  EXPECT_EQ(Count(browser.view, WM_RBUTTONDOWN), 0);
}

TEST_F(MouseGesturesE2e, PlainRightClickOnABrowserStillArrivesAsARightClick) {
  AssignAll(9);  // a click mistaken for a stroke would minimise the frame
  TestFrame browser("IEFrame");
  ASSERT_NE(browser.view, nullptr);
  RightClick(browser.Centre());
  EXPECT_TRUE(WaitUntilPumping([&] { return Count(browser.view, WM_CONTEXTMENU) > 0; },
                               kActionTimeoutMs));
  PumpMessages();
  EXPECT_EQ(Count(browser.view, WM_RBUTTONDOWN), 1);
  EXPECT_EQ(Count(browser.view, WM_RBUTTONUP), 1);
  EXPECT_EQ(Count(browser.view, WM_CONTEXTMENU), 1);
  EXPECT_FALSE(IsIconic(browser.frame));
}

TEST_F(MouseGesturesE2e, MiddleClickWithNothingAssignedReachesTheBrowser) {
  ASSERT_TRUE(WriteSettingDword("Mouse_ActionMiddle", 0));
  TestFrame browser("IEFrame");
  ASSERT_NE(browser.view, nullptr);
  Make(Stroke::Middle, browser.Centre());
  EXPECT_TRUE(WaitUntilPumping([&] { return Count(browser.view, WM_MBUTTONUP) == 1; },
                               kActionTimeoutMs));
  EXPECT_EQ(Count(browser.view, WM_MBUTTONDOWN), 1);
  EXPECT_FALSE(IsZoomed(browser.frame));
}

TEST_F(MouseGesturesE2e, GesturesOverAWindowOfAnotherClassChangeNothing) {
  AssignAll(7);  // anything taken for a gesture would close the window
  TestFrame other(kOtherFrameClass);
  ASSERT_NE(other.view, nullptr);
  for (Stroke stroke : {Stroke::Left, Stroke::Right, Stroke::Up, Stroke::Down, Stroke::Middle})
    Make(stroke, other.Centre());
  // Every press and release reaches the window itself, untouched.
  EXPECT_TRUE(WaitUntilPumping([&] { return Count(other.view, WM_MBUTTONUP) == 1; },
                               kActionTimeoutMs));
  WaitUntilPumping([] { return false; }, kSettleMs);
  EXPECT_EQ(Count(other.view, WM_RBUTTONDOWN), 4);
  EXPECT_EQ(Count(other.view, WM_RBUTTONUP), 4);
  EXPECT_EQ(Count(other.view, WM_MBUTTONDOWN), 1);
  ASSERT_TRUE(IsWindow(other.frame));
  for (UINT action : {WM_CLOSE, WM_APPCOMMAND, WM_VSCROLL, WM_HSCROLL, WM_SYSCOMMAND})
    EXPECT_EQ(Count(other.frame, action) + Count(other.view, action), 0) << action;
}

BOOL CALLBACK CollectComboBox(HWND child, LPARAM out) {
  if (lstrcmpiA(ClassOf(child).c_str(), "ComboBox") == 0)
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
  return TRUE;
}

// The page's drop-down lists (Mouse_ActionLeft ... Mouse_ActionMiddle, in creation order) on the
// sheet "mouse" (TabSheet3).
std::vector<HWND> PageComboBoxes(HWND sheet) {
  std::vector<HWND> found;
  EnumChildWindows(sheet, CollectComboBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

LRESULT Ask(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

// A control's text, asked of its own thread (GetWindowText does not ask other processes).
std::string ControlText(HWND control) {
  char text[64] = {};
  Ask(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

TEST_F(MouseGesturesE2e, AnAssignmentAppliedOnThePageCountsForTheNextGesture) {
  // The window shown with the page "鼠标增强" (the third tree entry).
  ASSERT_TRUE(PostMessageA(main_, WM_COMMAND, 104, 0));  // tray menu "显示窗口"
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main_) != FALSE; }, kTimeoutMs));
  HWND tree = FindWindowExA(main_, nullptr, WC_TREEVIEWA, nullptr);
  ASSERT_NE(tree, nullptr);
  LPARAM entry = Ask(tree, TVM_GETNEXTITEM, TVGN_ROOT);
  entry = Ask(tree, TVM_GETNEXTITEM, TVGN_NEXT, Ask(tree, TVM_GETNEXTITEM, TVGN_NEXT, entry));
  Ask(tree, TVM_SELECTITEM, TVGN_CARET, entry);
  HWND sheet = FindDescendant(main_, "TTabSheet", nullptr, "mouse");
  ASSERT_NE(sheet, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, kTimeoutMs));

  // The first run's assignments, from ten items each.
  std::vector<HWND> combos = PageComboBoxes(sheet);
  ASSERT_EQ(combos.size(), 5u);
  const LRESULT defaults[] = {1, 2, 3, 4, 8};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Ask(combos[i], CB_GETCOUNT), 10);
    EXPECT_EQ(Ask(combos[i], CB_GETCURSEL), defaults[i]) << kValueNames[i];
  }
  // A drop-down list's text is its selected item's (CB_GETLBTEXT across processes gives
  // UTF-16 under Wine).
  EXPECT_EQ(ControlText(combos[0]), "后退");
  EXPECT_EQ(ControlText(combos[4]), "最大化");
  HWND apply = FindDescendant(sheet, "Button", nullptr, "应用");
  HWND cancel = FindDescendant(sheet, "Button", nullptr, "取消");
  ASSERT_TRUE(apply && cancel);
  EXPECT_FALSE(IsWindowEnabled(apply));
  EXPECT_FALSE(IsWindowEnabled(cancel));

  // The user picks "最小化" for the stroke to the left: the list tells its page.
  HWND left = combos[0];
  Ask(left, CB_SETCURSEL, 9);
  ASSERT_TRUE(PostMessageA(GetParent(left), WM_COMMAND,
                           MAKEWPARAM(GetDlgCtrlID(left), CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(left)));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(apply) && IsWindowEnabled(cancel); },
                        kTimeoutMs))
      << "a change in the list did not enable apply and cancel";
  EXPECT_EQ(ControlText(left), "最小化");
  Ask(main_, WM_NULL);
  Sleep(300);  // painting is asynchronous
  Screenshot shot;
  ASSERT_TRUE(CaptureDesktop(&shot));
  const std::string path = SaveScreenshot(shot, "mouse_page");
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;

  // Not applied yet: the stroke still goes back.
  {
    TestFrame browser("IEFrame");
    ASSERT_NE(browser.view, nullptr);
    Make(Stroke::Left, browser.Centre());
    EXPECT_TRUE(WaitUntilPumping([&] { return Count(browser.frame, WM_APPCOMMAND) == 1; },
                                 kActionTimeoutMs));
    EXPECT_FALSE(IsIconic(browser.frame));
  }

  // What Enter or a click on the apply button sends its parent.
  ASSERT_TRUE(PostMessageA(GetParent(apply), WM_COMMAND,
                           MAKEWPARAM(GetDlgCtrlID(apply), BN_CLICKED),
                           reinterpret_cast<LPARAM>(apply)));
  DWORD stored = 0;
  EXPECT_TRUE(WaitUntil([&] { return ReadSettingDword("Mouse_ActionLeft", &stored) && stored == 9; },
                        kTimeoutMs));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(apply) && !IsWindowEnabled(cancel); },
                        kTimeoutMs));
  TestFrame browser("IEFrame");
  ASSERT_NE(browser.view, nullptr);
  Make(Stroke::Left, browser.Centre());
  EXPECT_TRUE(WaitUntilPumping([&] { return IsIconic(browser.frame) != FALSE; }, kActionTimeoutMs))
      << "the applied assignment did not reach the next gesture";
}

}  // namespace
}  // namespace e2e
