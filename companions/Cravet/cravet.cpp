// Cravet.dll, the mouse-gesture hook library.
// For now the two exports only remember which window the hook reports to: no system hook is
// installed yet, so enabling and disabling change nothing outside this library.
#include <windows.h>

namespace {
HWND g_target = nullptr;  // window that receives the gesture reports
}

extern "C" void EnableMouseHook(HWND target) { g_target = target; }

extern "C" void DisableMouseHook() { g_target = nullptr; }
