// The popup blocker of the real program, driven the way its companion components and the user
// drive it: mailbox values in the settings key and the private messages 0x501 and 0x502 posted
// to the window found by class and caption, browser windows listed and closed through the
// shell's ShellWindows collection (the test server TestShellWindows.dll stands in for it under
// Wine and lists the top-level "IEFrame" windows), the tray menu and its blocked-window entries.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "browser_side.h"
#include "harness.h"
#include "remote_controls.h"
#include "tray_menu_keys.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;

constexpr UINT kAdAddUrl = 0x501, kAdScan = 0x502;
// The command of 显示窗口.
constexpr WPARAM kCmdDisp = 104;

const char kSection[] = "POPUPAD";
const char kBlackSheet[] = "黑名单";
const char kTempSheet[] = "临时白名单";
const char kAddCaption[] = "增加";
const char kNewItem[] = "New Item";

class PopupBlockerE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    folder_ = MakeProgramFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder_.empty());
    ini_ = folder_ + "conf\\KillAD.ini";
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
  }

  // Starts the program and waits until its start-up sequence has run.
  void StartProgram() {
    ASSERT_TRUE(program_.Start(folder_ + "Orvanel.exe"));
    main_ = WaitForMainWindow(program_.id(), kTimeoutMs);
    ASSERT_NE(main_, nullptr) << "no started main window";
  }

  // Number of keys of a run ("ad" -> ad0, ad1, ... up to the first missing one).
  int RunLength(const char* prefix) {
    int n = 0;
    bool found = true;
    while (IniValue(ini_, kSection, prefix + std::to_string(n), &found), found) ++n;
    return n;
  }
  bool WaitForIniValue(const std::string& key, const std::string& value) {
    return WaitUntil([&] { return IniValue(ini_, kSection, key) == value; }, kTimeoutMs);
  }

  // What a companion does: the mailbox value first, then the message.
  void PostAddress(const std::string& address) {
    ASSERT_TRUE(WriteSettingString("LastAddUrl", address));
    ASSERT_TRUE(PostMessageA(main_, kAdAddUrl, 0, 0));
  }

  // Rows of one list view of the ad-blocker page, by its sheet's caption; -1 when not found.
  int ListRows(const char* sheet_caption) {
    return ListViewRows(FindDescendant(main_, WC_LISTVIEWA, sheet_caption, nullptr));
  }
  bool WaitForListRows(const char* sheet_caption, int rows) {
    return WaitUntil([&] { return ListRows(sheet_caption) == rows; }, kTimeoutMs);
  }

  // For a failure message: the black list's end, the mailbox, whether the program answers and
  // the windows it shows (an error box, say); the desktop goes to the screenshot "failure".
  std::string Situation() {
    std::string mailbox;
    ReadSettingString("LastAddUrl", &mailbox);
    DWORD_PTR ignored = 0;
    const bool answers =
        SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) != 0;
    const int length = RunLength("ad");
    std::string out = "black list of " + std::to_string(length) + " ending in '" +
                      IniValue(ini_, kSection, "ad" + std::to_string(length - 1)) +
                      "', LastAddUrl '" + mailbox + "', the program " +
                      (answers ? "answers" : "does not answer") + ", its windows shown:";
    for (HWND w : FindTopLevelWindows(nullptr, program_.id()))
      if (IsWindowVisible(w)) out += " [" + ClassOf(w) + " '" + WindowText(w) + "']";
    Screenshot shot;
    if (CaptureDesktop(&shot)) SaveScreenshot(shot, "failure");
    return out;
  }
  bool EndsWithCodeZero() {
    DWORD code = 12345;
    return program_.WaitForExit(kTimeoutMs, &code) && code == 0;
  }

  std::string folder_, ini_;
  Process program_;
  HWND main_ = nullptr;
};

