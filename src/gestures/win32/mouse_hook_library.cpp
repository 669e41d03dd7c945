#include "gestures/win32/mouse_hook_library.h"

// Exports of Cravet.dll (undecorated C names).
extern "C" {
__declspec(dllimport) void EnableMouseHook(HWND target);
__declspec(dllimport) void DisableMouseHook();
}

namespace orv {

void CravetMouseHook::Enable() { EnableMouseHook(target_); }

void CravetMouseHook::Disable() { DisableMouseHook(); }

}  // namespace orv
