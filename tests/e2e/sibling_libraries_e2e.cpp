// The sibling libraries Selmont.dll and Darrowin.dll, registered with RegSvr32 while the
// program runs and unregistered when it closes. The program is started from another working
// directory (as at log-on), so RegSvr32 finds the right files only when it is given their full
// paths; each library records in its class key the path it was loaded from. RegSvr32 run by
// hand writes every key of a library and takes every key back.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <string>

#include "browser_side.h"
#include "harness.h"

namespace e2e {
namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kRegistrationTimeoutMs = 15000;
// How long a library that must not be registered is given to show up anyway.
constexpr DWORD kAbsenceWaitMs = 2000;

using Library = CompanionLibrary;

// HKCR\CLSID\{id}, where COM and the program look for the class (in the driver's own view,
// which is the program's, unless a KEY_WOW64_* view is named).
bool IsRegistered(const Library& library, REGSAM view = 0) {
  return MachineKeyExists(library.keys[0], view);
}

// The path the registered library was loaded from (its InprocServer32 default value).
std::string RegisteredServerPath(const Library& library) {
  return MachineText(library.keys[1], nullptr);
}

// Whether the system runs 64-bit programs (and so 64-bit browser tabs).
bool Runs64BitLibraries() {
  BOOL wow64 = FALSE;
  return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

// On 64-bit Windows the view a 32-bit library does not write to, else 0.
REGSAM OtherViewOfA32BitDriver() {
  return sizeof(void*) == 4 && Runs64BitLibraries() ? KEY_WOW64_64KEY : 0;
}

std::string Joined(const std::vector<std::string>& keys) {
  std::string out;
  for (const std::string& k : keys) out += "\n  " + k;
  return out.empty() ? " none" : out;
}

bool SameFile(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// The 64-bit RegSvr32: the system's own for a 64-bit driver; for a 32-bit one, reached past the
// file system redirection through "Sysnative".
std::string RegSvr32Of64Bits() {
  if (sizeof(void*) == 8) return "regsvr32.exe";
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  return "\"" + std::string(windows) + "\\Sysnative\\regsvr32.exe\"";
}

class SiblingLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    WriteInstallerMark(false);
    for (const Library* library : {&SelmontLibrary(), &DarrowinLibrary()}) {
      RemoveRegistration(*library);
      ASSERT_TRUE(PresentKeys(*library).empty());
    }
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = MakeProgramFolder(name);
    ASSERT_FALSE(folder_.empty()) << "could not copy the program into a test folder";
    // An empty working directory outside the program folder, as when started at log-on.
    working_dir_ = DriverFolder() + "e2e-programs\\" + name + "-elsewhere\\";
    CreateDirectoryA(working_dir_.c_str(), nullptr);
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
    RemoveRegistration(SelmontLibrary());
    RemoveRegistration(DarrowinLibrary());
    if (Runs64BitLibraries()) {
      RemoveRegistration(SelmontLibrary(), KEY_WOW64_64KEY);
      RemoveRegistration(DarrowinLibrary(), KEY_WOW64_64KEY);
    }
    WriteInstallerMark(false);
    RemoveDirectoryA(working_dir_.c_str());
  }

  HWND Start() {
    if (!program_.Start(folder_ + "Orvanel.exe", working_dir_)) {
      ADD_FAILURE() << "cannot start " << folder_ << "Orvanel.exe (error " << GetLastError() << ")";
      return nullptr;
    }
    HWND main = WaitForMainWindow(program_.id(), kStartTimeoutMs);
    EXPECT_NE(main, nullptr) << "the program did not get through its start-up";
    return main;
  }

  // Waits until the library is registered from this test's program folder with every key, in
  // its own view only.
  void ExpectRegisteredFromProgramFolder(const Library& library) {
    const std::string expected = folder_ + library.file_name;
    EXPECT_TRUE(WaitUntil(
        [&] {
          return PresentKeys(library).size() == library.keys.size() &&
                 SameFile(RegisteredServerPath(library), expected);
        },
        kRegistrationTimeoutMs))
        << library.file_name << " keys present:" << Joined(PresentKeys(library))
        << "\nserver path \"" << RegisteredServerPath(library) << "\", expected \"" << expected
        << "\"";
    if (REGSAM other = OtherViewOfA32BitDriver()) {
      EXPECT_FALSE(IsRegistered(library, other))
          << library.file_name << " registered in the 64-bit view";
    }
  }
  void ExpectUnregistered(const Library& library) {
    EXPECT_TRUE(WaitUntil([&] { return PresentKeys(library).empty(); }, kRegistrationTimeoutMs))
        << library.file_name << " keys left after the program closed:"
        << Joined(PresentKeys(library));
  }

  // Starts the program and waits until it has registered both libraries; nullptr (after the
  // failures) when it did not.
  HWND StartWithBothRegistered() {
    HWND main = Start();
    if (main == nullptr) return nullptr;
    ExpectRegisteredFromProgramFolder(SelmontLibrary());
    ExpectRegisteredFromProgramFolder(DarrowinLibrary());
    return HasFailure() ? nullptr : main;
  }

  void CloseAndWaitForExit(HWND main) {
    ASSERT_TRUE(PostMessageA(main, WM_CLOSE, 0, 0));
    DWORD code = 0;
    ASSERT_TRUE(program_.WaitForExit(kStartTimeoutMs, &code)) << "WM_CLOSE did not end the program";
  }

  std::string folder_, working_dir_;
  Process program_;
};

TEST_F(SiblingLibraries, BothRegisteredByFullPathWhileRunningAndUnregisteredAtClose) {
  HWND main = StartWithBothRegistered();
  ASSERT_NE(main, nullptr);
  CloseAndWaitForExit(main);
  ExpectUnregistered(SelmontLibrary());
  ExpectUnregistered(DarrowinLibrary());
}

TEST_F(SiblingLibraries, WithoutTheContextMenuOnlySelmontIsRegistered) {
  // A settings key as a first run leaves it, with the context menu switched off (and no start-up
  // value, which the test would only have to remove again).
  ASSERT_TRUE(WriteSettingString("FirstRun", "1.2"));
  ASSERT_TRUE(WriteSettingDword("AutoRun", 0));
  ASSERT_TRUE(WriteSettingDword("AllowKillAd", 1));
  ASSERT_TRUE(WriteSettingDword("KillAd_Notice", 1));
  ASSERT_TRUE(WriteSettingDword("Mouse_ActionLeft", 1));
  ASSERT_TRUE(WriteSettingDword("Mouse_ActionRight", 2));
  ASSERT_TRUE(WriteSettingDword("Mouse_ActionUp", 3));
  ASSERT_TRUE(WriteSettingDword("Mouse_ActionDown", 4));
  ASSERT_TRUE(WriteSettingDword("Mouse_ActionMiddle", 8));
  ASSERT_TRUE(WriteSettingDword("AllowIEMenu", 0));

  HWND main = Start();
  ASSERT_NE(main, nullptr);
  ExpectRegisteredFromProgramFolder(SelmontLibrary());
  Sleep(kAbsenceWaitMs);
  EXPECT_FALSE(IsRegistered(DarrowinLibrary())) << "Darrowin.dll registered with the context menu off";
  DWORD allow_ie_menu = 1;
  EXPECT_TRUE(ReadSettingDword("AllowIEMenu", &allow_ie_menu));
  EXPECT_EQ(allow_ie_menu, 0u) << "the start overwrote the switch";
  ASSERT_FALSE(HasFailure());

  CloseAndWaitForExit(main);
  ExpectUnregistered(SelmontLibrary());
}

TEST_F(SiblingLibraries, LibrariesTheInstallerRegisteredStayRegisteredWhenTheProgramCloses) {
  WriteInstallerMark(true);
  HWND main = StartWithBothRegistered();  // the start-up check is the same: a missing class
  ASSERT_NE(main, nullptr);
  CloseAndWaitForExit(main);
  Sleep(kAbsenceWaitMs);
  for (const Library* library : {&SelmontLibrary(), &DarrowinLibrary()}) {
    EXPECT_EQ(PresentKeys(*library).size(), library->keys.size())
        << library->file_name << " unregistered at close: keys left" << Joined(PresentKeys(*library));
  }
}

// The 32-bit build's 64-bit companions in "x64", or the 64-bit build's own, registered by the
// 64-bit RegSvr32 as the installer runs it: every key in the 64-bit view, with the category that
// tabs in Enhanced Protected Mode look for, and none in the 32-bit view.
TEST_F(SiblingLibraries, The64BitCompanionsRegisterInThe64BitViewWithTheirCategory) {
  if (!Runs64BitLibraries()) GTEST_SKIP() << "a 32-bit system runs no 64-bit tabs";
  const std::string folder = sizeof(void*) == 8 ? folder_ : folder_ + "x64\\";
  for (const Library* library : {&SelmontLibrary(), &DarrowinLibrary()}) {
    const std::string path = folder + library->file_name;
    ASSERT_TRUE(FileExists(path)) << path << " is not shipped";
    DWORD code = 12345;
    ASSERT_TRUE(RunAndWait(RegSvr32Of64Bits() + " /s \"" + path + "\"", kStartTimeoutMs, &code));
    EXPECT_EQ(code, 0u) << "registering " << path;
    EXPECT_EQ(PresentKeys(*library, KEY_WOW64_64KEY).size(), library->keys.size())
        << library->file_name << " keys in the 64-bit view:"
        << Joined(PresentKeys(*library, KEY_WOW64_64KEY));
    EXPECT_TRUE(MachineKeyExists(library->keys[0] + "\\" + kAppContainerCompatibleKey,
                                 KEY_WOW64_64KEY));
    EXPECT_TRUE(SameFile(MachineText(library->keys[1], nullptr, KEY_WOW64_64KEY), path));
    EXPECT_FALSE(IsRegistered(*library, KEY_WOW64_32KEY)) << "registered in the 32-bit view";
    ASSERT_TRUE(RunAndWait(RegSvr32Of64Bits() + " /s /u \"" + path + "\"", kStartTimeoutMs, &code));
    EXPECT_EQ(code, 0u) << "unregistering " << path;
    EXPECT_TRUE(PresentKeys(*library, KEY_WOW64_64KEY).empty())
        << library->file_name << " keys left:" << Joined(PresentKeys(*library, KEY_WOW64_64KEY));
  }
}

// RegSvr32 as the program runs it, by hand: every key of each library appears with the values
// COM and the browser read, and every key goes again.
TEST_F(SiblingLibraries, RegSvr32WritesEveryKeyAndTakesEveryKeyBack) {
  const std::string helper_key = SelmontLibrary().keys.back();
  for (const Library* library : {&SelmontLibrary(), &DarrowinLibrary()}) {
    const std::string path = folder_ + library->file_name;
    DWORD code = 12345;
    ASSERT_TRUE(RunAndWait("regsvr32.exe /s \"" + path + "\"", kStartTimeoutMs, &code));
    EXPECT_EQ(code, 0u) << "registering " << path;
    EXPECT_EQ(PresentKeys(*library).size(), library->keys.size())
        << library->file_name << " keys present:" << Joined(PresentKeys(*library));
    EXPECT_TRUE(SameFile(RegisteredServerPath(*library), path));
    EXPECT_EQ(MachineText(library->keys[1], "ThreadingModel"), "Apartment");
    if (REGSAM other = OtherViewOfA32BitDriver()) {
      EXPECT_FALSE(IsRegistered(*library, other)) << "registered in the 64-bit view";
    }
  }
  DWORD no_explorer = 0, size = sizeof no_explorer;
  EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, helper_key.c_str(), "NoExplorer", RRF_RT_REG_DWORD,
                         nullptr, &no_explorer, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(no_explorer, 1u) << "Explorer would load the helper object";
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  CLSID by_name = {}, expected = {};
  EXPECT_EQ(CLSIDFromProgID(L"Orvanel.BlackList", &by_name), S_OK);
  CLSIDFromString(const_cast<LPOLESTR>(L"{C4D2A871-0B5E-4F93-8A16-7E5B3D90F2C8}"), &expected);
  EXPECT_TRUE(IsEqualCLSID(by_name, expected)) << "the programmatic identifier names another class";
  CoUninitialize();

  for (const Library* library : {&SelmontLibrary(), &DarrowinLibrary()}) {
    const std::string path = folder_ + library->file_name;
    DWORD code = 12345;
    ASSERT_TRUE(RunAndWait("regsvr32.exe /s /u \"" + path + "\"", kStartTimeoutMs, &code));
    EXPECT_EQ(code, 0u) << "unregistering " << path;
    EXPECT_TRUE(PresentKeys(*library).empty())
        << library->file_name << " keys left:" << Joined(PresentKeys(*library));
  }
  // The keys that hold them stay.
  EXPECT_TRUE(MachineKeyExists("Software\\Classes\\CLSID"));
  EXPECT_TRUE(MachineKeyExists(helper_key.substr(0, helper_key.rfind('\\'))));
}

}  // namespace
}  // namespace e2e
