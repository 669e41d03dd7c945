#pragma once
// What Cravet.dll does on a browser window once a gesture has ended, always from its own thread
// after the hook has returned: only posted messages and injected input, so nothing here waits
// for the browser.
#include <windows.h>

#include "gestures/gesture_actions.h"
#include "gestures/stroke_recogniser.h"

namespace cravet {

// dwExtraInfo of the input this library injects: its hook lets such input through.
constexpr ULONG_PTR kReplayMark = 0x43525654;  // "CRVT"

// The stored number of the gesture's action, read from the settings key now; -1 when the key
// or the value is missing or the value is not a 32-bit integer.
int32_t ReadStoredAction(orv::Gesture gesture);

// Carries out `action` on the browser frame: back and forward as the browser's own commands,
// scrolls on the page under `at` (or on the page of the visible tab, when the stroke ended over
// a toolbar, the address bar or the tab row), close, maximise and minimise through the frame's
// window messages.
void CarryOut(orv::GestureAction action, HWND frame, POINT at);

// A press and release of the physical button at the pointer, marked as the library's own.
void ReplayClick(orv::MouseButton physical);

}  // namespace cravet
