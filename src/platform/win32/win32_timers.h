#pragma once
// The main window's timers over SetTimer/KillTimer; ticks arrive as WM_TIMER at that window.
#include <windows.h>

#include <map>
#include <optional>

#include "platform/clock.h"

namespace orv {

class Win32Timers : public Timers {
 public:
  explicit Win32Timers(HWND window = nullptr) : window_(window) {}
  // Timers started before the window exists run from the moment it is set.
  void set_window(HWND window);

  void Start(TimerId id, unsigned interval_ms) override;
  void Stop(TimerId id) override;
  bool IsRunning(TimerId id) const { return running_.count(id) != 0; }

  // WM_TIMER's wParam -> the timer it belongs to.
  static UINT_PTR EventId(TimerId id);
  static std::optional<TimerId> FromEventId(WPARAM event_id);

 private:
  HWND window_;
  std::map<TimerId, unsigned> running_;  // id -> interval
};

}  // namespace orv
