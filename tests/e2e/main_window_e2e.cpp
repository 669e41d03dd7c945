// The main window, its tray icon and the tray menu, driven from outside the program the way the
// shell and the user drive them: the icon's callback message, menu commands, system commands.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "remote_controls.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;

// The tray menu's command ids.
constexpr WPARAM kCmdHide = 103, kCmdDisp = 104, kCmdExit = 105;

// The two context-menu keys the program writes at start and removes when it closes.
const char kMenuExtCurrentPage[] = "Software\\Microsoft\\Internet Explorer\\MenuExt\\当前页面加入黑名单";
const char kMenuExtLink[] = "Software\\Microsoft\\Internet Explorer\\MenuExt\\加入黑名单";

bool KeyExists(const char* path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The visible page sheet (TTabSheet) of the main window's page control, or nullptr.
HWND VisibleSheet(HWND main) {
  HWND host = FindWindowExA(main, nullptr, "TPageControl", nullptr);
  HWND visible = nullptr;
  int count = 0;
  for (HWND s = FindWindowExA(host, nullptr, "TTabSheet", nullptr); s;
       s = FindWindowExA(host, s, "TTabSheet", nullptr)) {
    if (IsWindowVisible(s)) {
      visible = s;
      ++count;
    }
  }
  return count == 1 ? visible : nullptr;
}

// An open popup menu of the program on the shell desktop.
HWND OpenMenuWindow(DWORD process_id) {
  for (HWND w : FindTopLevelWindows("#32768", process_id))
    if (IsWindowVisible(w)) return w;
  return nullptr;
}

// The application window that owns the main window; the taskbar shows its title.
HWND ApplicationWindowOf(HWND main) { return GetWindow(main, GW_OWNER); }

// Wine's taskbar makes one child button per top-level window, whose id is that window, and
// shows the buttons of the windows it lists. Other taskbars have no such children.
std::vector<std::pair<HWND, HWND>> TaskbarButtons() {  // button, window it stands for
  std::vector<std::pair<HWND, HWND>> buttons;
  HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
  for (HWND b = taskbar ? GetWindow(taskbar, GW_CHILD) : nullptr; b; b = GetWindow(b, GW_HWNDNEXT)) {
    HWND stands_for = reinterpret_cast<HWND>(GetWindowLongPtrA(b, GWLP_ID));
    if (stands_for && IsWindow(stands_for)) buttons.emplace_back(b, stands_for);
  }
  return buttons;
}
bool HasWindowButtons() { return !TaskbarButtons().empty(); }
// The shown taskbar button of a window, or nullptr.
HWND TaskbarButtonOf(HWND window) {
  for (const auto& [button, stands_for] : TaskbarButtons())
    if (stands_for == window && IsWindowVisible(button)) return button;
  return nullptr;
}

COLORREF PixelAt(const Screenshot& shot, int x, int y) {
  const unsigned char* p = &shot.rgb[(static_cast<std::size_t>(y) * shot.width + x) * 3];
  return RGB(p[0], p[1], p[2]);
}

class MainWindowE2e : public ::testing::Test {
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
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
  }

  void TrayMouse(UINT mouse_message) {
    ASSERT_TRUE(PostMessageA(main_, kTrayCallback, kTrayIconId, mouse_message));
  }
  bool WaitVisible(bool visible) {
    return WaitUntil([&] { return (IsWindowVisible(main_) != FALSE) == visible; }, kTimeoutMs);
  }
  // A round trip through the program's queue: everything posted before has been handled.
  void Sync() {
    DWORD_PTR ignored;
    SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored);
  }
  bool EndsWithCodeZero() {
    DWORD code = 12345;
    return program_.WaitForExit(kTimeoutMs, &code) && code == 0;
  }

  Process program_;
  HWND main_ = nullptr;
};