// The address bars of the Internet Explorer windows (frames of iexplore.exe processes).
std::vector<std::string> InternetExplorerAddresses() {
  std::vector<std::string> addresses;
  for (DWORD process_id : ProcessesNamed("iexplore.exe")) {
    for (HWND frame : FindTopLevelWindows("IEFrame", process_id)) {
      HWND edit = FindDescendant(frame, "Edit", nullptr, nullptr);
      char text[2048] = {};
      DWORD_PTR length = 0;
      if (edit && SendMessageTimeoutA(edit, WM_GETTEXT, sizeof(text),
                                      reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                                      &length))
        addresses.push_back(std::string(text, length));
    }
  }
  return addresses;
}

TEST_F(PopupBlockerE2e, AnAddressFromTheBrowserJoinsTheBlackListFileAndPage) {
  const int delivered = RunLength("ad");
  ASSERT_GT(delivered, 0) << "the delivered black list is empty";
  ASSERT_TRUE(program_.Start(folder_ + "Orvanel.exe"));

  // A companion may look for the window at any moment: the first window of the class that
  // appears already carries the caption it is looked up by.
  HWND first = nullptr;
  bool started_when_seen = false;
  const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
  while (!first && GetTickCount64() < deadline) {
    std::vector<HWND> windows = FindTopLevelWindows(kOrvanelClass, program_.id());
    if (windows.empty()) {
      Sleep(1);
      continue;
    }
    first = windows[0];
    started_when_seen = HasStarted(first);
    EXPECT_EQ(WindowText(first), kOrvanelCaption) << "caption when the window first appeared";
  }
  ASSERT_NE(first, nullptr) << "no TOrvanelForm window appeared";
  std::cout << "window first seen " << (started_when_seen ? "after" : "during")
            << " the start-up sequence" << std::endl;

  // Posted at once, start-up finished or not: the message waits in the queue.
  main_ = FindMainWindow(program_.id());
  ASSERT_EQ(main_, first);
  const std::string address = "http://ads.example.net/弹窗?id=7&x=\"q\"";
  PostAddress(address);
  EXPECT_TRUE(WaitForIniValue("ad" + std::to_string(delivered), address))
      << "the address is not the next entry of the black list; " << Situation();
  ASSERT_EQ(WaitForMainWindow(program_.id(), kTimeoutMs), main_);
  EXPECT_TRUE(WaitForListRows(kBlackSheet, delivered + 1)) << "the page's black list did not grow";

  // An empty mailbox adds nothing. The mailbox is read when the message is handled, so the
  // next value may be written only after that: showing the window, posted behind it, says when.
  PostAddress("");
  ASSERT_TRUE(PostMessageA(main_, WM_COMMAND, kCmdDisp, 0));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main_) != FALSE; }, kTimeoutMs));
  EXPECT_EQ(RunLength("ad"), delivered + 1);
  EXPECT_EQ(ListRows(kBlackSheet), delivered + 1);
  PostAddress("http://pop.example.net/*");
  EXPECT_TRUE(WaitForIniValue("ad" + std::to_string(delivered + 1), "http://pop.example.net/*"));
  EXPECT_TRUE(WaitForListRows(kBlackSheet, delivered + 2));

  // The page as the user sees it: tree entry "拦截广告" (the second).
  ASSERT_TRUE(ChooseTreeEntry(main_, 1));
  HWND list = FindDescendant(main_, WC_LISTVIEWA, kBlackSheet, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(list) != FALSE; }, kTimeoutMs))
      << "the black list is not shown on the ad-blocker page";
  SendMessageA(list, LVM_ENSUREVISIBLE, delivered + 1, FALSE);
  DWORD_PTR ignored;
  SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored);
  Sleep(300);  // painting is asynchronous
  Screenshot shot;
  ASSERT_TRUE(CaptureDesktop(&shot));
  const std::string path = SaveScreenshot(shot, "ad_page_after_add");
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;
}

