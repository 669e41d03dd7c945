#include "harness.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>

#include "png_writer.h"

namespace e2e {

const char kOrvanelClass[] = "TOrvanelForm";
const char kOrvanelCaption[] = "岚澄欧凡诺 V1.2";
const char kSettingsKey[] = "Software\\Tavrosel\\Orvanel";
const char kStartedProperty[] = "OrvanelStarted";

namespace {

const char kDesktopName[] = "shell";

std::string FolderOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool DeleteTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  return RemoveDirectoryA(dir.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Copies the files matching `pattern` in `from` (both ending in "\") to `to`; with `recurse`,
// sub-folders too.
bool CopyFiles(const std::string& from, const std::string& to, const char* pattern, bool recurse) {
  CreateDirectoryA(to.c_str(), nullptr);
  bool ok = true;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((from + pattern).c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return true;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (recurse) ok = CopyFiles(from + name + "\\", to + name + "\\", "*", true) && ok;
    } else {
      ok = CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE) && ok;
    }
  } while (FindNextFileA(find, &fd));
  FindClose(find);
  return ok;
}

// A Unix path given to a Wine program is reached through drive Z:.
std::string ToWindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return done();
    Sleep(20);
  }
}

bool EnterShellDesktop() {
  // Wine makes a named desktop a virtual desktop window of this size when the name is listed
  // here (the same as "explorer /desktop=shell,1000x700"); Windows ignores the key.
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    const char size[] = "1000x700";
    RegSetValueExA(key, kDesktopName, 0, REG_SZ, reinterpret_cast<const BYTE*>(size),
                   sizeof(size));
    RegCloseKey(key);
  }
  // The handle stays open for the life of the driver, keeping the desktop alive between tests.
  HDESK desktop = CreateDesktopA(kDesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  return desktop != nullptr && SetThreadDesktop(desktop);
}

std::string DriverFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return FolderOf(std::string(path, n));
}

std::string MakeProgramFolder(const std::string& name) {
  const std::string base = DriverFolder() + "e2e-programs\\";
  const std::string dir = base + name + "\\";
  CreateDirectoryA(base.c_str(), nullptr);
  DeleteTree(base + name);
  if (!CopyFiles(DriverFolder(), dir, "Orvanel.exe", false) ||
      !CopyFiles(DriverFolder(), dir, "*.dll", false) ||
      !CopyFiles(DriverFolder(), dir, "*.htm", false) ||
      !CopyFiles(DriverFolder() + "conf\\", dir + "conf\\", "*", true))
    return std::string();
  // The 32-bit build's 64-bit companions.
  const std::string x64 = DriverFolder() + "x64\\";
  if (GetFileAttributesA(x64.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !CopyFiles(x64, dir + "x64\\", "*.dll", false))
    return std::string();
  return dir;
}

std::vector<DWORD> ProcessesNamed(const char* exe_name) {
  std::vector<DWORD> ids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 pe = {};
  pe.dwSize = sizeof(pe);
  for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe))
    if (lstrcmpiA(pe.szExeFile, exe_name) == 0) ids.push_back(pe.th32ProcessID);
  CloseHandle(snap);
  return ids;
}

namespace {

// Gives an Orvanel.exe up to `timeout_ms` to get through its start-up sequence (or to end).
// The sequence starts RegSvr32; under Wine a process ended while it starts another one leaves
// that child hanging before its first instruction, for good.
void LetStartUpFinish(HANDLE process, DWORD process_id, DWORD timeout_ms) {
  WaitUntil(
      [&] {
        if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT) return true;
        for (HWND w : FindTopLevelWindows(kOrvanelClass, process_id))
          if (HasStarted(w)) return true;
        return false;
      },
      timeout_ms);
}

// Ends the processes of one executable name; returns how many there were.
size_t EndProcessesNamed(const char* exe_name) {
  std::vector<std::pair<HANDLE, DWORD>> victims;
  for (DWORD id : ProcessesNamed(exe_name)) {
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (h) victims.emplace_back(h, id);
  }
  for (auto [h, id] : victims) {
    if (lstrcmpiA(exe_name, "Orvanel.exe") == 0) LetStartUpFinish(h, id, 10000);
    TerminateProcess(h, 1);
    WaitForSingleObject(h, 10000);
    CloseHandle(h);
  }
  return victims.size();
}

}  // namespace

