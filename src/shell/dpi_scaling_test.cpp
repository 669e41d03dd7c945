#include "shell/dpi_scaling.h"

#include <gtest/gtest.h>

#include <climits>

namespace orv {
namespace {

TEST(DpiScaling, LengthsScaleAndRoundLikeMulDiv) {
  struct Case {
    int length, dpi, expected;
  } cases[] = {
      {599, 96, 599},   {599, 144, 899},  {387, 144, 581},  {599, 120, 749},
      {12, 120, 15},    {1, 144, 2},      {1, 120, 1},      {0, 144, 0},
      {-3, 144, -5},    {-1, 120, -1},    {599, 192, 1198}, {8, 288, 24},
      // Out-of-range reports (a failed call gives 0) leave the 96-dpi layout as it is.
      {599, 0, 599},    {599, -144, 599}, {599, 47, 599},   {599, 100000, 599},
      {599, 48, 300},   {599, 768, 4792},
      // No overflow in between: the result is clamped.
      {INT_MAX, 768, INT_MAX}, {INT_MIN, 768, INT_MIN},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScaleToDpi(c.length, c.dpi), c.expected) << c.length << " at " << c.dpi;
}

TEST(DpiScaling, RectanglesScaleByTheirEdgesSoNeighboursStayTouching) {
  // Two controls side by side at 96 dpi; scaling widths separately would open a gap or overlap.
  const LayoutRect left{8, 8, 137, 345}, right{137, 8, 577, 345};
  for (int dpi : {96, 120, 125, 144, 168, 175, 192, 250}) {
    const LayoutRect a = ScaleToDpi(left, dpi), b = ScaleToDpi(right, dpi);
    EXPECT_EQ(a.right, b.left) << dpi;
    EXPECT_EQ(a.top, b.top) << dpi;
  }
  const LayoutRect at144 = ScaleToDpi(LayoutRect{152, 8, 577, 345}, 144);
  EXPECT_EQ(at144.left, 228);
  EXPECT_EQ(at144.top, 12);
  EXPECT_EQ(at144.width(), 638);
  EXPECT_EQ(at144.height(), 506);
}

TEST(DpiScaling, FontHeightComesFromPointsAndDpi) {
  struct Case {
    int points, dpi, expected;
  } cases[] = {{9, 96, 12}, {9, 120, 15}, {9, 144, 18}, {9, 192, 24}, {9, 168, 21},
               {9, 0, 12},  {10, 96, 13}, {0, 144, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(FontPixelHeight(c.points, c.dpi), c.expected) << c.points << "pt at " << c.dpi;
}

TEST(DpiScaling, AWindowTooFarRightOrDownMovesInsideTheWorkAreaKeepingItsSize) {
  const LayoutRect area{0, 0, 1000, 660};
  struct Case {
    LayoutRect window, expected;
  } cases[] = {
      // Fits: stays where it is.
      {{239, 177, 838, 564}, {239, 177, 838, 564}},
      // The 96-dpi place with the 144-dpi size: moved left and up just enough.
      {{239, 177, 1138, 758}, {101, 79, 1000, 660}},
      // Left of or above the area: moved in.
      {{-50, -20, 549, 367}, {0, 0, 599, 387}},
      // Larger than the area: its top-left corner (the caption) stays on the screen.
      {{300, 100, 1500, 900}, {0, 0, 1200, 800}},
  };
  for (const Case& c : cases) {
    const LayoutRect r = KeepInside(c.window, area);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
  }
  // A work area that does not start at 0 (a second screen left of the first).
  const LayoutRect moved = KeepInside({-100, 700, 799, 1281}, {-1920, 0, 0, 1040});
  EXPECT_EQ(moved.left, -899);
  EXPECT_EQ(moved.top, 459);
}

}  // namespace
}  // namespace orv
