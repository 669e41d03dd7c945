#include "platform/win32/message_window.h"

#include <memory>

namespace orv {

namespace {

const char kWindowClass[] = "OrvanelMessageWindow";

struct BackgroundWork {
  std::function<void()> work;
  HWND window;
  UINT message;
  WPARAM wparam;
};

DWORD WINAPI BackgroundThreadMain(void* param) {
  std::unique_ptr<BackgroundWork> job(static_cast<BackgroundWork*>(param));
  job->work();
  PostMessageA(job->window, job->message, job->wparam, 0);
  return 0;
}

}  // namespace

MessageWindow::MessageWindow(Handler handler) : handler_(std::move(handler)) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &MessageWindow::WindowProcThunk;
  wc.hInstance = instance;
  wc.lpszClassName = kWindowClass;
  if (RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
    CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
}

MessageWindow::~MessageWindow() {
  if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK MessageWindow::WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam,
                                                LPARAM lparam) {
  MessageWindow* self;
  if (message == WM_NCCREATE) {
    self = static_cast<MessageWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->window_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (message == WM_NCDESTROY && self) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    self = nullptr;
  }
  if (self && self->handler_(message, wparam, lparam)) return 0;
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

bool MessageWindow::RunInBackground(std::function<void()> work, UINT message, WPARAM wparam) {
  if (!window_) return false;
  auto job = std::make_unique<BackgroundWork>(BackgroundWork{std::move(work), window_, message, wparam});
  HANDLE thread = CreateThread(nullptr, 0, BackgroundThreadMain, job.get(), 0, nullptr);
  if (!thread) return false;
  job.release();  // the thread's now
  CloseHandle(thread);
  return true;
}

}  // namespace orv
