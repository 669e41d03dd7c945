#pragma once
// The notification-area icon's balloon. Balloon icon kinds as the tray component numbers them.
#include <string>

namespace orv {

enum class BalloonIcon { Error = 0, Info = 1, None = 2, Warning = 3 };

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // Shows one balloon at once, replacing the one on screen. title is at most 63 bytes, text at
  // most 255 bytes (callers cut them).
  virtual void ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                           unsigned timeout_ms) = 0;
};

}  // namespace orv
