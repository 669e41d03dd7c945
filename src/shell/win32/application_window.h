#pragma once
// The application's own top-level window: it carries the application title and owns the main
// window, so the taskbar entry and the task switcher show that title while the main window
// keeps its class and caption (outside components find it by them). It has no size and is
// shown exactly while the main window is; whatever the taskbar does to it (activate, minimise,
// restore, close) goes on to the main window.
#include <windows.h>

namespace orv::win32 {

class ApplicationWindow {
 public:
  ApplicationWindow() = default;
  ~ApplicationWindow();
  ApplicationWindow(const ApplicationWindow&) = delete;
  ApplicationWindow& operator=(const ApplicationWindow&) = delete;

  // Creates the window, hidden. False when it could not be made.
  bool Create(HINSTANCE instance, const char* title, HICON icon, HICON small_icon);
  HWND handle() const { return hwnd_; }
  // The window it stands for, created with handle() as its owner.
  void set_main(HWND main) { main_ = main; }

  // Shows the main window, restores it when it is minimised, then brings it to the front.
  void ShowMain();
  // Hides the main window (it lives on in the tray).
  void HideMain();
  // The main window's visibility changed (its WM_WINDOWPOSCHANGED): the entry follows it.
  void MainShown(bool shown);

 private:
  static LRESULT CALLBACK WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void ActivateMain();

  HWND hwnd_ = nullptr;
  HWND main_ = nullptr;
};

}  // namespace orv::win32