TEST_F(PopupBlockerE2e, AScanClosesExactlyTheBlackListedBrowserWindow) {
  ASSERT_TRUE(ShellWindowsServerRegistered()) << "TestShellWindows.dll could not be registered";
  // The white window matches the delivered black list as well, but is on the white list.
  ASSERT_TRUE(WriteIniValue(ini_, kSection, "pass0", "http://ad.doubleclick.net/trusted/*"));
  StartProgram();
  BrowserFrames frames;
  const std::string blocked = "http://ad.doubleclick.net/x";  // on the delivered black list
  HWND black = frames.Open(blocked);
  HWND white = frames.Open("http://ad.doubleclick.net/trusted/popup.html");
  HWND local = frames.Open("file:///C:/popup/ad.html");
  HWND plain = frames.Open("http://www.example.org/");
  ASSERT_TRUE(black && white && local && plain);

  // Blocking switched off: a scan closes nothing. The address posted after it is handled after
  // the scan, so once it is in the file the scan is over.
  ASSERT_TRUE(WriteSettingDword("AllowKillAD", 0));
  ASSERT_TRUE(PostMessageA(main_, kAdScan, 0, 0));
  PostAddress("http://after-the-scan.example/");
  ASSERT_TRUE(WaitUntilPumping(
      [&] { return IniValue(ini_, kSection, "ad" + std::to_string(RunLength("ad") - 1)) ==
                   "http://after-the-scan.example/"; },
      kTimeoutMs)) << Situation();
  PumpMessages();
  EXPECT_TRUE(IsWindow(black)) << "a scan closed a window while blocking was off";

  ASSERT_TRUE(WriteSettingDword("AllowKillAD", 1));
  ASSERT_TRUE(PostMessageA(main_, kAdScan, 0, 0));
  EXPECT_TRUE(WaitUntilPumping([&] { return !IsWindow(black); }, kTimeoutMs))
      << "the black-listed window was not closed; " << Situation();
  std::string last_block;
  EXPECT_TRUE(WaitUntilPumping(
      [&] { return ReadSettingString("LastBlockURL", &last_block) && last_block == blocked; },
      kTimeoutMs))
      << "LastBlockURL holds '" << last_block << "'";
  PumpMessages();
  EXPECT_TRUE(IsWindow(white)) << "the white-listed window was closed";
  EXPECT_TRUE(IsWindow(local)) << "the local file window was closed";
  EXPECT_TRUE(IsWindow(plain)) << "a window matching no rule was closed";

  // The report was posted before LastBlockURL was written, so the menu opened now holds it.
  ASSERT_TRUE(PostMessageA(main_, kTrayCallback, kTrayIconId, WM_RBUTTONUP));
  std::vector<HWND> menus;
  ASSERT_TRUE(WaitUntil([&] { return (menus = VisibleMenus(program_.id())).size() == 1; },
                        kTimeoutMs))
      << "the tray menu did not open";
  const HWND tray_menu = menus[0];
  // Down to "已拦截的窗口" (the seventh entry; separators are skipped), then open it: it opens
  // only when it is enabled, that is when it has an entry.
  for (int i = 0; i < 5; ++i) PostKey(tray_menu, VK_DOWN);
  PostKey(tray_menu, VK_RIGHT);
  EXPECT_TRUE(WaitUntil([&] { return (menus = VisibleMenus(program_.id())).size() == 2; },
                        kTimeoutMs))
      << "the blocked-window sub-menu did not open";
  Screenshot shot;
  if (menus.size() == 2) {
    RECT top, sub;
    GetWindowRect(tray_menu, &top);
    GetWindowRect(menus[0] == tray_menu ? menus[1] : menus[0], &sub);
    // Beside the menu, on whichever side has room (near the tray: the left).
    EXPECT_TRUE(sub.left >= top.right - 8 || sub.right <= top.left + 8)
        << "the sub-menu does not open beside the menu";
    // One entry (plus the frame): far lower than the nine entries of the menu.
    EXPECT_LT(sub.bottom - sub.top, (top.bottom - top.top) / 3);
    // Give the owner-drawn entries and the hint time to paint.
    DWORD_PTR ignored;
    SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored);
    Sleep(300);
  }
  ASSERT_TRUE(CaptureDesktop(&shot));
  const std::string path = SaveScreenshot(shot, "blocked_history_menu");
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;

  // Escape closes the sub-menu, then the menu; the menu's loop reads keys of either window.
  PostKey(tray_menu, VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return VisibleMenus(program_.id()).size() == 1; }, kTimeoutMs));
  PostKey(tray_menu, VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return VisibleMenus(program_.id()).empty(); }, kTimeoutMs))
      << "the tray menu did not close";
}

