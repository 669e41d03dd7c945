// Program entry: one instance only, then the hidden main window and its message loop.
#include <windows.h>

#include "shell/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Owned by this instance until the process ends; never closed. Another instance holding the
  // name ends this one at once and silently.
  CreateMutexA(nullptr, TRUE, "TVOrvanel");
  if (GetLastError() != 0) return 0;

  orv::MainWindow window(instance);
  if (!window.Create()) return 1;
  return orv::MainWindow::RunMessageLoop();
}
