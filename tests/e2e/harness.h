#pragma once
// Helpers for driving Orvanel.exe from a second process: the shared desktop, a fresh program
// folder per test, process start/stop, window lookup, registry and files, screenshots.
// Meant for a test Wine prefix (or a test machine): it deletes Orvanel's settings key.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

extern const char kOrvanelClass[];    // "TOrvanelForm"
extern const char kOrvanelCaption[];  // "岚澄欧凡诺 V1.2" (code page 936 bytes)
extern const char kSettingsKey[];     // HKCU "Software\Tavrosel\Orvanel"
extern const char kStartedProperty[]; // window property: the start-up sequence has run
// The tray icon's callback message to the main window, and the icon's id (its wParam).
constexpr UINT kTrayCallback = WM_APP + 1;
constexpr WPARAM kTrayIconId = 1;

// Polls `done` every 20 ms until it holds or `timeout_ms` passes; returns its last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD timeout_ms);

// Makes the virtual desktop "shell" (1000 x 700 under Wine) and moves the calling thread onto it,
// so that FindWindow and screenshots see the windows of the programs started there. Call once,
// before this thread creates any window.
bool EnterShellDesktop();

// Folder of the running driver, with a trailing backslash; Orvanel.exe and conf\ are there.
std::string DriverFolder();

// Makes an empty copy of the delivered program for one test: Orvanel.exe, the DLLs and the
// pages (*.htm) beside it, conf\ and, in the 32-bit build, x64\ with the 64-bit companions,
// under <driver folder>e2e-programs\<name>\. Returns the new folder (trailing "\").
std::string MakeProgramFolder(const std::string& name);

// Ends what a test may leave behind: Orvanel.exe (each first given up to 10 s to finish its
// start-up sequence, as in Process::Kill), the browsers it opened (iexplore.exe), the reports
// it opened in Notepad (notepad.exe) and the RegSvr32.exe runs it started (given a few seconds
// to end by themselves first). Returns the names of the processes that had to be ended, which
// also go to the test log.
std::vector<std::string> EndStrayProcesses();
// Ids of the running processes with this executable name (any case).
std::vector<DWORD> ProcessesNamed(const char* exe_name);

// Runs a command line on the shell desktop and waits for its end; false on a start failure or
// a timeout (the process is then ended). The exit code goes to *code.
bool RunAndWait(const std::string& command_line, DWORD timeout_ms, DWORD* code);

// One started Orvanel.exe.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts `exe` on the shell desktop, working directory = `working_dir` (empty: its folder).
  bool Start(const std::string& exe, const std::string& working_dir = std::string());
  bool Running() const;
  // Waits for the end; false on timeout. The exit code goes to *code.
  bool WaitForExit(DWORD timeout_ms, DWORD* code);
  // Ends the program, but never inside its start-up sequence (waits up to 10 s for the started
  // mark): under Wine, a process ended while it starts another (RegSvr32) leaves that child
  // hanging for good.
  void Kill();
  DWORD id() const { return pi_.dwProcessId; }

 private:
  PROCESS_INFORMATION pi_ = {};
};

// Top-level windows of a class on this thread's desktop, optionally only those of one process.
std::vector<HWND> FindTopLevelWindows(const char* class_name, DWORD process_id = 0);
// The main window of `process_id` (class and caption, as outside components find it), at once;
// nullptr when there is none (yet).
HWND FindMainWindow(DWORD process_id);
// Whether the tray holds the icon `icon_id` of `owner`: an empty NIM_MODIFY, which the shell
// refuses for an icon it does not have, and which changes nothing when it has it.
bool HasTrayIcon(HWND owner, UINT icon_id);
// True once the window's start-up sequence has run (kStartedProperty).
bool HasStarted(HWND main_window);
// Waits for the main window of `process_id` (class and caption) and for the end of its start-up
// sequence; nullptr on timeout.
HWND WaitForMainWindow(DWORD process_id, DWORD timeout_ms);
std::string WindowText(HWND hwnd);
std::string ClassOf(HWND hwnd);
// The first descendant of `parent` of this class whose own parent has the text `parent_text`
// (nullptr: any), and whose text is `text` (nullptr: any).
HWND FindDescendant(HWND parent, const char* class_name, const char* parent_text,
                    const char* text);

// Registers the browser frame class "IEFrame" for this driver, once (window procedure
// DefWindowProcA; a test that records messages subclasses its own frames). False when it could not.
bool RegisterBrowserFrameClass();

// Handles this thread's pending messages (windows the driver owns, such as dummy browser
// frames, must answer WM_CLOSE while the driver waits).
void PumpMessages();
// WaitUntil that keeps handling this thread's messages while it waits.
bool WaitUntilPumping(const std::function<bool()>& done, DWORD timeout_ms);

// Settings key (HKCU\Software\Tavrosel\Orvanel).
void DeleteSettingsKey();
// The start-up value the program writes on its first run (HKLM ...\Run "TavroselOrvanel", or
// the same under HKCU without elevation), from both keys: left in the prefix, the next Wine
// boot would start that copy of the program.
void DeleteStartupValue();
bool ReadSettingString(const char* name, std::string* value);
bool WriteSettingString(const char* name, const std::string& value);
bool ReadSettingDword(const char* name, DWORD* value);
bool WriteSettingDword(const char* name, DWORD value);

// The private-profile (INI) functions, as the program and its companions read the files.
// Value of key in section; `found` says whether the key exists.
std::string IniValue(const std::string& path, const char* section, const std::string& key,
                     bool* found = nullptr);
// The key names of a section, in file order.
std::vector<std::string> IniKeys(const std::string& path, const char* section);
bool WriteIniValue(const std::string& path, const char* section, const std::string& key,
                   const std::string& value);

bool ReadFileBytes(const std::string& path, std::string* data);
bool WriteFileBytes(const std::string& path, const std::string& data);
bool FileExists(const std::string& path);

// A screenshot of this thread's desktop, RGB rows top to bottom.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  // Number of distinct colours, counted up to `limit`.
  int DistinctColours(int limit) const;
};
bool CaptureDesktop(Screenshot* shot);
// Saves the shot as PNG in the screenshot folder (env ORVANEL_SCREENSHOTS, a Windows or Unix
// path; default <driver folder>screenshots). Returns the file's path, or "" on failure.
std::string SaveScreenshot(const Screenshot& shot, const std::string& name);

}  // namespace e2e