TEST_F(PopupBlockerE2e, AReopenedAddressIsWhiteListedUntilTheProgramEnds) {
  ASSERT_TRUE(ShellWindowsServerRegistered()) << "TestShellWindows.dll could not be registered";
  StartProgram();
  const int black_before = RunLength("ad");
  BrowserFrames frames;
  const std::string blocked = "http://ad.doubleclick.net/re open?a=1&b=2";
  HWND black = frames.Open(blocked);
  ASSERT_NE(black, nullptr);
  ASSERT_TRUE(PostMessageA(main_, kAdScan, 0, 0));
  ASSERT_TRUE(WaitUntilPumping([&] { return !IsWindow(black); }, kTimeoutMs));
  std::string last_block;
  ASSERT_TRUE(WaitUntil(
      [&] { return ReadSettingString("LastBlockURL", &last_block) && last_block == blocked; },
      kTimeoutMs));

  // The first entry of the blocked-window sub-menu, picked from the keyboard.
  PickFirstBlockedWindow(main_, program_.id());
  EXPECT_TRUE(WaitForIniValue("temp0", blocked)) << "the address is not on the temporary list";
  EXPECT_TRUE(WaitForListRows(kTempSheet, 1)) << "the page's temporary list did not get it";
  // Picked again: opened again, listed once. The browser gets the address whole, blank and
  // all, as one argument (its address bar shows the blank encoded).
  PickFirstBlockedWindow(main_, program_.id());
  const std::string shown = "http://ad.doubleclick.net/re%20open?a=1&b=2";
  std::vector<std::string> addresses;
  EXPECT_TRUE(WaitUntil(
      [&] {
        addresses = InternetExplorerAddresses();
        return addresses.size() == 2 && addresses[0] == shown && addresses[1] == shown;
      },
      kTimeoutMs))
      << "Internet Explorer windows: " << addresses.size()
      << (addresses.empty() ? "" : ", the first showing " + addresses[0]);
  EXPECT_EQ(RunLength("temp"), 1);
  EXPECT_EQ(ListRows(kTempSheet), 1);

  PostMessageA(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(EndsWithCodeZero()) << "the program did not end cleanly";
  std::vector<std::string> temp_keys;
  for (std::string key : IniKeys(ini_, kSection)) {
    CharLowerA(&key[0]);
    if (key.compare(0, 4, "temp") == 0) temp_keys.push_back(key);
  }
  EXPECT_TRUE(temp_keys.empty()) << "left on the temporary list: " << temp_keys.size() << " keys";
  EXPECT_EQ(RunLength("ad"), black_before) << "the black list changed on exit";
}

TEST_F(PopupBlockerE2e, EnterOnAPageButtonReachesThePage) {
  StartProgram();
  const int rows = RunLength("ad");
  ASSERT_TRUE(WaitForListRows(kBlackSheet, rows));
  HWND add = FindDescendant(main_, "Button", kBlackSheet, kAddCaption);
  ASSERT_NE(add, nullptr) << "no 增加 button on the black-list sheet";
  // What IsDialogMessage sends the main window for Enter on a focused push button.
  ASSERT_TRUE(PostMessageA(main_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(add), BN_CLICKED),
                           reinterpret_cast<LPARAM>(add)));
  EXPECT_TRUE(WaitForListRows(kBlackSheet, rows + 1)) << "the click did not reach the page";

  // The new row is stored when the program ends, applied or not.
  PostMessageA(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(EndsWithCodeZero());
  EXPECT_EQ(IniValue(ini_, kSection, "ad" + std::to_string(rows)), kNewItem);
}

}  // namespace
}  // namespace e2e
