// orvanel_ctl.exe: small remote control for a running Orvanel.exe on the desktop "shell", used by
// tools/run.sh when there is no screen to look at.
//   orvanel_ctl show  [timeout_ms]   waits for the main window and shows it
//   orvanel_ctl menu  [timeout_ms]   opens the tray menu as a right click on the icon does
//   orvanel_ctl close [timeout_ms]   closes the main window and waits for the program to end
//   orvanel_ctl start EXE [timeout_ms]  starts EXE on the desktop (it goes on running) and waits
//                                    for its started main window and its tray icon
//   orvanel_ctl tray  [timeout_ms]   waits until the running program's tray icon is there
//   orvanel_ctl run timeout_ms COMMAND...  runs a command line on the desktop and waits for it
//                                    (and for the copy of itself an NSIS uninstaller runs);
//                                    exit code: the command's
//   orvanel_ctl wizard timeout_ms COMMAND...  runs an installer on the desktop and goes through
//                                    its pages with their default button (next, install,
//                                    finish) as a user who changes nothing would; prints
//                                    "installer <process id>"; exit code: the installer's
//   orvanel_ctl parent [timeout_ms]  prints the process id of the running program's parent and
//                                    its name ("-" when it has ended)
// Exit code 0 on success, 1 on timeout or failure, 2 on bad arguments.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "harness.h"

#include <tlhelp32.h>

namespace {

// The running program's main window, or null after saying why.
HWND WaitForAnyMainWindow(DWORD timeout_ms) {
  HWND hwnd = e2e::WaitForMainWindow(0, timeout_ms);
  if (!hwnd) std::fprintf(stderr, "orvanel_ctl: no Orvanel window appeared\n");
  return hwnd;
}

// What the shell sends the window for clicks on its tray icon.
using e2e::kTrayCallback;
using e2e::kTrayIconId;

int Show(DWORD timeout_ms) {
  HWND hwnd = WaitForAnyMainWindow(timeout_ms);
  if (!hwnd) return 1;
  // As a click on the tray icon shows it (with its taskbar entry).
  PostMessageA(hwnd, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
  if (!e2e::WaitUntil([&] { return IsWindowVisible(hwnd) != FALSE; }, timeout_ms)) return 1;
  // Let the window paint before anyone takes a picture: a round trip through its queue.
  DWORD_PTR ignored;
  SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &ignored);
  return 0;
}

int Menu(DWORD timeout_ms) {
  HWND hwnd = WaitForAnyMainWindow(timeout_ms);
  if (!hwnd) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  PostMessageA(hwnd, kTrayCallback, kTrayIconId, WM_RBUTTONUP);
  auto menu_open = [&] {
    for (HWND w : e2e::FindTopLevelWindows("#32768", pid))
      if (IsWindowVisible(w)) return true;
    return false;
  };
  if (!e2e::WaitUntil(menu_open, timeout_ms)) {
    std::fprintf(stderr, "orvanel_ctl: the tray menu did not open\n");
    return 1;
  }
  Sleep(300);  // the menu window is up; give its owner-drawn entries time to paint
  return 0;
}

int Close(DWORD timeout_ms) {
  HWND hwnd = WaitForAnyMainWindow(timeout_ms);
  if (!hwnd) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  bool ended = process && WaitForSingleObject(process, timeout_ms) == WAIT_OBJECT_0;
  if (process) CloseHandle(process);
  if (!ended) std::fprintf(stderr, "orvanel_ctl: the program did not end\n");
  return ended ? 0 : 1;
}

bool WaitForTrayIcon(HWND hwnd, DWORD timeout_ms) {
  return e2e::WaitUntil([&] { return e2e::HasTrayIcon(hwnd, static_cast<UINT>(kTrayIconId)); }, timeout_ms);
}

int Start(const char* exe, DWORD timeout_ms) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  char desktop[] = "shell";
  si.lpDesktop = desktop;
  std::string command = std::string("\"") + exe + "\"";
  std::string folder(exe);
  folder = folder.substr(0, folder.find_last_of('\\') + 1);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    std::fprintf(stderr, "orvanel_ctl: cannot start %s (error %lu)\n", exe, GetLastError());
    return 1;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  HWND hwnd = e2e::WaitForMainWindow(pi.dwProcessId, timeout_ms);
  if (!hwnd) {
    std::fprintf(stderr, "orvanel_ctl: %s showed no started main window\n", exe);
    return 1;
  }
  if (!WaitForTrayIcon(hwnd, timeout_ms)) {
    std::fprintf(stderr, "orvanel_ctl: %s has no tray icon\n", exe);
    return 1;
  }
  return 0;
}

int Tray(DWORD timeout_ms) {
  HWND hwnd = WaitForAnyMainWindow(timeout_ms);
  if (!hwnd) return 1;
  if (WaitForTrayIcon(hwnd, timeout_ms)) return 0;
  std::fprintf(stderr, "orvanel_ctl: the program has no tray icon\n");
  return 1;
}

