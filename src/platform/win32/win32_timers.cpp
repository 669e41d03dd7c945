#include "platform/win32/win32_timers.h"

namespace orv {

namespace {
// Event ids start at 1: SetTimer treats id 0 on a window like any other, but 0 reads as "none".
constexpr UINT_PTR kDownloadNoticeEvent = 1;
constexpr UINT_PTR kCheckOnlineEvent = 2;
}  // namespace

UINT_PTR Win32Timers::EventId(TimerId id) {
  return id == TimerId::DownloadNotice ? kDownloadNoticeEvent : kCheckOnlineEvent;
}

std::optional<TimerId> Win32Timers::FromEventId(WPARAM event_id) {
  if (event_id == kDownloadNoticeEvent) return TimerId::DownloadNotice;
  if (event_id == kCheckOnlineEvent) return TimerId::CheckOnline;
  return std::nullopt;
}

void Win32Timers::set_window(HWND window) {
  window_ = window;
  if (!window_) return;
  for (const auto& [id, interval] : running_) SetTimer(window_, EventId(id), interval, nullptr);
}

void Win32Timers::Start(TimerId id, unsigned interval_ms) {
  auto it = running_.find(id);
  if (it != running_.end() && it->second == interval_ms) return;
  running_[id] = interval_ms;
  // SetTimer on a running id restarts it with the new interval.
  if (window_) SetTimer(window_, EventId(id), interval_ms, nullptr);
}

void Win32Timers::Stop(TimerId id) {
  running_.erase(id);
  if (window_) KillTimer(window_, EventId(id));
}

}  // namespace orv
