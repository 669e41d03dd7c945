// The real program in a session without elevation, as a standard user (or an administrator
// under UAC) runs it after the per-machine install: its folder may not be written, except
// conf\, which the installer opens to the Users group, and the machine's Run key may be read but
// not written. Wine runs everything with full rights, so tests/e2e/limited_session.sh makes the
// session: it runs this driver as an unprivileged Unix user of its own, from a copy of the
// program whose folder belongs to root and whose conf\ belongs to that user; this test makes the
// machine's Run key read-only. Elsewhere the test is skipped.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <cstdlib>
#include <string>

#include "harness.h"
#include "registry_backups.h"
#include "remote_controls.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "TavroselOrvanel";

// Makes a key of HKEY_LOCAL_MACHINE readable by everyone and writable by nobody, as a session
// without elevation finds the machine's keys (administrators and the system may still change
// its access list). The prefix is the limited session's own, so it stays that way.
bool MakeMachineKeyReadOnly(const char* path) {
  HKEY key;
  PSECURITY_DESCRIPTOR read_only = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
  bool made = ConvertStringSecurityDescriptorToSecurityDescriptorA(
                  "D:P(A;;KR;;;WD)(A;;RCWD;;;BA)(A;;RCWD;;;SY)", SDDL_REVISION_1, &read_only, nullptr) &&
              RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, read_only) == ERROR_SUCCESS;
  LocalFree(read_only);
  RegCloseKey(key);
  return made;
}

// The start-up value under root's Run key, or "(none)".
std::string RunValue(HKEY root) {
  char data[MAX_PATH * 2] = {};
  DWORD size = sizeof(data) - 1, type = 0;
  HKEY key;
  if (RegOpenKeyExA(root, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "(none)";
  const LONG got = RegQueryValueExA(key, kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return got == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : "(none)";
}

// Whether a new file can be made in the folder; its error code goes to *error.
bool CanMakeFileIn(const std::string& folder, DWORD* error) {
  const std::string path = folder + "rights-probe.tmp";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  *error = GetLastError();
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  DeleteFileA(path.c_str());
  return true;
}

TEST(LimitedSession, ListsAreSavedInConfAndStartUpGoesToTheUsersRunKey) {
  if (!std::getenv("ORVANEL_LIMITED_SESSION"))
    GTEST_SKIP() << "runs only in the session tests/e2e/limited_session.sh makes";
  const std::string folder = DriverFolder();  // the copy of the program, this driver beside it
  DWORD error = 0;
  ASSERT_FALSE(CanMakeFileIn(folder, &error)) << "the program folder is writable: no limited session";
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(CanMakeFileIn(folder + "conf\\", &error)) << "conf\\ is not writable (error " << error << ")";

  ASSERT_TRUE(MakeMachineKeyReadOnly(kRunKey)) << "cannot make the machine's Run key read-only";
  HKEY probe;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &probe),
            ERROR_ACCESS_DENIED)
      << "the machine's Run key still opens with full access";
  DeleteSettingsKey();
  DeleteStartupValue();  // the user's; the machine's key refuses
  const std::string ini = folder + "conf\\KillAD.ini";
  ASSERT_TRUE(WriteFileBytes(ini, "[POPUPAD]\r\nad0=*ads.example*\r\n"));

  Process program;
  ASSERT_TRUE(program.Start(folder + "Orvanel.exe"));
  HWND main = WaitForMainWindow(program.id(), kTimeoutMs);
  ASSERT_NE(main, nullptr);
  // Started with the first run's "随系统启动自动运行" ticked: this user's start-up value.
  EXPECT_EQ(lstrcmpiA(RunValue(HKEY_CURRENT_USER).c_str(), (folder + "Orvanel.exe").c_str()), 0)
      << "the user's Run key holds " << RunValue(HKEY_CURRENT_USER);
  EXPECT_EQ(RunValue(HKEY_LOCAL_MACHINE), "(none)");

  // An entry added on the black list's sheet, a mouse press on a switch, then 应用.
  HWND kill_ad = FindDescendant(main, "Button", "黑名单", "开启拦截广告功能");
  HWND sheet = FindDescendant(main, "TTabSheet", nullptr, "killad");
  HWND apply = sheet ? FindDescendant(sheet, "Button", nullptr, "应用") : nullptr;
  ASSERT_TRUE(kill_ad && apply);
  ASSERT_TRUE(AddBlackListItem(main, kTimeoutMs));
  PostMessageA(kill_ad, WM_RBUTTONDOWN, MK_RBUTTON, 0);  // the right button ticks nothing
  PostMessageA(kill_ad, WM_RBUTTONUP, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(apply) != FALSE; }, kTimeoutMs));
  ClickButton(apply);
  EXPECT_TRUE(WaitUntil([&] { return IniValue(ini, "POPUPAD", "ad1") == "New Item"; }, kTimeoutMs))
      << "the applied list is not in conf\\KillAD.ini";
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(apply); }, kTimeoutMs));
  for (HWND w : FindTopLevelWindows("#32770", program.id()))
    EXPECT_FALSE(IsWindowVisible(w)) << "a box: " << MessageBoxText(w);

  // The start-up page's export: the program folder refuses it, so it lands in the user's own
  // folder, and Notepad opens that file.
  const std::string report = UserFolder() + "AutoStart.txt";
  DeleteFileA(report.c_str());
  const size_t editors = ProcessesNamed("notepad.exe").size();
  PostMessageA(main, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kTimeoutMs));
  ASSERT_TRUE(ChooseTreeEntry(main, 8));
  HWND autorun = FindDescendant(main, "TTabSheet", nullptr, "autorun");
  HWND export_button = autorun ? FindDescendant(autorun, "Button", nullptr, "导出") : nullptr;
  ASSERT_NE(export_button, nullptr);
  ClickButton(export_button);
  HWND box = WaitForMessageBox(program.id(), "已导出", kTimeoutMs);
  ASSERT_NE(box, nullptr) << "no box 已导出";
  EXPECT_EQ(MessageBoxText(box), "文件生成在：" + report);
  AnswerMessageBox(box, IDOK);
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(report, &bytes));
  EXPECT_NE(bytes.find("TavroselOrvanel"), std::string::npos) << bytes;
  EXPECT_FALSE(ReadFileBytes(folder + "AutoStart.txt", &bytes));
  EXPECT_TRUE(WaitUntil([&] { return ProcessesNamed("notepad.exe").size() > editors; }, kTimeoutMs))
      << "Notepad did not start";

  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD code = 12345;
  EXPECT_TRUE(program.WaitForExit(kTimeoutMs, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(IniValue(ini, "POPUPAD", "ad1"), "New Item");
  DeleteStartupValue();  // left there, the next Wine boot of this prefix would start it
  EndStrayProcesses();
}

}  // namespace
}  // namespace e2e