bool UninstallerCopyRunning() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32First(snap, &entry); more && !found;
       more = Process32Next(snap, &entry)) {
    const char* name = entry.szExeFile;
    found = lstrcmpiA(name, "Au_.exe") == 0 || lstrcmpiA(name, "Un.exe") == 0 ||
            (std::strlen(name) == 8 && _strnicmp(name, "Un_", 3) == 0 &&
             lstrcmpiA(name + 4, ".exe") == 0);
  }
  CloseHandle(snap);
  return found;
}

int Run(DWORD timeout_ms, const std::string& command_line) {
  DWORD code = 1;
  if (!e2e::RunAndWait(command_line, timeout_ms, &code)) {
    std::fprintf(stderr, "orvanel_ctl: %s did not start or did not end\n", command_line.c_str());
    return 1;
  }
  // An NSIS uninstaller copies itself to the temporary folder (NSIS 3: Un.exe, or Un_A.exe ...
  // when taken; NSIS 2: Au_.exe), starts the copy and ends at once; the copy does the work.
  if (!e2e::WaitUntil([] { return !UninstallerCopyRunning(); }, timeout_ms)) {
    std::fprintf(stderr, "orvanel_ctl: the uninstaller's copy did not end\n");
    return 1;
  }
  return static_cast<int>(code);
}

// The command line of the arguments from `first` on, each quoted when it holds a blank.
std::string CommandLine(int argc, char** argv, int first) {
  std::string command_line;
  for (int i = first; i < argc; ++i) {
    if (i > first) command_line += ' ';
    const bool quote = std::strchr(argv[i], ' ') != nullptr;
    command_line += quote ? "\"" + std::string(argv[i]) + "\"" : std::string(argv[i]);
  }
  return command_line;
}

// A wizard's default button (IDOK: next, install, finish) of the process's visible dialogs,
// pressed when it can be.
void PressDefaultButton(DWORD process_id) {
  for (HWND dialog : e2e::FindTopLevelWindows("#32770", process_id)) {
    HWND button = GetDlgItem(dialog, IDOK);
    if (IsWindowVisible(dialog) && button && IsWindowVisible(button) && IsWindowEnabled(button))
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
  }
}

int Wizard(DWORD timeout_ms, std::string command_line) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  char desktop[] = "shell";
  si.lpDesktop = desktop;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi)) {
    std::fprintf(stderr, "orvanel_ctl: cannot start %s\n", command_line.c_str());
    return 1;
  }
  std::printf("installer %lu\n", pi.dwProcessId);
  std::fflush(stdout);
  const DWORD until = GetTickCount() + timeout_ms;
  // A page that is still working keeps its button disabled; each round presses what it can.
  while (WaitForSingleObject(pi.hProcess, 1000) == WAIT_TIMEOUT) {
    if (GetTickCount() > until) {
      TerminateProcess(pi.hProcess, 1);
      std::fprintf(stderr, "orvanel_ctl: the installer did not end\n");
      break;
    }
    PressDefaultButton(pi.dwProcessId);
  }
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

int Parent(DWORD timeout_ms) {
  HWND hwnd = WaitForAnyMainWindow(timeout_ms);
  if (!hwnd) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  DWORD parent = 0;
  for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry))
    if (entry.th32ProcessID == pid) parent = entry.th32ParentProcessID;
  std::string name = "-";
  for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry))
    if (parent != 0 && entry.th32ProcessID == parent) name = entry.szExeFile;
  CloseHandle(snap);
  std::printf("%lu %s\n", parent, name.c_str());
  return parent != 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orvanel_ctl show|menu|close|tray|parent [timeout_ms] | start EXE "
                         "[timeout_ms] | run|wizard timeout_ms COMMAND...\n");
    return 2;
  }
  const DWORD timeout_ms = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 30000;
  if (!e2e::EnterShellDesktop()) {
    std::fprintf(stderr, "orvanel_ctl: cannot enter the shell desktop\n");
    return 1;
  }
  if (std::strcmp(argv[1], "show") == 0) return Show(timeout_ms);
  if (std::strcmp(argv[1], "menu") == 0) return Menu(timeout_ms);
  if (std::strcmp(argv[1], "close") == 0) return Close(timeout_ms);
  if (std::strcmp(argv[1], "tray") == 0) return Tray(timeout_ms);
  if (std::strcmp(argv[1], "start") == 0 && argc > 2)
    return Start(argv[2], argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 30000);
  if (std::strcmp(argv[1], "run") == 0 && argc > 3)
    return Run(timeout_ms, CommandLine(argc, argv, 3));
  if (std::strcmp(argv[1], "wizard") == 0 && argc > 3)
    return Wizard(timeout_ms, CommandLine(argc, argv, 3));
  if (std::strcmp(argv[1], "parent") == 0) return Parent(timeout_ms);
  std::fprintf(stderr, "orvanel_ctl: unknown command %s\n", argv[1]);
  return 2;
}
