#include "shell/balloon.h"

#include <algorithm>

#include "base/ansi.h"

namespace orv {

namespace {

constexpr size_t kNeverShortened = 20;
constexpr size_t kTailBytes = 8;
constexpr char kEllipsis[] = "...";
constexpr size_t kEllipsisBytes = 3;

std::string SafePrefix(const std::string& text, size_t n) {
  return text.substr(0, SafePrefixLength(text, n));
}

}  // namespace

std::string ShortenText(const std::string& text, int width) {
  const long long length = static_cast<long long>(text.size());
  if (length <= static_cast<long long>(kNeverShortened) || length <= width) return text;
  // The budget is width - 1 bytes: head, "...", tail.
  const long long budget = std::max<long long>(0, static_cast<long long>(width) - 1);
  const size_t head = static_cast<size_t>(std::max<long long>(0, budget - 11));
  const size_t tail = static_cast<size_t>(std::clamp<long long>(
      budget - static_cast<long long>(kEllipsisBytes + head), 0, kTailBytes));
  return SafePrefix(text, head) + kEllipsis + text.substr(SafeSuffixStart(text, tail));
}

void ShowBalloon(TrayIcon& tray, const std::string& title, const std::string& text,
                 BalloonIcon icon) {
  tray.ShowBalloon(SafePrefix(title, kBalloonTitleMaxBytes), SafePrefix(text, kBalloonTextMaxBytes),
                   icon, kBalloonTimeoutMs);
}

}  // namespace orv
