// Program entry: one instance only, then the hidden main window and its message loop.
#include <windows.h>

#include <string>

#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_registry.h"
#include "shell/orvanel_form.h"
#include "app/win32/main_window.h"

namespace {

// The executable's full path, however long.
std::string ExecutablePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);  // cut off: try a larger buffer
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Owned by this instance until the process ends; never closed. Another instance holding the
  // name ends this one at once and silently.
  CreateMutexA(nullptr, TRUE, orv::kMutexName);
  if (GetLastError() != 0) return 0;

  orv::Win32Registry registry;
  orv::Win32Clock clock;
  orv::MainWindow window(instance, registry, clock, ExecutablePath());
  if (!window.Create()) return 1;
  return window.RunMessageLoop();
}