TEST_F(MainWindowE2e, TrayClickShowsTheGeneralPageAndMenuHidesAndShows) {
  Sync();
  EXPECT_FALSE(IsWindowVisible(main_));
  HWND application = ApplicationWindowOf(main_);
  ASSERT_NE(application, nullptr) << "the main window has no application window as its owner";
  EXPECT_EQ(WindowText(application), "Tavrosel Orvanel");
  EXPECT_FALSE(IsWindowVisible(application)) << "a taskbar entry while in the tray";
  TrayMouse(WM_LBUTTONUP);
  ASSERT_TRUE(WaitVisible(true)) << "a click on the tray icon did not show the window";
  HWND sheet = VisibleSheet(main_);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(WindowText(sheet), "gen");
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main_; }, kTimeoutMs))
      << "the shown window is not in front";
  // The taskbar lists the application window, titled with the application title, and not the
  // main window, which keeps its class and caption.
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(application) != FALSE; }, kTimeoutMs))
      << "no taskbar entry for the shown window";
  EXPECT_EQ(ClassOf(main_), kOrvanelClass);
  EXPECT_EQ(WindowText(main_), kOrvanelCaption);
  HWND button = nullptr;
  if (HasWindowButtons()) {
    EXPECT_TRUE(WaitUntil([&] { return (button = TaskbarButtonOf(application)) != nullptr; },
                          kTimeoutMs))
        << "no taskbar button for the application window";
    EXPECT_EQ(TaskbarButtonOf(main_), nullptr) << "a taskbar button of its own for the main window";
  }
  // The screenshot once the button and the window have painted.
  Screenshot shot;
  RECT tree{};
  GetWindowRect(FindWindowExA(main_, nullptr, WC_TREEVIEWA, nullptr), &tree);
  RECT button_rect{};
  if (button) GetWindowRect(button, &button_rect);
  WaitUntil(
      [&] {
        if (!CaptureDesktop(&shot)) return false;
        // The tree's entries have drawn their dark text, and the page area is no longer black.
        bool tree_text = false;
        for (int y = tree.top + 4; y < tree.top + 40 && y < shot.height && !tree_text; ++y)
          for (int x = tree.left + 4; x < tree.right - 4 && x < shot.width && !tree_text; ++x) {
            const COLORREF c = PixelAt(shot, x, y);
            tree_text = GetRValue(c) < 0x40 && GetGValue(c) < 0x40 && GetBValue(c) < 0x40;
          }
        const COLORREF page = PixelAt(shot, tree.right + 100, (tree.top + tree.bottom) / 2);
        const COLORREF face = PixelAt(shot, button_rect.left + 2, button_rect.top + 2);
        bool text = !button;
        for (int x = button_rect.left; button && x < button_rect.right && !text; ++x)
          if (PixelAt(shot, x, (button_rect.top + button_rect.bottom) / 2) != face) text = true;
        return tree_text && page != RGB(0, 0, 0) && text;
      },
      kTimeoutMs);
  const std::string path = SaveScreenshot(shot, "taskbar_entry");
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;

  PostMessageA(main_, WM_COMMAND, kCmdHide, 0);
  EXPECT_TRUE(WaitVisible(false)) << "隐藏窗口 did not hide the window";
  EXPECT_TRUE(WaitUntil(
      [&] { return !IsWindowVisible(application) && TaskbarButtonOf(application) == nullptr; },
      kTimeoutMs))
      << "the taskbar entry stayed after the window was hidden";
  PostMessageA(main_, WM_COMMAND, kCmdDisp, 0);
  EXPECT_TRUE(WaitVisible(true)) << "显示窗口 did not show the window";
  // A double click shows it as well (and showing a shown window changes nothing).
  PostMessageA(main_, WM_COMMAND, kCmdHide, 0);
  ASSERT_TRUE(WaitVisible(false));
  TrayMouse(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitVisible(true)) << "a double click on the tray icon did not show the window";
}

TEST_F(MainWindowE2e, MinimiseHidesToTheTrayAndAClickRestores) {
  TrayMouse(WM_LBUTTONUP);
  ASSERT_TRUE(WaitVisible(true));
  PostMessageA(main_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitVisible(false)) << "minimising did not hide the window";
  EXPECT_TRUE(program_.Running());
  TrayMouse(WM_LBUTTONUP);
  ASSERT_TRUE(WaitVisible(true));
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(main_); }, kTimeoutMs)) << "shown but still minimised";
}

TEST_F(MainWindowE2e, TreeEntrySevenShowsTabSheet8) {
  TrayMouse(WM_LBUTTONUP);
  ASSERT_TRUE(WaitVisible(true));
  HWND tree = FindWindowExA(main_, nullptr, WC_TREEVIEWA, nullptr);
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(SendMessageA(tree, TVM_GETCOUNT, 0, 0), 10);
  ASSERT_TRUE(ChooseTreeEntry(main_, 7));
  Sync();
  HWND sheet = VisibleSheet(main_);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(WindowText(sheet), "bho");
  // The page control shows no tabs of its own: it is a plain container of the ten sheets.
  HWND host = GetParent(sheet);
  EXPECT_EQ(ClassOf(host), "TPageControl");
  EXPECT_EQ(FindWindowExA(main_, nullptr, WC_TABCONTROLA, nullptr), nullptr);
}

