#include "gestures/stroke_recogniser.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace orv {
namespace {

constexpr WindowId kBrowser = 0x1010, kOtherBrowser = 0x2020;
using K = MouseEventKind;

HookDecision Send(StrokeRecogniser& r, K kind, ScreenPoint at, WindowId browser = 0,
                  bool ours = false) {
  HookEvent e;
  e.kind = kind;
  e.at = at;
  e.browser = browser;
  e.ours = ours;
  return r.OnEvent(e);
}

TEST(StrokeRecogniser, RightButtonStrokesFromAPressOverABrowser) {
  const struct {
    const char* what;
    std::vector<ScreenPoint> moves;  // after the press at (500, 400) over kBrowser
    ScreenPoint release;
    WindowId under_release;
    FollowUp follow_up;
    Gesture gesture;
  } cases[] = {
      {"left", {{480, 401}, {440, 402}}, {430, 403}, kBrowser, FollowUp::RunGesture, Gesture::Left},
      {"right", {{530, 398}}, {560, 396}, kBrowser, FollowUp::RunGesture, Gesture::Right},
      {"up", {{501, 370}}, {503, 330}, kBrowser, FollowUp::RunGesture, Gesture::Up},
      {"down", {{498, 430}}, {497, 470}, kBrowser, FollowUp::RunGesture, Gesture::Down},
      {"the release alone reaches the threshold", {}, {520, 400}, kBrowser, FollowUp::RunGesture,
       Gesture::Right},
      {"one pixel short is a click", {}, {519, 400}, kBrowser, FollowUp::ReplayRightClick,
       Gesture::Left},
      {"a shaking click", {{503, 398}, {497, 404}}, {502, 401}, kBrowser,
       FollowUp::ReplayRightClick, Gesture::Left},
      {"jittery stroke", {{490, 408}, {475, 393}, {460, 409}, {445, 392}}, {420, 410}, kBrowser,
       FollowUp::RunGesture, Gesture::Left},
      {"a slant of 2 to 1 still counts", {}, {460, 420}, kBrowser, FollowUp::RunGesture,
       Gesture::Left},
      {"diagonal", {{520, 420}}, {540, 440}, kBrowser, FollowUp::None, Gesture::Left},
      {"mostly diagonal", {}, {540, 375}, kBrowser, FollowUp::None, Gesture::Left},
      {"out and back to the start", {{560, 400}}, {505, 402}, kBrowser, FollowUp::None,
       Gesture::Left},
      {"leaves the window and comes back", {{500, 300}, {500, -40}}, {500, 250}, kBrowser,
       FollowUp::RunGesture, Gesture::Up},
      {"ends outside any browser window", {{440, 400}}, {380, 400}, 0, FollowUp::None,
       Gesture::Left},
      {"ends over another browser window", {}, {380, 400}, kOtherBrowser, FollowUp::None,
       Gesture::Left},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StrokeRecogniser r(20);
    HookDecision press = Send(r, K::RightDown, {500, 400}, kBrowser);
    EXPECT_TRUE(press.swallow);
    for (ScreenPoint p : c.moves) EXPECT_FALSE(Send(r, K::Move, p).swallow);
    HookDecision up = Send(r, K::RightUp, c.release, c.under_release);
    EXPECT_TRUE(up.swallow);
    EXPECT_EQ(up.follow_up, c.follow_up);
    if (c.follow_up == FollowUp::RunGesture) {
      EXPECT_EQ(up.gesture, c.gesture);
    }
    if (c.follow_up != FollowUp::None) {
      EXPECT_EQ(up.window, kBrowser);
      EXPECT_EQ(up.at.x, c.release.x);
    }
  }
}

TEST(StrokeRecogniser, OtherWindowsAndOwnReplaysAreNotTouched) {
  StrokeRecogniser r(20);
  // Pressed over another window, released over a browser: not a stroke.
  for (K kind : {K::RightDown, K::Move, K::RightUp, K::MiddleDown, K::MiddleUp, K::Other}) {
    HookDecision d = Send(r, kind, {100, 100 + 60 * static_cast<int>(kind)},
                          kind == K::RightUp || kind == K::MiddleUp ? kBrowser : 0);
    EXPECT_FALSE(d.swallow);
    EXPECT_EQ(d.follow_up, FollowUp::None);
  }
  // A replayed click arriving during a stroke passes and leaves the stroke alone.
  Send(r, K::RightDown, {500, 400}, kBrowser);
  EXPECT_FALSE(Send(r, K::RightDown, {500, 400}, kBrowser, true).swallow);
  EXPECT_FALSE(Send(r, K::RightUp, {500, 400}, kBrowser, true).swallow);
  EXPECT_EQ(Send(r, K::RightUp, {500, 450}, kBrowser).gesture, Gesture::Down);
  EXPECT_FALSE(Send(r, K::RightUp, {500, 450}, kBrowser).swallow);
}

TEST(StrokeRecogniser, MiddlePressOverABrowserRunsTheMiddleGestureAtItsRelease) {
  StrokeRecogniser r(20);
  EXPECT_TRUE(Send(r, K::MiddleDown, {300, 200}, kBrowser).swallow);
  HookDecision up = Send(r, K::MiddleUp, {340, 210}, 0);
  EXPECT_TRUE(up.swallow);
  EXPECT_EQ(up.follow_up, FollowUp::RunGesture);
  EXPECT_EQ(up.gesture, Gesture::Middle);
  EXPECT_EQ(up.window, kBrowser);
}

TEST(StrokeRecogniser, ANewPressReplacesOneWhoseReleaseWasMissed) {
  StrokeRecogniser r(20);
  Send(r, K::RightDown, {500, 400}, kBrowser);
  Send(r, K::Move, {400, 400});
  Send(r, K::RightDown, {500, 400}, kBrowser);
  EXPECT_EQ(Send(r, K::RightUp, {505, 400}, kBrowser).follow_up, FollowUp::ReplayRightClick);
  // Coordinates far apart do not overflow the measure.
  Send(r, K::RightDown, {INT_MAX, 0}, kBrowser);
  EXPECT_EQ(Send(r, K::RightUp, {INT_MIN, 0}, kBrowser).gesture, Gesture::Left);
}

TEST(StrokeRecogniser, AReplayedRightClickThatComesOutAsALeftOneIsMadeAgainTheOtherWay) {
  StrokeRecogniser r(20);
  Send(r, K::RightDown, {500, 400}, kBrowser);
  const HookDecision click = Send(r, K::RightUp, {501, 400}, kBrowser);
  ASSERT_EQ(click.follow_up, FollowUp::ReplayRightClick);
  EXPECT_FALSE(click.against_swap_setting);
  // The system made the replay a left click: it goes no further and is made again.
  const HookDecision down = Send(r, K::LeftDown, {501, 400}, 0, true);
  EXPECT_TRUE(down.swallow);
  EXPECT_EQ(down.follow_up, FollowUp::None);
  const HookDecision up = Send(r, K::LeftUp, {501, 400}, 0, true);
  EXPECT_TRUE(up.swallow);
  EXPECT_EQ(up.follow_up, FollowUp::ReplayRightClick);
  EXPECT_TRUE(up.against_swap_setting);
  // The second replay is a right click; a left one now passes (made only once again, no loop).
  for (K kind : {K::LeftDown, K::LeftUp, K::RightDown, K::RightUp, K::LeftDown, K::LeftUp}) {
    const HookDecision d = Send(r, kind, {501, 400}, 0, true);
    EXPECT_FALSE(d.swallow);
    EXPECT_EQ(d.follow_up, FollowUp::None);
  }
  // A replay that comes out right, and the user's own left clicks, are never touched.
  Send(r, K::RightDown, {500, 400}, kBrowser);
  EXPECT_FALSE(Send(r, K::RightUp, {500, 400}, kBrowser).against_swap_setting);
  EXPECT_FALSE(Send(r, K::LeftDown, {500, 400}, kBrowser).swallow);
  EXPECT_FALSE(Send(r, K::RightDown, {500, 400}, 0, true).swallow);
  EXPECT_FALSE(Send(r, K::RightUp, {500, 400}, 0, true).swallow);
  EXPECT_FALSE(Send(r, K::LeftDown, {500, 400}, 0, true).swallow);
}

TEST(MouseButtons, TheReplayNamesThePhysicalButtonOfTheLogicalOne) {
  using B = MouseButton;
  const struct {
    B logical;
    bool swapped, against_setting;
    B physical;
  } cases[] = {
      {B::Right, false, false, B::Right}, {B::Right, true, false, B::Left},
      {B::Right, true, true, B::Right},   {B::Right, false, true, B::Left},
      {B::Left, true, false, B::Right},   {B::Left, false, false, B::Left},
      {B::Middle, true, false, B::Middle}, {B::Middle, false, true, B::Middle},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PhysicalButtonFor(c.logical, c.swapped, c.against_setting), c.physical)
        << static_cast<int>(c.logical) << c.swapped << c.against_setting;
}

TEST(MayTakeOverPressesOn, OnlyWindowsAtTheHooksIntegrityLevelOrBelow) {
  constexpr uint32_t kLow = 0x1000, kMedium = 0x2000, kHigh = 0x3000, kSystem = 0x4000;
  const struct {
    IntegrityLevel own, window;
    bool take_over;
  } cases[] = {
      {kMedium, kMedium, true},   {kMedium, kLow, true},  // Protected Mode
      {kMedium, kHigh, false},                             // run as administrator
      {kMedium, kSystem, false},  {kHigh, kHigh, true},    {kHigh, kMedium, true},
      {kMedium, std::nullopt, false},                      // cannot even be asked
      {std::nullopt, kMedium, false},
      {std::nullopt, std::nullopt, true},                  // no integrity levels at all
  };
  for (const auto& c : cases)
    EXPECT_EQ(MayTakeOverPressesOn(c.own, c.window), c.take_over)
        << c.own.value_or(0) << " " << c.window.value_or(0);
}

TEST(StrokeThreshold, ScalesWithTheScreensDpi) {
  const int cases[][2] = {{96, 20}, {144, 30}, {192, 40}, {0, 20}, {-1, 20}, {1, 1}, {INT_MAX, 100000}};
  for (const auto& c : cases) EXPECT_EQ(StrokeThreshold(c[0]), c[1]) << c[0];
  for (int stored : {-1, 10, 12, INT_MIN}) EXPECT_EQ(ActionFromStored(stored), GestureAction::None);
  EXPECT_EQ(ActionFromStored(9), GestureAction::Minimise);
}

}  // namespace
}  // namespace orv
