#pragma once
// Lengths of the window layout are given at 96 dots per inch; these make them the lengths for
// the dots per inch of the screen a window is on. Rounding is to the nearest pixel, halves
// away from zero, as the system's MulDiv does, so scaled layouts match the system's own.

namespace orv {

inline constexpr int kLayoutDpi = 96;
// Dots per inch outside this range are taken for a faulty report and read as 96.
inline constexpr int kMinDpi = 48;
inline constexpr int kMaxDpi = 96 * 8;

struct LayoutRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// A reported dots-per-inch value, or 96 when it is out of range (0 from a failed call).
int UsableDpi(int reported);

// `length` at 96 dpi scaled to `dpi` (UsableDpi applied).
int ScaleToDpi(int length, int dpi);

// Scales the edges, not the size: controls that touch at 96 dpi touch at every dpi.
LayoutRect ScaleToDpi(const LayoutRect& rect, int dpi);

// `window` moved, not resized, so that it lies inside `area` (the screen's work area): a window
// laid out for a higher dpi may reach past the screen from its 96-dpi place. A window larger
// than the area keeps its top-left corner inside it, where its caption is.
LayoutRect KeepInside(const LayoutRect& window, const LayoutRect& area);

// The character height in pixels of a font of `points` on a screen of `dpi` (one point is
// 1/72 inch): the font is made for the screen, not a 96-dpi font stretched.
int FontPixelHeight(int points, int dpi);

}  // namespace orv
