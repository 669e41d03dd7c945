#pragma once
// The program's one window, class TOrvanelForm. Outside components find it by class name and
// caption, so both are fixed.
#include <windows.h>

#include "platform/win32/win32_shell.h"

namespace orv {

extern const char kMainWindowClass[];    // "TOrvanelForm"
extern const char kMainWindowCaption[];  // "岚澄欧凡诺 V1.2", set at creation

class MainWindow {
 public:
  explicit MainWindow(HINSTANCE instance);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Registers the class and creates the window hidden: the program lives in the tray until the
  // user shows it. Returns false when the window could not be made.
  bool Create();
  HWND handle() const { return hwnd_; }

  // Runs until the window is destroyed; returns the exit code.
  static int RunMessageLoop();

 private:
  static LRESULT CALLBACK WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  // Event handlers; each runs at the event boundary, so an error it raises is shown once and
  // ends only that handler.
  void FormCreate();
  void FormClose();

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  Win32MessageBoxes boxes_;
};

}  // namespace orv
