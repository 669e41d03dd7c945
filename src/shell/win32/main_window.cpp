#include "shell/win32/main_window.h"

#include "shell/error_display.h"
#include "shell/win32/resource.h"

namespace orv {

const char kMainWindowClass[] = "TOrvanelForm";
const char kMainWindowCaption[] = "岚澄欧凡诺 V1.2";

namespace {

const char kDesignCaption[] = "岚澄欧凡诺";
// Place and outer size at 96 dots per inch; sizeable, with system menu and minimise box only.
constexpr int kLeft = 239, kTop = 177, kWidth = 599, kHeight = 387;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

bool MainWindow::Create() {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &MainWindow::WindowProcThunk;
  wc.hInstance = instance_;
  wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_ORVANEL));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_ORVANEL), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  if (!RegisterClassExA(&wc)) return false;
  // No WS_VISIBLE: the window stays hidden until shown from the tray.
  return CreateWindowExA(0, kMainWindowClass, kDesignCaption, kStyle, kLeft, kTop, kWidth, kHeight,
                         nullptr, nullptr, instance_, this) != nullptr;
}

int MainWindow::RunMessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// The one window procedure: the object arrives with WM_NCCREATE and is kept in the window's
// user data; every later message goes to its member handler.
LRESULT CALLBACK MainWindow::WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  MainWindow* self;
  if (message == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) have no object yet.
  if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      boxes_.set_owner(hwnd_);
      RunEventHandler(boxes_, [this] { FormCreate(); });
      return 0;  // an error in the start-up sequence is shown; the program runs on
    case WM_CLOSE:
      // A failed close sequence keeps the window and the program as they were.
      if (RunEventHandler(boxes_, [this] { FormClose(); })) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      // Last message of the window: later stray calls must not reach this object.
      HWND hwnd = hwnd_;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    default:
      return DefWindowProcA(hwnd_, message, wparam, lparam);
  }
}

void MainWindow::FormCreate() { SetWindowTextA(hwnd_, kMainWindowCaption); }

void MainWindow::FormClose() {}

}  // namespace orv
