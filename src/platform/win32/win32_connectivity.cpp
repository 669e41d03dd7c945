#include "platform/win32/win32_connectivity.h"

#include <windows.h>
#include <wininet.h>

namespace orv {

namespace {
constexpr UINT kAnswerMessage = WM_APP + 1;  // wParam: the check's ticket
constexpr UINT_PTR kLimitTimer = 1;
}  // namespace

Win32Connectivity::Win32Connectivity(unsigned limit_ms)
    : limit_ms_(limit_ms),
      window_([this](UINT message, WPARAM wparam, LPARAM lparam) {
        return OnMessage(message, wparam, lparam);
      }) {}

Win32Connectivity::~Win32Connectivity() { Cancel(); }

void Win32Connectivity::Check(const std::string& url, ConnectivityEvents* events) {
  Cancel();
  if (!window_.handle()) return;  // no window for the answer: no check
  events_ = events;
  const WPARAM ticket = ++ticket_;
  auto found = std::make_shared<bool>(false);
  found_ = found;
  // FLAG_ICC_FORCE_CONNECTION makes it open a connection to the url's host and port, not ping.
  const bool started = window_.RunInBackground(
      [url, found] {
        *found = InternetCheckConnectionA(url.c_str(), FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
      },
      kAnswerMessage, ticket);
  if (!started) {
    // No thread, no check: the answer "offline" still comes later, never from inside Check.
    PostMessageA(window_.handle(), kAnswerMessage, ticket, 0);
    return;
  }
  SetTimer(window_.handle(), kLimitTimer, limit_ms_, nullptr);
}

void Win32Connectivity::Cancel() {
  if (!events_) return;
  events_ = nullptr;
  ++ticket_;
  found_.reset();
  if (window_.handle()) KillTimer(window_.handle(), kLimitTimer);
}

bool Win32Connectivity::OnMessage(UINT message, WPARAM wparam, LPARAM) {
  if (message == kAnswerMessage) {
    if (events_ && wparam == ticket_) Answer(found_ && *found_);
    return true;
  }
  if (message == WM_TIMER && wparam == kLimitTimer) {
    if (events_) Answer(false);
    return true;
  }
  return false;
}

void Win32Connectivity::Answer(bool online) {
  ConnectivityEvents* events = events_;
  Cancel();
  events->OnOnlineAnswer(online);
}

}  // namespace orv
