#pragma once
// What the end-to-end tests put in place of the browser side: dummy browser frames that the
// test ShellWindows server lists for the program's scans, and the companion libraries
// Selmont.dll and Darrowin.dll with the registry keys their registration writes.
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Points the prefix's ShellWindows class at the test server beside the driver, once per run,
// the way an installer would: RegSvr32 /s, waited for, exit code 0.
bool ShellWindowsServerRegistered();

// Hidden top-level windows of the browser frame class, owned by the driver's thread (which must
// pump its messages for them to close) and destroyed with this object.
class BrowserFrames {
 public:
  BrowserFrames();
  ~BrowserFrames();
  BrowserFrames(const BrowserFrames&) = delete;
  BrowserFrames& operator=(const BrowserFrames&) = delete;

  // A frame whose title is its address (no address bar); nullptr when it cannot be made.
  HWND Open(const std::string& address);

 private:
  std::vector<HWND> frames_;
};

// Below a class key: the category of the add-ons tabs in Enhanced Protected Mode load.
inline constexpr char kAppContainerCompatibleKey[] =
    "Implemented Categories\\{59FB2056-D625-48D0-A944-1A85B5AB2640}";

struct CompanionLibrary {
  const char* file_name;
  const char* class_id;
  // The keys its registration writes below HKEY_LOCAL_MACHINE, parents first (in the view of
  // the library's bitness): keys[0] the class key, keys[1] its InprocServer32.
  std::vector<std::string> keys;
};
const CompanionLibrary& SelmontLibrary();
const CompanionLibrary& DarrowinLibrary();
inline constexpr char kBlackListProgId[] = "Orvanel.BlackList";

// Whether HKLM\<path> exists in the driver's own view, or in the one named (KEY_WOW64_*).
bool MachineKeyExists(const std::string& path, REGSAM view = 0);
// The keys of the library that exist (own view, or the one named).
std::vector<std::string> PresentKeys(const CompanionLibrary& library, REGSAM view = 0);
// A text value of HKLM\<path> ("" for the default value); "" when missing.
std::string MachineText(const std::string& path, const char* name, REGSAM view = 0);
// Deletes every key of the library (a test's clean start), in the driver's view or the one named.
void RemoveRegistration(const CompanionLibrary& library, REGSAM view = 0);

// The installer's mark that it registered the libraries (HKLM, the driver's view).
inline constexpr char kInstallerMarkKey[] = "Software\\Tavrosel\\Orvanel";
inline constexpr char kInstallerMarkValue[] = "LibrariesRegistered";
// Writes it (1) or deletes it.
void WriteInstallerMark(bool present);

}  // namespace e2e