std::vector<std::string> EndStrayProcesses() {
  std::vector<std::string> ended;
  if (EndProcessesNamed("Orvanel.exe")) ended.push_back("Orvanel.exe");
  if (EndProcessesNamed("iexplore.exe")) ended.push_back("iexplore.exe");
  // The inventory pages open each exported report in Notepad.
  if (EndProcessesNamed("notepad.exe")) ended.push_back("notepad.exe");
  // The program starts RegSvr32 without waiting for it; a run normally ends within a second.
  WaitUntil([] { return ProcessesNamed("regsvr32.exe").empty(); }, 5000);
  if (EndProcessesNamed("regsvr32.exe")) ended.push_back("regsvr32.exe");
  for (const std::string& name : ended) std::printf("e2e: ended a stray %s\n", name.c_str());
  return ended;
}

bool RunAndWait(const std::string& command_line, DWORD timeout_ms, DWORD* code) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  std::string desktop = kDesktopName;
  si.lpDesktop = &desktop[0];
  std::string command = command_line;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi))
    return false;
  const bool ended = WaitForSingleObject(pi.hProcess, timeout_ms) == WAIT_OBJECT_0;
  if (ended) {
    if (code) GetExitCodeProcess(pi.hProcess, code);
  } else {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 10000);
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return ended;
}

Process::~Process() {
  Kill();
  if (pi_.hProcess) CloseHandle(pi_.hProcess);
  if (pi_.hThread) CloseHandle(pi_.hThread);
}

bool Process::Start(const std::string& exe, const std::string& working_dir) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  std::string desktop = kDesktopName;
  si.lpDesktop = &desktop[0];
  std::string command = "\"" + exe + "\"";
  std::string dir = working_dir.empty() ? FolderOf(exe) : working_dir;
  return CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi_) != FALSE;
}

bool Process::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeout_ms, DWORD* code) {
  if (!pi_.hProcess || WaitForSingleObject(pi_.hProcess, timeout_ms) != WAIT_OBJECT_0)
    return false;
  if (code) GetExitCodeProcess(pi_.hProcess, code);
  return true;
}

void Process::Kill() {
  if (Running()) {
    LetStartUpFinish(pi_.hProcess, pi_.dwProcessId, 10000);
    TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, 10000);
  }
}

std::vector<HWND> FindTopLevelWindows(const char* class_name, DWORD process_id) {
  std::vector<HWND> found;
  for (HWND w = FindWindowExA(nullptr, nullptr, class_name, nullptr); w;
       w = FindWindowExA(nullptr, w, class_name, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (process_id == 0 || owner == process_id) found.push_back(w);
  }
  return found;
}

HWND FindMainWindow(DWORD process_id) {
  for (HWND w : FindTopLevelWindows(kOrvanelClass, process_id))
    if (WindowText(w) == kOrvanelCaption) return w;
  return nullptr;
}

bool HasTrayIcon(HWND owner, UINT icon_id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = owner;
  data.uID = icon_id;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool HasStarted(HWND main_window) { return GetPropA(main_window, kStartedProperty) != nullptr; }

HWND WaitForMainWindow(DWORD process_id, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindMainWindow(process_id);
        return found != nullptr && HasStarted(found);
      },
      timeout_ms);
  return found && HasStarted(found) ? found : nullptr;
}

std::string WindowText(HWND hwnd) {
  char text[512] = {};
  int n = GetWindowTextA(hwnd, text, sizeof(text));
  return std::string(text, n > 0 ? n : 0);
}

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof(name));
  return name;
}

namespace {
struct DescendantSearch {
  const char* class_name;
  const char* parent_text;
  const char* text;
  HWND found;
};

// A named CALLBACK, not a lambda: a lambda's function pointer is not stdcall on 32-bit Windows.
BOOL CALLBACK MatchDescendant(HWND child, LPARAM data) {
  auto* s = reinterpret_cast<DescendantSearch*>(data);
  if (lstrcmpiA(ClassOf(child).c_str(), s->class_name) != 0) return TRUE;
  if (s->parent_text && WindowText(GetParent(child)) != s->parent_text) return TRUE;
  if (s->text && WindowText(child) != s->text) return TRUE;
  s->found = child;
  return FALSE;
}
}  // namespace

HWND FindDescendant(HWND parent, const char* class_name, const char* parent_text,
                    const char* text) {
  DescendantSearch search{class_name, parent_text, text, nullptr};
  EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool RegisterBrowserFrameClass() {
  static const ATOM registered = [] {
    WNDCLASSA frame_class = {};
    frame_class.lpfnWndProc = DefWindowProcA;
    frame_class.hInstance = GetModuleHandleA(nullptr);
    frame_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frame_class.lpszClassName = "IEFrame";
    return RegisterClassA(&frame_class);
  }();
  return registered != 0;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool WaitUntilPumping(const std::function<bool()>& done, DWORD timeout_ms) {
  return WaitUntil(
      [&] {
        PumpMessages();
        return done();
      },
      timeout_ms);
}

void DeleteSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

void DeleteStartupValue() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    HKEY key;
    if (RegOpenKeyExA(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_SET_VALUE, &key) != ERROR_SUCCESS)
      continue;
    RegDeleteValueA(key, "TavroselOrvanel");
    RegCloseKey(key);
  }
}

