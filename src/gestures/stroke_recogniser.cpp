#include "gestures/stroke_recogniser.h"

namespace orv {

namespace {

int64_t Abs(int64_t v) { return v < 0 ? -v : v; }

// The longer side of the box between two points: a stroke's length along its main axis.
int64_t Reach(ScreenPoint from, ScreenPoint to) {
  const int64_t dx = Abs(int64_t{to.x} - from.x), dy = Abs(int64_t{to.y} - from.y);
  return dx > dy ? dx : dy;
}

}  // namespace

MouseButton PhysicalButtonFor(MouseButton logical, bool swapped, bool against_setting) {
  if (logical == MouseButton::Middle || swapped == against_setting) return logical;
  return logical == MouseButton::Left ? MouseButton::Right : MouseButton::Left;
}

bool MayTakeOverPressesOn(IntegrityLevel own, IntegrityLevel window) {
  if (!window) return !own;
  return own && *window <= *own;
}

int StrokeThreshold(int dpi) {
  if (dpi <= 0) dpi = 96;
  const int64_t scaled = (int64_t{kStrokeThresholdAt96Dpi} * dpi + 48) / 96;
  if (scaled < 1) return 1;
  return scaled > 100000 ? 100000 : static_cast<int>(scaled);
}

StrokeRecogniser::StrokeRecogniser(int threshold) : threshold_(threshold < 1 ? 1 : threshold) {}

HookDecision StrokeRecogniser::OnEvent(const HookEvent& event) {
  HookDecision decision;
  if (event.ours) return OwnReplay(event);
  switch (event.kind) {
    case MouseEventKind::Move:
      Follow(event.at);
      return decision;
    case MouseEventKind::RightDown:
    case MouseEventKind::MiddleDown: {
      // A new press replaces one whose release never came (the hook may have missed it).
      Press& press = event.kind == MouseEventKind::RightDown ? right_ : middle_;
      press = Press();
      if (event.browser == 0) return decision;
      press.active = true;
      press.window = event.browser;
      press.start = event.at;
      decision.swallow = true;
      return decision;
    }
    case MouseEventKind::RightUp:
      return RightUp(event);
    case MouseEventKind::MiddleUp:
      if (!middle_.active) return decision;
      decision.swallow = true;
      decision.follow_up = FollowUp::RunGesture;
      decision.gesture = Gesture::Middle;
      decision.window = middle_.window;
      decision.at = event.at;
      middle_ = Press();
      return decision;
    case MouseEventKind::LeftDown:
    case MouseEventKind::LeftUp:
    case MouseEventKind::Other:
      break;
  }
  return decision;
}

HookDecision StrokeRecogniser::OwnReplay(const HookEvent& event) {
  HookDecision decision;
  switch (event.kind) {
    case MouseEventKind::LeftDown:
    case MouseEventKind::LeftUp:
      // The replayed right click came out as a left one: it goes no further, and is made again
      // with the other button once its release is in.
      if (replay_ != Replay::AsSetting) break;
      decision.swallow = true;
      if (event.kind == MouseEventKind::LeftUp) {
        decision.follow_up = FollowUp::ReplayRightClick;
        decision.against_swap_setting = true;
        decision.at = event.at;
        replay_ = Replay::AgainstSetting;
      }
      break;
    case MouseEventKind::RightUp:
      replay_ = Replay::None;
      break;
    default:
      break;
  }
  return decision;
}

void StrokeRecogniser::Follow(ScreenPoint at) {
  if (right_.active && Reach(right_.start, at) >= threshold_) right_.reached_threshold = true;
}

HookDecision StrokeRecogniser::RightUp(const HookEvent& event) {
  HookDecision decision;
  if (!right_.active) return decision;  // pressed over another window, or before the hook
  Follow(event.at);
  const Press press = right_;
  right_ = Press();
  decision.swallow = true;  // its press was swallowed too
  if (event.browser != press.window) return decision;
  decision.window = press.window;
  decision.at = event.at;
  if (!press.reached_threshold) {
    decision.follow_up = FollowUp::ReplayRightClick;
    replay_ = Replay::AsSetting;
    return decision;
  }
  const int64_t dx = int64_t{event.at.x} - press.start.x, dy = int64_t{event.at.y} - press.start.y;
  const int64_t ax = Abs(dx), ay = Abs(dy);
  const int64_t major = ax > ay ? ax : ay, minor = ax > ay ? ay : ax;
  // Back at the start, or no clear axis (within about 27 degrees of it): no gesture.
  if (major < threshold_ || major < 2 * minor) return decision;
  decision.follow_up = FollowUp::RunGesture;
  if (ax > ay)
    decision.gesture = dx < 0 ? Gesture::Left : Gesture::Right;
  else
    decision.gesture = dy < 0 ? Gesture::Up : Gesture::Down;  // screen y grows downwards
  return decision;
}

}  // namespace orv
