#pragma once
// What the low-level mouse hook of Cravet.dll does with each mouse event, as plain logic over
// events in the program's own types: pass the event on or swallow it, and what the hook's thread
// is left to do once the hook has returned (run a gesture on a browser window, replay a click).
//
// A right press over a browser window starts a stroke: the press and its release are swallowed,
// moves pass on. At the release, a stroke that reached the threshold and points clearly left,
// right, up or down is that gesture on the browser window where it started, provided the release
// is over that window again (it may leave and come back on the way). A press and release that
// never reached the threshold were a plain click and are replayed. Anything else (a diagonal, a
// stroke that came back to its start, a release over another window) does nothing. A middle
// press over a browser window swallows that press and its release; the release runs the middle
// gesture. Presses over any other window are not touched, nor are the library's own replays.
#include <cstdint>

#include "gestures/gesture_actions.h"

namespace orv {

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// A window as the hook sees it: an opaque handle value, 0 for none.
using WindowId = uintptr_t;

enum class MouseEventKind { Move, RightDown, RightUp, MiddleDown, MiddleUp, Other };

struct HookEvent {
  MouseEventKind kind = MouseEventKind::Other;
  ScreenPoint at;
  // The top-level browser window under the pointer, 0 when it is over no browser window. Only
  // read for button events, so the hook looks it up for those alone.
  WindowId browser = 0;
  // Injected by the library itself (a replayed click): always passed on untouched.
  bool ours = false;
};

enum class FollowUp {
  None,
  RunGesture,        // look up the gesture's action now and carry it out on `window`
  ReplayRightClick,  // send a right press and release at the pointer, marked as ours
};

struct HookDecision {
  bool swallow = false;  // true: the event goes no further
  FollowUp follow_up = FollowUp::None;
  Gesture gesture = Gesture::Left;  // with RunGesture
  WindowId window = 0;              // the browser window the gesture was made on
  ScreenPoint at;                   // where the gesture ended
};

// Shortest stroke, in pixels, for a screen of `dpi` dots per inch: 20 at 96 dpi, scaled.
inline constexpr int kStrokeThresholdAt96Dpi = 20;
int StrokeThreshold(int dpi);

class StrokeRecogniser {
 public:
  explicit StrokeRecogniser(int threshold);

  // Decides one event; called on the hook's path, so it only computes.
  HookDecision OnEvent(const HookEvent& event);

 private:
  struct Press {
    bool active = false;
    WindowId window = 0;
    ScreenPoint start;
    bool reached_threshold = false;
  };

  HookDecision RightUp(const HookEvent& event);
  void Follow(ScreenPoint at);

  int threshold_;
  Press right_;
  Press middle_;
};

}  // namespace orv
