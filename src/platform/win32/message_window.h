#pragma once
// A message-only window whose messages go to one handler, for services that take their events
// through the interface thread's message loop (socket events, answers of background work).
//
// Work that may block for long (a name lookup, a connection check) runs on a thread of its own
// (RunInBackground), so that the interface thread never waits for the network. Nobody waits for
// that thread either: when its work is done it posts a message to this window, which a window
// gone by then just misses; the work keeps alive whatever it writes into (a shared_ptr).
#include <windows.h>

#include <functional>

namespace orv {

class MessageWindow {
 public:
  // Returns true when it handled the message; anything else goes to DefWindowProc.
  using Handler = std::function<bool(UINT message, WPARAM wparam, LPARAM lparam)>;

  explicit MessageWindow(Handler handler);
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Null when the window could not be made.
  HWND handle() const { return window_; }

  // Runs `work` on a new thread, then posts `message` with `wparam` (lParam 0) to this window.
  // False when no thread could be started: `work` does not run.
  bool RunInBackground(std::function<void()> work, UINT message, WPARAM wparam);

 private:
  static LRESULT CALLBACK WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  Handler handler_;
  HWND window_ = nullptr;
};

}  // namespace orv