// A fresh copy of the program whose Cravet.dll is the stand-in that records the hook's calls
// (in mouse_hook_calls.txt beside it), with one entry on its black list, started; its main
// window once the start-up has run, or nullptr.
HWND StartRecordingTheHook(const std::string& name, std::string* folder, Process& program) {
  EndStrayProcesses();
  DeleteStartupValue();
  DeleteSettingsKey();
  *folder = MakeProgramFolder(name);
  if (folder->empty() ||
      !CopyFileA((DriverFolder() + "mouse-hook-stand-in\\Cravet.dll").c_str(),
                 (*folder + "Cravet.dll").c_str(), FALSE) ||
      !WriteFileBytes(*folder + "conf\\KillAD.ini", "[POPUPAD]\r\nad0=*ads.example*\r\n") ||
      !program.Start(*folder + "Orvanel.exe"))
    return nullptr;
  return WaitForMainWindow(program.id(), kTimeoutMs);
}

// The close box ends the program after saving the ad page, turning the mouse hook off and
// removing the context-menu keys; a step that fails (the list file gone, so the save stops
// with its message) is shown once and the later steps still run. The program's Cravet.dll is
// a stand-in that records the hook's calls.
TEST(CloseBox, EndsTheProgramAfterEveryCloseStepAlsoWhenOneFails) {
  for (const bool list_file_gone : {false, true}) {
    SCOPED_TRACE(list_file_gone ? "conf\\KillAD.ini removed" : "all steps succeed");
    std::string folder;
    Process program;
    HWND main = StartRecordingTheHook(list_file_gone ? "CloseBoxWithAFailingStep" : "CloseBox",
                                      &folder, program);
    ASSERT_NE(main, nullptr);
    const std::string ini = folder + "conf\\KillAD.ini";
    const std::string hook_log = folder + "mouse_hook_calls.txt";
    DWORD_PTR ignored;
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored);
    ASSERT_TRUE(KeyExists(kMenuExtLink));
    // Changes behind the page's back, which saving the page undoes.
    DWORD kill_ad = 12345;
    ASSERT_TRUE(ReadSettingDword("AllowKillAD", &kill_ad));
    ASSERT_TRUE(WriteSettingDword("AllowKillAD", 7));
    ASSERT_TRUE(WriteIniValue(ini, "POPUPAD", "ad0", "*changed-by-hand*"));
    if (list_file_gone) {
      ASSERT_TRUE(DeleteFileA(ini.c_str()));
    }

    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);  // what the close box sends
    if (list_file_gone) {
      HWND box = nullptr;
      ASSERT_TRUE(WaitUntil(
          [&] {
            for (HWND w : FindTopLevelWindows("#32770", program.id()))
              if (IsWindowVisible(w)) box = w;
            return box != nullptr;
          },
          kTimeoutMs))
          << "no message box for the failed save";
      EXPECT_EQ(WindowText(box), "Tavrosel Orvanel");
      HWND text = FindWindowExA(box, nullptr, "Static", nullptr);
      while (text && WindowText(text).empty()) text = FindWindowExA(box, text, "Static", nullptr);
      EXPECT_EQ(text ? WindowText(text) : "", ini + " didn't exists.");
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    DWORD code = 12345;
    ASSERT_TRUE(program.WaitForExit(kTimeoutMs, &code)) << "the close box did not end the program";
    EXPECT_EQ(code, 0u);

    std::string calls;
    ASSERT_TRUE(ReadFileBytes(hook_log, &calls)) << "the mouse hook library was never called";
    EXPECT_EQ(calls, "EnableMouseHook " + std::to_string(reinterpret_cast<UINT_PTR>(main)) +
                         "\r\nDisableMouseHook\r\n");
    EXPECT_FALSE(KeyExists(kMenuExtCurrentPage));
    EXPECT_FALSE(KeyExists(kMenuExtLink));
    DWORD stored = 12345;
    ASSERT_TRUE(ReadSettingDword("AllowKillAD", &stored));
    if (list_file_gone) {
      EXPECT_EQ(stored, 7u) << "the switches are saved after the lists, which failed";
      EXPECT_FALSE(FileExists(ini)) << "the list file was made again";
    } else {
      EXPECT_EQ(stored, kill_ad) << "the ad page's switch was not saved";
      EXPECT_EQ(IniValue(ini, "POPUPAD", "ad0"), "*ads.example*")
          << "the ad page's black list was not saved";
    }
    EndStrayProcesses();
    DeleteStartupValue();
  }
}

