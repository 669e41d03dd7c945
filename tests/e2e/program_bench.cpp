// orvanel_program_bench.exe: figures of the whole program, printed, never judged.
//   orvanel_program_bench [scans [patterns [starts]]]     (defaults 1000, 10000, 5)
// Start: the time from CreateProcess to the main window, to its tray icon and to the end of its
// start-up sequence, over `starts` starts of a fresh copy of the program (the first one counted
// apart: it loads what the later ones find warm). Working set: the program's, after start with
// the delivered lists, then after start with a black list of `patterns` patterns and again
// after `scans` scans of it. A scan is what the browser side asks for: message 0x502 to the
// window found by class and caption, sent (not posted) so that its end is known; the open
// browser window the scan examines is one dummy frame (listed by the test ShellWindows server)
// whose address matches no pattern, so every scan reads and matches the whole list.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "browser_side.h"
#include "harness.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr UINT kAdScan = 0x502;
constexpr UINT kTrayIconId = 1;

double MsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

struct Memory {
  SIZE_T working_set_kib = 0;
  SIZE_T private_kib = 0;
};

Memory MemoryOf(DWORD process_id) {
  Memory memory;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (process && GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
    memory.working_set_kib = counters.WorkingSetSize / 1024;
    memory.private_kib = counters.PagefileUsage / 1024;
  }
  if (process) CloseHandle(process);
  return memory;
}

// Closes the program the way its tray menu's exit does and waits for its end.
bool CloseProgram(HWND main_window, e2e::Process& program) {
  PostMessageA(main_window, WM_CLOSE, 0, 0);
  DWORD code = 0;
  return program.WaitForExit(kTimeoutMs, &code);
}

struct StartTimes {
  double window_ms = -1, tray_ms = -1, started_ms = -1;
};

// Starts the program in `folder`, timing its window, tray icon and started mark; leaves it
// running. False when one of them did not come.
bool TimedStart(const std::string& folder, e2e::Process& program, HWND* main_window,
                StartTimes* times) {
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!program.Start(folder + "Orvanel.exe")) return false;
  HWND hwnd = nullptr;
  bool window = false, tray = false, started = false;
  e2e::WaitUntil(
      [&] {
        if (!hwnd) hwnd = e2e::FindMainWindow(program.id());
        if (hwnd && !window) window = true, times->window_ms = MsSince(start);
        if (hwnd && !tray && e2e::HasTrayIcon(hwnd, kTrayIconId))
          tray = true, times->tray_ms = MsSince(start);
        if (hwnd && !started && e2e::HasStarted(hwnd))
          started = true, times->started_ms = MsSince(start);
        return window && tray && started;
      },
      kTimeoutMs);
  *main_window = hwnd;
  return window && tray && started;
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool WriteBlackList(const std::string& path, int patterns) {
  std::string text = "[POPUPAD]\r\n";
  text.reserve(static_cast<size_t>(patterns) * 40 + 64);
  for (int i = 0; i < patterns; ++i) {
    char line[96];
    std::snprintf(line, sizeof(line), "ad%d=http://ad%05d.bench.example/*\r\n", i, i);
    text += line;
  }
  return e2e::WriteFileBytes(path, text);
}

int MeasureStarts(int starts) {
  std::vector<double> window, tray, started;
  double first_tray = -1;
  for (int i = 0; i < starts; ++i) {
    e2e::DeleteSettingsKey();
    // A folder of its own for each start, so that no start depends on removing the files of the
    // one before, which Wine may still hold for a moment after that process ended.
    const std::string folder = e2e::MakeProgramFolder("program-bench-start-" + std::to_string(i + 1));
    if (folder.empty()) {
      std::printf("whole program: start %d failed: the program folder could not be made\n", i + 1);
      return 1;
    }
    e2e::Process program;
    HWND hwnd = nullptr;
    StartTimes times;
    if (!TimedStart(folder, program, &hwnd, &times)) {
      std::printf("whole program: start %d failed (window %.0f ms, tray %.0f ms, started %.0f ms)\n",
                  i + 1, times.window_ms, times.tray_ms, times.started_ms);
      return 1;
    }
    if (i == 0) {
      first_tray = times.tray_ms;
      const Memory memory = MemoryOf(program.id());
      std::printf("whole program: working set after start %zu KiB (private %zu KiB), delivered lists\n",
                  memory.working_set_kib, memory.private_kib);
    } else {
      window.push_back(times.window_ms);
      tray.push_back(times.tray_ms);
      started.push_back(times.started_ms);
    }
    if (!CloseProgram(hwnd, program)) {
      std::printf("whole program: the program did not end after start %d\n", i + 1);
      return 1;
    }
  }
  std::printf("whole program: start to main window %.0f ms, to tray icon %.0f ms, to started %.0f ms "
              "(median of %zu warm starts; first start to tray icon %.0f ms)\n",
              Median(window), Median(tray), Median(started), tray.size(), first_tray);
  return 0;
}

