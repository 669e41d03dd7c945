#include "shell/win32/window_dpi.h"

namespace orv::win32 {

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return UsableDpi(dpi);
}

int WindowDpi(HWND window) {
  // Looked up at run time: Windows before 10 (1607) and older Wine have no GetDpiForWindow.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window && window) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi != 0) return UsableDpi(static_cast<int>(dpi));
  }
  return ScreenDpi();
}

HICON LoadIconForDpi(HINSTANCE instance, int resource_id, int size96, int dpi) {
  const int size = ScaleToDpi(size96, dpi);
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(resource_id), IMAGE_ICON, size,
                                       size, LR_SHARED));
}

}  // namespace orv::win32
