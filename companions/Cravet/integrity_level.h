#pragma once
// Integrity levels of processes, for the hook's rule on which windows it may take presses from
// (orv::MayTakeOverPressesOn).
#include <windows.h>

#include "gestures/stroke_recogniser.h"

namespace cravet {

// The level of a process, from its token's mandatory label; none when it cannot be read.
orv::IntegrityLevel IntegrityLevelOfProcess(HANDLE process);

// The level of the process that owns `window`.
orv::IntegrityLevel IntegrityLevelOfWindow(HWND window);

}  // namespace cravet
