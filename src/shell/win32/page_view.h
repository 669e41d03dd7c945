#pragma once
// The controls of one settings page, built by that page's window code on its sheet (TabSheetN)
// of the main window. The sheet hands its messages to the attached view first.
#include <windows.h>

namespace orv::win32 {

class PageView {
 public:
  virtual ~PageView() = default;
  // A message of the sheet window (WM_COMMAND and WM_NOTIFY of its controls, WM_CTLCOLOR...).
  // True when handled; *result is then the sheet's answer. Unhandled control messages go on to
  // the main window.
  virtual bool HandleSheetMessage(HWND sheet, UINT message, WPARAM wparam, LPARAM lparam,
                                  LRESULT* result) = 0;
};

}  // namespace orv::win32
