#pragma once
// The dots per inch a window is drawn at, and what goes with it.
#include <windows.h>

#include "shell/dpi_scaling.h"

namespace orv::win32 {

// The window's dots per inch (GetDpiForWindow where the system has it), else the screen's.
int WindowDpi(HWND window);
// The screen's dots per inch, for sizes needed before a window exists.
int ScreenDpi();

inline RECT ToRect(const LayoutRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
inline LayoutRect ToLayoutRect(const RECT& r) { return LayoutRect{r.left, r.top, r.right, r.bottom}; }
// A 96-dpi rectangle scaled to `dpi`.
inline RECT ScaleRect(const RECT& rect96, int dpi) { return ToRect(ScaleToDpi(ToLayoutRect(rect96), dpi)); }

// The program's icon resource at a size for `dpi` (`size96` pixels at 96 dpi); shared, never destroyed.
HICON LoadIconForDpi(HINSTANCE instance, int resource_id, int size96, int dpi);

}  // namespace orv::win32
