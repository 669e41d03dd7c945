#include "shell/win32/mouse_press.h"

#include <commctrl.h>

namespace orv::win32 {

namespace {

LRESULT CALLBACK PressProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                           DWORD_PTR data) {
  auto* on_press = reinterpret_cast<std::function<void()>*>(data);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      // The control reacts to the press as usual; its page hears of it after.
      LRESULT r = DefSubclassProc(hwnd, message, wparam, lparam);
      (*on_press)();
      return r;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, PressProc, id);
      delete on_press;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace

void NotifyMousePress(HWND control, std::function<void()> on_press) {
  auto* hook = new std::function<void()>(std::move(on_press));
  if (!SetWindowSubclass(control, PressProc, 1, reinterpret_cast<DWORD_PTR>(hook))) delete hook;
}

}  // namespace orv::win32
