#include "gestures/stroke_recogniser.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace orv {
namespace {

constexpr WindowId kBrowser = 0x1010, kOtherBrowser = 0x2020;

HookEvent Event(MouseEventKind kind, ScreenPoint at, WindowId browser = 0, bool ours = false) {
  HookEvent e;
  e.kind = kind;
  e.at = at;
  e.browser = browser;
  e.ours = ours;
  return e;
}

struct StrokeCase {
  const char* what;
  std::vector<ScreenPoint> moves;  // after the press at (500, 400), which is over kBrowser
  ScreenPoint release;
  WindowId under_release;
  FollowUp follow_up;
  Gesture gesture;  // with RunGesture
};

TEST(StrokeRecogniser, RightButtonStrokes) {
  const StrokeCase cases[] = {
      {"left", {{480, 401}, {440, 402}}, {430, 403}, kBrowser, FollowUp::RunGesture, Gesture::Left},
      {"right", {{530, 398}}, {560, 396}, kBrowser, FollowUp::RunGesture, Gesture::Right},
      {"up", {{501, 370}}, {503, 330}, kBrowser, FollowUp::RunGesture, Gesture::Up},
      {"down", {{498, 430}}, {497, 470}, kBrowser, FollowUp::RunGesture, Gesture::Down},
      {"release alone reaches the threshold", {}, {520, 400}, kBrowser, FollowUp::RunGesture,
       Gesture::Right},
      {"one pixel short is a click", {}, {519, 400}, kBrowser, FollowUp::ReplayRightClick,
       Gesture::Left},
      {"a shaking click", {{503, 398}, {497, 404}, {505, 395}}, {502, 401}, kBrowser,
       FollowUp::ReplayRightClick, Gesture::Left},
      {"jittery stroke to the left",
       {{490, 408}, {475, 393}, {460, 409}, {445, 392}, {430, 407}}, {420, 410}, kBrowser,
       FollowUp::RunGesture, Gesture::Left},
      {"a clear slant still counts", {}, {460, 420}, kBrowser, FollowUp::RunGesture,
       Gesture::Left},
      {"diagonal", {{520, 420}}, {540, 440}, kBrowser, FollowUp::None, Gesture::Left},
      {"mostly diagonal", {}, {540, 375}, kBrowser, FollowUp::None, Gesture::Left},
      {"out and back to the start", {{560, 400}}, {505, 402}, kBrowser, FollowUp::None,
       Gesture::Left},
      {"leaves the window and comes back", {{500, 300}, {500, -40}, {501, 250}}, {500, 250},
       kBrowser, FollowUp::RunGesture, Gesture::Up},
      {"ends outside any browser window", {{440, 400}}, {380, 400}, 0, FollowUp::None,
       Gesture::Left},
      {"ends over another browser window", {{440, 400}}, {380, 400}, kOtherBrowser,
       FollowUp::None, Gesture::Left},
      {"a click released outside", {}, {505, 400}, 0, FollowUp::None, Gesture::Left},
  };
  for (const StrokeCase& c : cases) {
    SCOPED_TRACE(c.what);
    StrokeRecogniser recogniser(20);
    HookDecision press = recogniser.OnEvent(Event(MouseEventKind::RightDown, {500, 400}, kBrowser));
    EXPECT_TRUE(press.swallow);
    EXPECT_EQ(press.follow_up, FollowUp::None);
    for (ScreenPoint p : c.moves) {
      HookDecision move = recogniser.OnEvent(Event(MouseEventKind::Move, p));
      EXPECT_FALSE(move.swallow);
      EXPECT_EQ(move.follow_up, FollowUp::None);
    }
    HookDecision up = recogniser.OnEvent(Event(MouseEventKind::RightUp, c.release, c.under_release));
    EXPECT_TRUE(up.swallow);
    EXPECT_EQ(up.follow_up, c.follow_up);
    if (c.follow_up == FollowUp::RunGesture) {
      EXPECT_EQ(up.gesture, c.gesture);
    }
    if (c.follow_up != FollowUp::None) {
      EXPECT_EQ(up.window, kBrowser);
      EXPECT_EQ(up.at.x, c.release.x);
      EXPECT_EQ(up.at.y, c.release.y);
    }
  }
}

TEST(StrokeRecogniser, PressesOverOtherWindowsAreNotTouched) {
  StrokeRecogniser recogniser(20);
  const MouseEventKind sequence[] = {MouseEventKind::RightDown, MouseEventKind::Move,
                                     MouseEventKind::RightUp, MouseEventKind::MiddleDown,
                                     MouseEventKind::MiddleUp, MouseEventKind::Other};
  for (MouseEventKind kind : sequence) {
    // Released over a browser window after a press elsewhere: still not ours.
    WindowId under = kind == MouseEventKind::RightUp ? kBrowser : 0;
    HookDecision d = recogniser.OnEvent(Event(kind, {100, 100 + 50 * static_cast<int>(kind)}, under));
    EXPECT_FALSE(d.swallow) << static_cast<int>(kind);
    EXPECT_EQ(d.follow_up, FollowUp::None);
  }
}

TEST(StrokeRecogniser, OwnReplaysPassAndLeaveAStrokeAlone) {
  StrokeRecogniser recogniser(20);
  EXPECT_TRUE(recogniser.OnEvent(Event(MouseEventKind::RightDown, {500, 400}, kBrowser)).swallow);
  // A replayed click of an earlier gesture arrives in the middle of this one.
  EXPECT_FALSE(recogniser.OnEvent(Event(MouseEventKind::RightDown, {500, 400}, kBrowser, true)).swallow);
  EXPECT_FALSE(recogniser.OnEvent(Event(MouseEventKind::RightUp, {500, 400}, kBrowser, true)).swallow);
  HookDecision up = recogniser.OnEvent(Event(MouseEventKind::RightUp, {500, 450}, kBrowser));
  EXPECT_TRUE(up.swallow);
  EXPECT_EQ(up.follow_up, FollowUp::RunGesture);
  EXPECT_EQ(up.gesture, Gesture::Down);
  // The stroke is over: a further release is someone else's.
  EXPECT_FALSE(recogniser.OnEvent(Event(MouseEventKind::RightUp, {500, 450}, kBrowser)).swallow);
}

TEST(StrokeRecogniser, MiddlePressOverABrowserRunsTheMiddleGestureAtItsRelease) {
  StrokeRecogniser recogniser(20);
  EXPECT_TRUE(recogniser.OnEvent(Event(MouseEventKind::MiddleDown, {300, 200}, kBrowser)).swallow);
  // The right button's stroke and the middle press are followed apart.
  EXPECT_FALSE(recogniser.OnEvent(Event(MouseEventKind::RightUp, {300, 200}, kBrowser)).swallow);
  HookDecision up = recogniser.OnEvent(Event(MouseEventKind::MiddleUp, {340, 210}, 0));
  EXPECT_TRUE(up.swallow);
  EXPECT_EQ(up.follow_up, FollowUp::RunGesture);
  EXPECT_EQ(up.gesture, Gesture::Middle);
  EXPECT_EQ(up.window, kBrowser);
  EXPECT_FALSE(recogniser.OnEvent(Event(MouseEventKind::MiddleUp, {340, 210}, kBrowser)).swallow);
}

TEST(StrokeRecogniser, ANewPressReplacesOneWhoseReleaseWasMissed) {
  StrokeRecogniser recogniser(20);
  recogniser.OnEvent(Event(MouseEventKind::RightDown, {500, 400}, kBrowser));
  recogniser.OnEvent(Event(MouseEventKind::Move, {400, 400}));
  // Pressed again over another window: that press and its release are not ours.
  EXPECT_FALSE(recogniser.OnEvent(Event(MouseEventKind::RightDown, {100, 100}, 0)).swallow);
  EXPECT_FALSE(recogniser.OnEvent(Event(MouseEventKind::RightUp, {100, 100}, kBrowser)).swallow);
  // Pressed again over the browser: the earlier stroke's distance does not count.
  recogniser.OnEvent(Event(MouseEventKind::RightDown, {500, 400}, kBrowser));
  EXPECT_EQ(recogniser.OnEvent(Event(MouseEventKind::RightUp, {505, 400}, kBrowser)).follow_up,
            FollowUp::ReplayRightClick);
}

TEST(StrokeRecogniser, FarCoordinatesDoNotOverflow) {
  StrokeRecogniser recogniser(20);
  recogniser.OnEvent(Event(MouseEventKind::RightDown, {INT_MAX, 0}, kBrowser));
  HookDecision up = recogniser.OnEvent(Event(MouseEventKind::RightUp, {INT_MIN, 0}, kBrowser));
  EXPECT_EQ(up.follow_up, FollowUp::RunGesture);
  EXPECT_EQ(up.gesture, Gesture::Left);
}

TEST(StrokeThreshold, ScalesWithTheScreensDpi) {
  const struct {
    int dpi, threshold;
  } cases[] = {{96, 20}, {120, 25}, {144, 30}, {192, 40}, {0, 20}, {-1, 20}, {1, 1},
               {INT_MAX, 100000}};
  for (const auto& c : cases) EXPECT_EQ(StrokeThreshold(c.dpi), c.threshold) << c.dpi;
}

TEST(GestureActions, StoredNumbersOutsideTheListMeanNoAction) {
  const struct {
    int32_t stored;
    GestureAction action;
  } cases[] = {{0, GestureAction::None},      {1, GestureAction::Back},
               {7, GestureAction::CloseWindow}, {9, GestureAction::Minimise},
               {10, GestureAction::None},     {12, GestureAction::None},
               {-1, GestureAction::None},     {INT_MIN, GestureAction::None}};
  for (const auto& c : cases) EXPECT_EQ(ActionFromStored(c.stored), c.action) << c.stored;
  EXPECT_STREQ(GestureValueName(Gesture::Left), "Mouse_ActionLeft");
  EXPECT_STREQ(GestureValueName(Gesture::Middle), "Mouse_ActionMiddle");
}

}  // namespace
}  // namespace orv
