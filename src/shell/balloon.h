#pragma once
// Fitting long addresses into tray menu entries and balloons, and showing a balloon notice at
// the tray icon. Lengths count bytes of the ANSI text (a Chinese character is 2); no cut ever
// falls inside a double-byte character.
#include <string>

#include "platform/tray.h"

namespace orv {

inline constexpr unsigned kBalloonTimeoutMs = 5000;
inline constexpr size_t kBalloonTitleMaxBytes = 63;
inline constexpr size_t kBalloonTextMaxBytes = 255;

// Texts of at most 20 bytes, or at most width bytes, come back whole. Longer ones become head +
// "..." + tail: the first width - 12 bytes and the final 8 bytes, width - 1 bytes in all. Where
// a cut would split a character the head ends before it and the tail starts after it, so the
// result is then shorter, never longer. Below width 12 there is no head and the tail shrinks to
// keep within width - 1 ("..." alone for width 4 or less).
std::string ShortenText(const std::string& text, int width);

// One balloon at the tray icon, replacing the one on screen: 5000 ms, the title cut to 63
// bytes and the text to 255.
void ShowBalloon(TrayIcon& tray, const std::string& title, const std::string& text,
                 BalloonIcon icon);

}  // namespace orv