int MeasureScans(int scans, int patterns) {
  e2e::DeleteSettingsKey();
  const std::string folder = e2e::MakeProgramFolder("program-bench-scans");
  if (folder.empty() || !WriteBlackList(folder + "conf\\KillAD.ini", patterns)) {
    std::printf("whole program: cannot make the program folder with %d patterns\n", patterns);
    return 1;
  }
  if (!e2e::ShellWindowsServerRegistered()) {
    std::printf("whole program: the test ShellWindows server is not registered\n");
    return 1;
  }
  e2e::BrowserFrames frames;
  HWND frame = frames.Open("http://www.example.org/bench/page.html");
  e2e::Process program;
  HWND hwnd = nullptr;
  StartTimes times;
  if (!frame || !TimedStart(folder, program, &hwnd, &times)) {
    std::printf("whole program: start with %d patterns failed\n", patterns);
    return 1;
  }
  e2e::PumpMessages();
  const Memory at_start = MemoryOf(program.id());
  // Sent from this thread, the frame's owner: the scan's questions to the frame are answered
  // while each call waits.
  auto scan = [&] {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(hwnd, kAdScan, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) != 0;
  };
  // The first scan loads what every later one uses (COM, the server): growth counts from it.
  int done = scans > 0 && scan() ? 1 : 0;
  const Memory after_first = MemoryOf(program.id());
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  while (done > 0 && done < scans && scan()) ++done;
  const double elapsed = MsSince(start);
  e2e::PumpMessages();
  const Memory after = MemoryOf(program.id());
  const bool frame_open = IsWindow(frame) != FALSE;
  std::printf("whole program: %d-pattern list: start to tray icon %.0f ms; working set after start "
              "%zu KiB (private %zu KiB), after the first scan %zu KiB (private %zu KiB), after "
              "%d scans %zu KiB (private %zu KiB): growth after the first scan %+lld KiB\n",
              patterns, times.tray_ms, at_start.working_set_kib, at_start.private_kib,
              after_first.working_set_kib, after_first.private_kib, done, after.working_set_kib,
              after.private_kib,
              static_cast<long long>(after.working_set_kib) -
                  static_cast<long long>(after_first.working_set_kib));
  std::printf("whole program: %d scans of one browser window against %d patterns in %.0f ms "
              "(%.2f ms a scan, the first not counted)%s\n",
              done, patterns, elapsed, done > 1 ? elapsed / (done - 1) : 0.0,
              frame_open ? "" : "; the window was closed: a pattern matched");
  const bool closed = CloseProgram(hwnd, program);
  if (!closed) std::printf("whole program: the program did not end after the scans\n");
  return done == scans && closed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int scans = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int patterns = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int starts = argc > 3 ? std::atoi(argv[3]) : 5;
  if (scans < 0 || patterns < 1 || starts < 2) {
    std::fprintf(stderr, "usage: orvanel_program_bench [scans [patterns [starts>=2]]]\n");
    return 2;
  }
  if (!e2e::EnterShellDesktop()) {
    std::fprintf(stderr, "orvanel_program_bench: cannot enter the shell desktop\n");
    return 2;
  }
  e2e::EndStrayProcesses();
  e2e::DeleteStartupValue();
  int rc = MeasureStarts(starts);
  rc |= MeasureScans(scans, patterns);
  e2e::EndStrayProcesses();
  e2e::DeleteStartupValue();
  e2e::DeleteSettingsKey();
  std::fflush(stdout);
  return rc;
}
