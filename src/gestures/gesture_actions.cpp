#include "gestures/gesture_actions.h"

namespace orv {

GestureAction ActionFromStored(int32_t stored) {
  if (stored < 0 || stored >= kGestureActionCount) return GestureAction::None;
  return static_cast<GestureAction>(stored);
}

}  // namespace orv
