#pragma once
// A control's mouse-button presses as an event: pages enable their apply and cancel buttons on a
// press on a check box, but not when the box is changed from the keyboard.
#include <windows.h>

#include <functional>

namespace orv::win32 {

// Calls on_press after the control has handled a press of any mouse button (single or double);
// the hook goes with the control.
void NotifyMousePress(HWND control, std::function<void()> on_press);

}  // namespace orv::win32
