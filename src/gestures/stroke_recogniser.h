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
// gesture. Presses over any other window are not touched.
//
// The library's own replays pass too, with one exception: window messages and the hook name the
// logical button, SendInput the physical one, and with swapped buttons (left-handed users)
// Windows makes the physical left button the logical right one and back. A replay names the
// physical button the swap setting says; should the system turn it into a left click all the
// same (its injected input not following the setting), that click is swallowed and the replay
// made once more with the other button.
#include <cstdint>
#include <optional>

#include "gestures/gesture_actions.h"

namespace orv {

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// A window as the hook sees it: an opaque handle value, 0 for none.
using WindowId = uintptr_t;

enum class MouseEventKind { Move, RightDown, RightUp, MiddleDown, MiddleUp, LeftDown, LeftUp, Other };

enum class MouseButton { Left, Right, Middle };

// The physical button SendInput has to name for windows to get the `logical` one. swapped: the
// system's setting (SM_SWAPBUTTON); against_setting: the system's injected input was seen not to
// follow that setting.
MouseButton PhysicalButtonFor(MouseButton logical, bool swapped, bool against_setting = false);

// A process's mandatory integrity level as Windows numbers it, the last sub-authority of its
// token's label (0x1000 low, 0x2000 medium, 0x3000 high, 0x4000 system); none when it could not
// be read.
using IntegrityLevel = std::optional<uint32_t>;

// Whether the hook, running at `own`, may take over presses over a window of a process at
// `window`. Windows blocks input and posted messages to windows of a higher integrity level
// (an Internet Explorer started as administrator), so a swallowed press there could neither run
// a gesture nor be given back. A process whose level cannot be read counts as higher; where no
// level can be read at all, the system has no such barrier.
bool MayTakeOverPressesOn(IntegrityLevel own, IntegrityLevel window);

struct HookEvent {
  MouseEventKind kind = MouseEventKind::Other;
  ScreenPoint at;
  // The top-level browser window under the pointer, 0 when it is over no browser window. Only
  // read for button events, so the hook looks it up for those alone.
  WindowId browser = 0;
  // Injected by the library itself (a replayed click): passed on untouched, but for a replayed
  // right click that arrives as a left one.
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
  // With ReplayRightClick: the earlier replay came out as a left click, so this one names the
  // other physical button than the swap setting says.
  bool against_swap_setting = false;
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

  enum class Replay { None, AsSetting, AgainstSetting };

  HookDecision RightUp(const HookEvent& event);
  HookDecision OwnReplay(const HookEvent& event);
  void Follow(ScreenPoint at);

  int threshold_;
  Press right_;
  Press middle_;
  Replay replay_ = Replay::None;  // a right click replay sent, its release not yet seen
};

}  // namespace orv