// Log-off and shut-down, as Windows tells a running program of them: WM_QUERYENDSESSION, then
// WM_ENDSESSION with the answer. A tray program usually ends this way, so the close sequence
// runs then: the ad page's unsaved edits are saved, the hook is turned off and the context-menu
// keys go, within the 5 seconds Windows gives each message; then the program ends. An end that
// was cancelled (WM_ENDSESSION FALSE) changes nothing. The program's Cravet.dll is a stand-in
// that records the hook's calls.
constexpr DWORD kSessionEndLimitMs = 5000;  // what Windows allows for each of the two messages

// Sends a message as Windows does at a session's end; false when the program did not answer
// within the time Windows allows.
bool SendInTime(HWND window, UINT message, WPARAM wparam, DWORD_PTR* answer) {
  return SendMessageTimeoutA(window, message, wparam, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             kSessionEndLimitMs, answer) != 0;
}

TEST(SessionEnd, LogOffSavesTheUnappliedListClosesOnceAndEndsTheProgram) {
  std::string folder;
  Process program;
  HWND main = StartRecordingTheHook("SessionEnd", &folder, program);
  ASSERT_NE(main, nullptr);
  const std::string ini = folder + "conf\\KillAD.ini";
  ASSERT_TRUE(KeyExists(kMenuExtCurrentPage) && KeyExists(kMenuExtLink));

  ASSERT_TRUE(AddBlackListItem(main, kTimeoutMs)) << "no new entry on the black list";  // not applied

  // Another program vetoed the end: WM_ENDSESSION FALSE, and the program runs on as it was.
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendInTime(main, WM_QUERYENDSESSION, 0, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  ASSERT_TRUE(SendInTime(main, WM_ENDSESSION, FALSE, &answer));
  EXPECT_TRUE(program.Running());
  EXPECT_TRUE(KeyExists(kMenuExtCurrentPage) && KeyExists(kMenuExtLink));
  bool found = true;
  IniValue(ini, "POPUPAD", "ad1", &found);
  EXPECT_FALSE(found) << "saved although the session did not end";

  // The log-off itself.
  ASSERT_TRUE(SendInTime(main, WM_QUERYENDSESSION, 0, &answer)) << "no answer within 5 s";
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  ASSERT_TRUE(SendInTime(main, WM_ENDSESSION, TRUE, &answer)) << "the close took over 5 s";
  DWORD code = 12345;
  ASSERT_TRUE(program.WaitForExit(kTimeoutMs, &code)) << "the program did not end";
  EXPECT_EQ(code, 0u);

  EXPECT_FALSE(KeyExists(kMenuExtCurrentPage));
  EXPECT_FALSE(KeyExists(kMenuExtLink));
  EXPECT_EQ(IniValue(ini, "POPUPAD", "ad0"), "*ads.example*");
  EXPECT_EQ(IniValue(ini, "POPUPAD", "ad1"), "New Item") << "the unapplied entry was not saved";
  std::string calls;
  ASSERT_TRUE(ReadFileBytes(folder + "mouse_hook_calls.txt", &calls));
  EXPECT_EQ(calls, "EnableMouseHook " + std::to_string(reinterpret_cast<UINT_PTR>(main)) +
                       "\r\nDisableMouseHook\r\n")
      << "the close sequence ran other than once";
  EndStrayProcesses();
  DeleteStartupValue();
}

TEST_F(MainWindowE2e, ExitFromTheTrayMenuEndsTheProgramLikeTheCloseBox) {
  Sync();
  ASSERT_TRUE(KeyExists(kMenuExtLink));
  PostMessageA(main_, WM_COMMAND, kCmdExit, 0);
  ASSERT_TRUE(EndsWithCodeZero()) << "退出 did not end the program cleanly";
  EXPECT_FALSE(KeyExists(kMenuExtCurrentPage));
  EXPECT_FALSE(KeyExists(kMenuExtLink));
}

TEST_F(MainWindowE2e, ScreenshotOfTheMainWindow) {
  TrayMouse(WM_LBUTTONUP);
  ASSERT_TRUE(WaitVisible(true));
  Sync();
  RECT r;
  ASSERT_TRUE(GetWindowRect(main_, &r));
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(r.right - r.left, MulDiv(599, dpi, 96));
  EXPECT_EQ(r.bottom - r.top, MulDiv(387, dpi, 96));
  Screenshot shot;
  // The notice line is red, centred in the bottom 12 pixels of the client area.
  RECT client;
  GetClientRect(main_, &client);
  POINT bottom_left{0, client.bottom - 12};
  ClientToScreen(main_, &bottom_left);
  // The general page's check boxes are painted once dark caption text shows in the page area.
  POINT page_top_left{152, 8};
  ClientToScreen(main_, &page_top_left);
  bool red = false, page_painted = false;
  WaitUntil(
      [&] {
        if (!CaptureDesktop(&shot)) return false;
        red = page_painted = false;
        for (int y = bottom_left.y; y < bottom_left.y + 12 && y < shot.height; ++y)
          for (int x = bottom_left.x; x < bottom_left.x + client.right && x < shot.width; ++x)
            if (PixelAt(shot, x, y) == RGB(0xFF, 0, 0)) red = true;
        for (int y = page_top_left.y; y < page_top_left.y + 60 && y < shot.height; ++y)
          for (int x = page_top_left.x; x < page_top_left.x + 300 && x < shot.width; ++x) {
            const COLORREF c = PixelAt(shot, x, y);
            if (GetRValue(c) < 0x40 && GetGValue(c) < 0x40 && GetBValue(c) < 0x40)
              page_painted = true;
          }
        return red && page_painted;
      },
      kTimeoutMs);
  EXPECT_TRUE(red) << "no red notice text at the bottom of the window";
  EXPECT_TRUE(page_painted) << "the general page's controls did not paint";
  const std::string path = SaveScreenshot(shot, "main_window");
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;
}

TEST_F(MainWindowE2e, RightClickOpensTheSkinnedMenuAndEscapeClosesIt) {
  TrayMouse(WM_RBUTTONUP);
  HWND menu = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (menu = OpenMenuWindow(program_.id())) != nullptr; },
                        kTimeoutMs))
      << "a right click on the tray icon opened no menu";
  Sync();
  RECT r;
  ASSERT_TRUE(GetWindowRect(menu, &r));
  Screenshot shot;
  // Flat border 666666 and background F9F8F7 inside the frame, right of the entries' strip.
  const int mid_y = (r.top + r.bottom) / 2;
  bool skinned = WaitUntil(
      [&] {
        return CaptureDesktop(&shot) && r.right <= shot.width && r.bottom <= shot.height &&
               PixelAt(shot, r.left, mid_y) == RGB(0x66, 0x66, 0x66) &&
               PixelAt(shot, r.right - 1, mid_y) == RGB(0x66, 0x66, 0x66) &&
               PixelAt(shot, (r.left + r.right) / 2, r.top) == RGB(0x66, 0x66, 0x66) &&
               PixelAt(shot, r.right - 3, mid_y) == RGB(0xF9, 0xF8, 0xF7);
      },
      kTimeoutMs);
  EXPECT_TRUE(skinned) << "the tray menu is not drawn in the skin's colours";
  const std::string path = SaveScreenshot(shot, "tray_menu");
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;

  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(WaitUntil([&] { return OpenMenuWindow(program_.id()) == nullptr; }, kTimeoutMs))
      << "Escape did not close the menu";
  EXPECT_TRUE(program_.Running());
  PostMessageA(main_, WM_COMMAND, kCmdDisp, 0);
  EXPECT_TRUE(WaitVisible(true)) << "the window does not answer after the menu closed";
}

TEST_F(MainWindowE2e, ClosingWhileTheTrayMenuIsOpenEndsTheProgramCleanly) {
  TrayMouse(WM_RBUTTONUP);
  ASSERT_TRUE(WaitUntil([&] { return OpenMenuWindow(program_.id()) != nullptr; }, kTimeoutMs));
  PostMessageA(main_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(EndsWithCodeZero()) << "closing with the menu open did not end the program cleanly";
  EXPECT_FALSE(KeyExists(kMenuExtLink));
}

}  // namespace
}  // namespace e2e
