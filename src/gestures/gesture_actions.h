#pragma once
// The ten gesture actions and the five gestures they are assigned to. The settings key stores
// one action number per gesture (Mouse_ActionLeft ... Mouse_ActionMiddle); the settings page
// writes them and the hook library Cravet.dll reads them when a gesture ends.
#include <cstdint>

#include "shell/settings.h"

namespace orv {

// Numbered as stored, and as the items of the page's combo boxes.
enum class GestureAction : int32_t {
  None = 0,
  Back = 1,
  Forward = 2,
  ScrollUp = 3,
  ScrollDown = 4,
  ScrollLeft = 5,
  ScrollRight = 6,
  CloseWindow = 7,
  Maximise = 8,
  Minimise = 9,
};
inline constexpr int kGestureActionCount = 10;

// The four strokes made with the right button held, and a press of the middle button, in the
// order the page reads and writes them.
enum class Gesture { Left, Right, Up, Down, Middle };
inline constexpr int kGestureCount = 5;

// The settings value of each gesture, in the order of Gesture.
inline constexpr const char* kGestureValueNames[kGestureCount] = {
    settings::kMouseActionLeft, settings::kMouseActionRight, settings::kMouseActionUp,
    settings::kMouseActionDown, settings::kMouseActionMiddle};

inline const char* GestureValueName(Gesture gesture) {
  return kGestureValueNames[static_cast<int>(gesture)];
}

// The action a stored number means: a number outside 0 to 9 means no action.
GestureAction ActionFromStored(int32_t stored);

}  // namespace orv
