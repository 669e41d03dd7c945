// Log-off and shut-down, as Windows tells a running program of them: WM_QUERYENDSESSION, then
// WM_ENDSESSION with the answer. A tray program usually ends this way, so the close sequence
// runs then: the ad page's unsaved edits are saved, the hook is turned off and the context-menu
// keys go, within the 5 seconds Windows gives each message; then the program ends. An end that
// was cancelled (WM_ENDSESSION FALSE) changes nothing. The program's Cravet.dll is a stand-in
// that records the hook's calls.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "harness.h"
#include "remote_controls.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
// What Windows allows a program for each of the two messages.
constexpr DWORD kSessionEndLimitMs = 5000;

const char kMenuExtCurrentPage[] = "Software\\Microsoft\\Internet Explorer\\MenuExt\\当前页面加入黑名单";
const char kMenuExtLink[] = "Software\\Microsoft\\Internet Explorer\\MenuExt\\加入黑名单";

bool UserKeyExists(const char* path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Sends a message as Windows does at a session's end; false when the program did not answer
// within the time Windows allows.
bool SendInTime(HWND window, UINT message, WPARAM wparam, DWORD_PTR* answer) {
  return SendMessageTimeoutA(window, message, wparam, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             kSessionEndLimitMs, answer) != 0;
}

TEST(SessionEnd, LogOffSavesTheUnappliedListClosesOnceAndEndsTheProgram) {
  EndStrayProcesses();
  DeleteStartupValue();
  DeleteSettingsKey();
  const std::string folder = MakeProgramFolder("SessionEnd");
  ASSERT_FALSE(folder.empty());
  ASSERT_TRUE(CopyFileA((DriverFolder() + "mouse-hook-stand-in\\Cravet.dll").c_str(),
                        (folder + "Cravet.dll").c_str(), FALSE));
  const std::string ini = folder + "conf\\KillAD.ini";
  ASSERT_TRUE(WriteFileBytes(ini, "[POPUPAD]\r\nad0=*ads.example*\r\n"));
  Process program;
  ASSERT_TRUE(program.Start(folder + "Orvanel.exe"));
  HWND main = WaitForMainWindow(program.id(), kTimeoutMs);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(UserKeyExists(kMenuExtCurrentPage) && UserKeyExists(kMenuExtLink));

  // An entry added on the black list's sheet and never applied.
  HWND list = FindDescendant(main, WC_LISTVIEWA, "黑名单", nullptr);
  HWND add = FindDescendant(main, "Button", "黑名单", "增加");
  ASSERT_TRUE(list && add);
  ASSERT_TRUE(PostMessageA(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(add), BN_CLICKED),
                           reinterpret_cast<LPARAM>(add)));
  ASSERT_TRUE(WaitUntil([&] { return ListViewRows(list) == 2; }, kTimeoutMs));

  // Another program vetoed the end: WM_ENDSESSION FALSE, and the program runs on as it was.
  DWORD_PTR answer = 0;
  ASSERT_TRUE(SendInTime(main, WM_QUERYENDSESSION, 0, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  ASSERT_TRUE(SendInTime(main, WM_ENDSESSION, FALSE, &answer));
  EXPECT_TRUE(program.Running());
  EXPECT_TRUE(UserKeyExists(kMenuExtCurrentPage) && UserKeyExists(kMenuExtLink));
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

  EXPECT_FALSE(UserKeyExists(kMenuExtCurrentPage));
  EXPECT_FALSE(UserKeyExists(kMenuExtLink));
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

}  // namespace
}  // namespace e2e
