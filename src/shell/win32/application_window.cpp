#include "shell/win32/application_window.h"

namespace orv::win32 {

namespace {

const char kClassName[] = "OrvanelApplication";
// Posted to itself: activation goes on to the main window once the activation has settled.
constexpr UINT kActivateMain = WM_APP + 1;

}  // namespace

ApplicationWindow::~ApplicationWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool ApplicationWindow::Create(HINSTANCE instance, const char* title, HICON icon,
                               HICON small_icon) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &ApplicationWindow::WindowProcThunk;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = small_icon;
  wc.lpszClassName = kClassName;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  // Unowned and not a tool window, so the taskbar and the task switcher list it; zero size, so
  // nothing of it is ever seen but its entry there.
  return CreateWindowExA(WS_EX_APPWINDOW, kClassName, title,
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr,
                         nullptr, instance, this) != nullptr;
}

// The entry changes before the main window does: some taskbars (Wine's) redraw their buttons
// only when the active window changes, which showing or hiding the main window does.
void ApplicationWindow::ShowMain() {
  if (!main_) return;
  MainShown(true);
  ShowWindow(main_, SW_SHOW);
  ShowWindow(main_, SW_RESTORE);
  SetForegroundWindow(main_);
}

void ApplicationWindow::HideMain() {
  if (!main_) return;
  MainShown(false);
  ShowWindow(main_, SW_HIDE);
}

void ApplicationWindow::MainShown(bool shown) {
  if (!hwnd_) return;
  // Without activation: the main window keeps the focus it is getting.
  ShowWindow(hwnd_, shown ? SW_SHOWNA : SW_HIDE);
}

void ApplicationWindow::ActivateMain() {
  if (!main_ || !IsWindowVisible(main_) || IsIconic(main_)) return;
  // A message box of the main window disables it: the box is then the window to bring back.
  HWND target = GetLastActivePopup(main_);
  if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target)) target = main_;
  SetForegroundWindow(target);
}

LRESULT CALLBACK ApplicationWindow::WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam,
                                                    LPARAM lparam) {
  ApplicationWindow* self;
  if (message == WM_NCCREATE) {
    self = static_cast<ApplicationWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<ApplicationWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT ApplicationWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) PostMessageA(hwnd_, kActivateMain, 0, 0);
      return 0;
    case kActivateMain:
      ActivateMain();
      return 0;
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_MINIMIZE:
          // Minimising the main window hides it to the tray.
          if (main_) PostMessageA(main_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
          return 0;
        case SC_RESTORE:
          ShowMain();
          return 0;
        case SC_CLOSE:
          if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
          return 0;
        default:
          break;
      }
      break;
    case WM_CLOSE:
      // Closing the application is closing the main window, which ends the program.
      if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
      return 0;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

}  // namespace orv::win32
