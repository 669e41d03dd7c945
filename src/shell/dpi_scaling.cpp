#include "shell/dpi_scaling.h"

#include <cstdint>
#include <limits>

namespace orv {

namespace {

// n * num / den rounded half away from zero, clamped to int.
int MulDivRounded(int n, int num, int den) {
  const int64_t product = static_cast<int64_t>(n) * num;
  const int64_t half = den / 2;
  int64_t q = product >= 0 ? (product + half) / den : -((-product + half) / den);
  if (q > std::numeric_limits<int>::max()) q = std::numeric_limits<int>::max();
  if (q < std::numeric_limits<int>::min()) q = std::numeric_limits<int>::min();
  return static_cast<int>(q);
}

}  // namespace

int UsableDpi(int reported) {
  return reported >= kMinDpi && reported <= kMaxDpi ? reported : kLayoutDpi;
}

int ScaleToDpi(int length, int dpi) { return MulDivRounded(length, UsableDpi(dpi), kLayoutDpi); }

LayoutRect ScaleToDpi(const LayoutRect& rect, int dpi) {
  return LayoutRect{ScaleToDpi(rect.left, dpi), ScaleToDpi(rect.top, dpi),
                    ScaleToDpi(rect.right, dpi), ScaleToDpi(rect.bottom, dpi)};
}

LayoutRect KeepInside(const LayoutRect& window, const LayoutRect& area) {
  // Start of a span of `size` moved into [low, high): past the end first, then the start.
  auto place = [](int start, int size, int low, int high) {
    if (start + size > high) start = high - size;
    if (start < low) start = low;
    return start;
  };
  const int left = place(window.left, window.width(), area.left, area.right);
  const int top = place(window.top, window.height(), area.top, area.bottom);
  return LayoutRect{left, top, left + window.width(), top + window.height()};
}

int FontPixelHeight(int points, int dpi) { return MulDivRounded(points, UsableDpi(dpi), 72); }

}  // namespace orv
