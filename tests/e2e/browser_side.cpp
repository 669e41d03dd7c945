#include "browser_side.h"

#include <iostream>

#include "harness.h"

namespace e2e {

bool ShellWindowsServerRegistered() {
  static const bool registered = [] {
    const std::string command =
        "regsvr32.exe /s \"" + DriverFolder() + "TestShellWindows.dll\"";
    DWORD code = 12345;
    const bool ended = RunAndWait(command, 30000, &code);
    if (!ended || code != 0)
      std::cerr << command << (ended ? " ended with " + std::to_string(code) : " did not end")
                << std::endl;
    return ended && code == 0;
  }();
  return registered;
}

BrowserFrames::BrowserFrames() {
  RegisterBrowserFrameClass();  // a failure shows as frames that cannot be opened
}

BrowserFrames::~BrowserFrames() {
  for (HWND frame : frames_)
    if (IsWindow(frame)) DestroyWindow(frame);
  PumpMessages();
}

HWND BrowserFrames::Open(const std::string& address) {
  HWND frame = CreateWindowExA(0, "IEFrame", address.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 300,
                               200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (frame) frames_.push_back(frame);
  return frame;
}

namespace {

std::vector<std::string> ClassKeys(const std::string& class_id) {
  const std::string key = "Software\\Classes\\CLSID\\" + class_id;
  return {key, key + "\\InprocServer32", key + "\\" + kAppContainerCompatibleKey};
}

}  // namespace

const CompanionLibrary& SelmontLibrary() {
  static const CompanionLibrary library = [] {
    CompanionLibrary l{"Selmont.dll", "{6B1E93D2-4F0A-4C57-9E38-2D7A5C1F0B64}", {}};
    l.keys = ClassKeys(l.class_id);
    l.keys.push_back(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\" +
        std::string(l.class_id));
    return l;
  }();
  return library;
}

const CompanionLibrary& DarrowinLibrary() {
  static const CompanionLibrary library = [] {
    CompanionLibrary l{"Darrowin.dll", "{C4D2A871-0B5E-4F93-8A16-7E5B3D90F2C8}", {}};
    l.keys = ClassKeys(l.class_id);
    const std::string prog_id = std::string("Software\\Classes\\") + kBlackListProgId;
    for (const std::string& k :
         {l.keys[0] + "\\ProgID", l.keys[0] + "\\VersionIndependentProgID", prog_id,
          prog_id + "\\CLSID", prog_id + "\\CurVer", prog_id + ".1", prog_id + ".1\\CLSID"})
      l.keys.push_back(k);
    return l;
  }();
  return library;
}

bool MachineKeyExists(const std::string& path, REGSAM view) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

std::vector<std::string> PresentKeys(const CompanionLibrary& library, REGSAM view) {
  std::vector<std::string> present;
  for (const std::string& k : library.keys)
    if (MachineKeyExists(k, view)) present.push_back(k);
  return present;
}

std::string MachineText(const std::string& path, const char* name, REGSAM view) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    return "";
  char data[MAX_PATH * 2] = {};
  DWORD size = sizeof(data) - 1, type = 0;
  const LONG result =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : std::string();
}

void RemoveRegistration(const CompanionLibrary& library, REGSAM view) {
  // Children go with their parents; the deepest first keeps a parent from blocking.
  for (auto k = library.keys.rbegin(); k != library.keys.rend(); ++k) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, k->c_str(), 0, KEY_ALL_ACCESS | view, &key) !=
        ERROR_SUCCESS)
      continue;
    RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    const size_t parent = k->rfind('\\');
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, k->substr(0, parent).c_str(), 0, KEY_ALL_ACCESS | view,
                      &key) == ERROR_SUCCESS) {
      RegDeleteKeyA(key, k->substr(parent + 1).c_str());
      RegCloseKey(key);
    }
  }
}

void WriteInstallerMark(bool present) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kInstallerMarkKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return;
  const DWORD one = 1;
  if (present) {
    RegSetValueExA(key, kInstallerMarkValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                   sizeof one);
  } else {
    RegDeleteValueA(key, kInstallerMarkValue);
  }
  RegCloseKey(key);
}

}  // namespace e2e
