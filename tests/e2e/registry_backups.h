#pragma once
// What the end-to-end tests need to check a page's registry backups and the reports the program
// folder refuses: the user's folder and its backup folder, the keys and values as the registry
// stores them (UTF-16 names and data, so that a restore is compared byte for byte), and the
// Registry Editor that restores a file.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {

// %LOCALAPPDATA%\Tavrosel\Orvanel\, the user's folder of the program.
inline std::string UserFolder() {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return std::string();
  return std::string(folder) + "\\Tavrosel\\Orvanel\\";
}
// Where the program writes its backups.
inline std::string BackupFolder() { return UserFolder() + "backup\\"; }

// The full paths of the backups there now.
inline std::vector<std::string> BackupFiles() {
  std::vector<std::string> files;
  const std::string folder = BackupFolder();
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "*.reg").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    files.push_back(folder + found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(files.begin(), files.end());
  return files;
}

// The backups written since `before` was taken.
inline std::vector<std::string> NewBackups(const std::vector<std::string>& before) {
  std::vector<std::string> added;
  for (const std::string& file : BackupFiles())
    if (std::find(before.begin(), before.end(), file) == before.end()) added.push_back(file);
  return added;
}

namespace detail {
inline std::string Hex(const BYTE* data, DWORD size) {
  std::string out;
  char digits[4];
  for (DWORD i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", data[i]);
    out += digits;
  }
  return out;
}
inline std::string Utf16Hex(const wchar_t* text, DWORD length) {
  return Hex(reinterpret_cast<const BYTE*>(text), length * sizeof(wchar_t));
}
// One value as stored: its name and data as UTF-16 bytes, its type.
inline std::string StoredValue(HKEY key, const wchar_t* name, DWORD name_length) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return "";
  std::vector<BYTE> data(size + 2);
  if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return "";
  return Utf16Hex(name, name_length) + ":" + std::to_string(type) + ":" + Hex(data.data(), size) +
         ";";
}
inline std::string StoredKey(HKEY key) {
  std::string out = "{";
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD length = 16384;
    if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    out += StoredValue(key, name, length);
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    HKEY below;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &below) != ERROR_SUCCESS) continue;
    out += Utf16Hex(name, length) + StoredKey(below);
    RegCloseKey(below);
  }
  return out + "}";
}
}  // namespace detail

// A key with every value and key below it (value_name nullptr), or one value of it, as the
// registry stores it in the view; "(none)" when it is not there.
inline std::string StoredTree(HKEY root, const std::string& path, REGSAM view,
                              const char* value_name = nullptr) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    return "(none)";
  std::string out;
  if (value_name) {
    wchar_t name[16384];
    const int length = MultiByteToWideChar(CP_ACP, 0, value_name, -1, name, 16384);
    out = length > 0 ? detail::StoredValue(key, name, static_cast<DWORD>(length - 1)) : "";
    if (out.empty()) out = "(none)";
  } else {
    out = detail::StoredKey(key);
  }
  RegCloseKey(key);
  return out;
}

// Restores a .reg file as a double-click does, without the question: the Registry Editor of the
// Windows folder, the 64-bit one on 64-bit Windows (a search by name from a 32-bit driver would
// find the 32-bit one of the redirected system folder first).
inline bool ImportRegFile(const std::string& path) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  DWORD code = 1;
  return RunAndWait("\"" + std::string(windows) + "\\regedit.exe\" /s \"" + path + "\"", 30000,
                    &code) &&
         code == 0;
}

}  // namespace e2e