namespace {

bool ReadSetting(const char* name, DWORD want_type, std::string* data) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  if (rc == ERROR_SUCCESS && type == want_type) {
    data->assign(size, '\0');
    rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&(*data)[0]), &size);
    data->resize(size);
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == want_type;
}

bool WriteSetting(const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG rc = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

}  // namespace

bool ReadSettingString(const char* name, std::string* value) {
  if (!ReadSetting(name, REG_SZ, value)) return false;
  value->resize(value->find('\0') == std::string::npos ? value->size() : value->find('\0'));
  return true;
}

bool WriteSettingString(const char* name, const std::string& value) {
  return WriteSetting(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool ReadSettingDword(const char* name, DWORD* value) {
  std::string data;
  if (!ReadSetting(name, REG_DWORD, &data) || data.size() != sizeof(DWORD)) return false;
  memcpy(value, data.data(), sizeof(DWORD));
  return true;
}

bool WriteSettingDword(const char* name, DWORD value) {
  return WriteSetting(name, REG_DWORD, &value, sizeof(value));
}

std::string IniValue(const std::string& path, const char* section, const std::string& key,
                     bool* found) {
  // A default no value can hold (a control byte) tells a missing key from an empty one.
  const char kMissing[] = "\x01";
  std::vector<char> buffer(32768);
  DWORD n = GetPrivateProfileStringA(section, key.c_str(), kMissing, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), path.c_str());
  std::string value(buffer.data(), n);
  const bool exists = value != kMissing;
  if (found) *found = exists;
  return exists ? value : std::string();
}

std::vector<std::string> IniKeys(const std::string& path, const char* section) {
  std::vector<char> buffer(1 << 20);
  DWORD n = GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                     static_cast<DWORD>(buffer.size()), path.c_str());
  std::vector<std::string> keys;
  for (DWORD i = 0; i < n;) {
    std::string key(&buffer[i]);
    i += static_cast<DWORD>(key.size()) + 1;
    if (!key.empty()) keys.push_back(key);
  }
  return keys;
}

bool WriteIniValue(const std::string& path, const char* section, const std::string& key,
                   const std::string& value) {
  return WritePrivateProfileStringA(section, key.c_str(), value.c_str(), path.c_str()) != FALSE;
}

bool ReadFileBytes(const std::string& path, std::string* data) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  data->clear();
  char buf[65536];
  DWORD got = 0;
  bool ok;
  while ((ok = ReadFile(f, buf, sizeof(buf), &got, nullptr)) && got > 0) data->append(buf, got);
  CloseHandle(f);
  return ok;
}

bool WriteFileBytes(const std::string& path, const std::string& data) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  bool ok = WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &put, nullptr) &&
            put == data.size();
  CloseHandle(f);
  return ok;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int Screenshot::DistinctColours(int limit) const {
  std::vector<unsigned> seen;
  for (std::size_t i = 0; i + 2 < rgb.size() && static_cast<int>(seen.size()) < limit; i += 3) {
    unsigned colour = rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2];
    bool known = false;
    for (unsigned c : seen) known = known || c == colour;
    if (!known) seen.push_back(colour);
  }
  return static_cast<int>(seen.size());
}

bool CaptureDesktop(Screenshot* shot) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = dib != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, dib);
    ok = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  if (ok) {
    shot->width = width;
    shot->height = height;
    shot->rgb.resize(static_cast<std::size_t>(width) * height * 3);
    const unsigned char* bgra = static_cast<const unsigned char*>(bits);
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
      shot->rgb[i * 3] = bgra[i * 4 + 2];
      shot->rgb[i * 3 + 1] = bgra[i * 4 + 1];
      shot->rgb[i * 3 + 2] = bgra[i * 4];
    }
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

std::string SaveScreenshot(const Screenshot& shot, const std::string& name) {
  const char* env = std::getenv("ORVANEL_SCREENSHOTS");
  std::string dir = env && *env ? ToWindowsPath(env) : DriverFolder() + "screenshots\\";
  // Make each missing level of the folder.
  for (std::size_t pos = 3; (pos = dir.find('\\', pos)) != std::string::npos; ++pos)
    CreateDirectoryA(dir.substr(0, pos).c_str(), nullptr);
  const std::string path = dir + name + ".png";
  std::vector<std::uint8_t> png = EncodePng(shot.width, shot.height, shot.rgb);
  return WriteFileBytes(path, std::string(png.begin(), png.end())) ? path : std::string();
}

}  // namespace e2e
