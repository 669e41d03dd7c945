// The sibling libraries Selmont.dll and Darrowin.dll are registered with RegSvr32 while the
// program runs and unregistered when it closes. The program is started from another working
// directory (as at log-on), so RegSvr32 finds the right files only when it is given their full
// paths. Test-only stand-ins of both libraries record in their class key the path they were
// loaded from.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "harness.h"

namespace e2e {
namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kRegistrationTimeoutMs = 15000;
// How long a library that must not be registered is given to show up anyway.
constexpr DWORD kAbsenceWaitMs = 2000;

struct Library {
  const char* file_name;
  const char* class_id;
};
constexpr Library kSelmont{"Selmont.dll", "{6B1E93D2-4F0A-4C57-9E38-2D7A5C1F0B64}"};
constexpr Library kDarrowin{"Darrowin.dll", "{C4D2A871-0B5E-4F93-8A16-7E5B3D90F2C8}"};

std::string ClassKey(const Library& library) {
  return std::string("CLSID\\") + library.class_id;
}

// HKCR\CLSID\{id}, where COM and the program look for the class (in the driver's own view,
// which is the program's, unless a KEY_WOW64_* view is named).
bool IsRegistered(const Library& library, REGSAM view = 0) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ClassKey(library).c_str(), 0, KEY_READ | view, &key) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// The path the registered library was loaded from (its InprocServer32 default value).
std::string RegisteredServerPath(const Library& library) {
  const std::string path = ClassKey(library) + "\\InprocServer32";
  char data[MAX_PATH * 2] = {};
  LONG size = sizeof(data);
  if (RegQueryValueA(HKEY_CLASSES_ROOT, path.c_str(), data, &size) != ERROR_SUCCESS) return "";
  return data;
}

// Removes the class key where the stand-ins write it (HKCR shows the machine's classes).
void Unregister(const Library& library) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + ClassKey(library)).c_str());
}

bool SameFile(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

class SiblingLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    Unregister(kSelmont);
    Unregister(kDarrowin);
    ASSERT_FALSE(IsRegistered(kSelmont));
    ASSERT_FALSE(IsRegistered(kDarrowin));
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = MakeProgramFolder(name);
    ASSERT_FALSE(folder_.empty()) << "could not copy the program into a test folder";
    // The stand-ins are built apart from the program; only this test's copy gets them.
    const std::string stand_ins = DriverFolder() + "sibling-stand-ins\\";
    for (const Library& library : {kSelmont, kDarrowin})
      ASSERT_TRUE(CopyFileA((stand_ins + library.file_name).c_str(),
                            (folder_ + library.file_name).c_str(), FALSE))
          << "missing stand-in " << stand_ins << library.file_name;
    // An empty working directory outside the program folder, as when started at log-on.
    working_dir_ = DriverFolder() + "e2e-programs\\" + name + "-elsewhere\\";
    CreateDirectoryA(working_dir_.c_str(), nullptr);
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
    Unregister(kSelmont);
    Unregister(kDarrowin);
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

  // Waits until the library is registered from this test's program folder.
  void ExpectRegisteredFromProgramFolder(const Library& library) {
    const std::string expected = folder_ + library.file_name;
    EXPECT_TRUE(WaitUntil(
        [&] { return IsRegistered(library) && SameFile(RegisteredServerPath(library), expected); },
        kRegistrationTimeoutMs))
        << library.file_name << " registered: " << IsRegistered(library) << ", server path \""
        << RegisteredServerPath(library) << "\", expected \"" << expected << "\"";
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
  HWND main = Start();
  ASSERT_NE(main, nullptr);
  ExpectRegisteredFromProgramFolder(kSelmont);
  ExpectRegisteredFromProgramFolder(kDarrowin);
  // A 32-bit program on 64-bit Windows: its libraries land in the 32-bit view only.
  BOOL wow64 = FALSE;
  if (sizeof(void*) == 4 && IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    EXPECT_FALSE(IsRegistered(kSelmont, KEY_WOW64_64KEY));
    EXPECT_FALSE(IsRegistered(kDarrowin, KEY_WOW64_64KEY));
  }
  ASSERT_FALSE(HasFailure());

  CloseAndWaitForExit(main);
  EXPECT_TRUE(WaitUntil([] { return !IsRegistered(kSelmont); }, kRegistrationTimeoutMs))
      << "Selmont.dll still registered after the program closed";
  EXPECT_TRUE(WaitUntil([] { return !IsRegistered(kDarrowin); }, kRegistrationTimeoutMs))
      << "Darrowin.dll still registered after the program closed";
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
  ExpectRegisteredFromProgramFolder(kSelmont);
  Sleep(kAbsenceWaitMs);
  EXPECT_FALSE(IsRegistered(kDarrowin)) << "Darrowin.dll registered with the context menu off";
  DWORD allow_ie_menu = 1;
  EXPECT_TRUE(ReadSettingDword("AllowIEMenu", &allow_ie_menu));
  EXPECT_EQ(allow_ie_menu, 0u) << "the start overwrote the switch";
  ASSERT_FALSE(HasFailure());

  CloseAndWaitForExit(main);
  EXPECT_TRUE(WaitUntil([] { return !IsRegistered(kSelmont); }, kRegistrationTimeoutMs))
      << "Selmont.dll still registered after the program closed";
}

}  // namespace
}  // namespace e2e
