#pragma once
// The online check over WinInet's InternetCheckConnection, which blocks for as long as the
// connection attempt takes: it runs on a thread of its own, and its answer comes to a
// message-only window of this object's, through the interface thread's message loop.
#include <memory>
#include <string>

#include "platform/connectivity.h"
#include "platform/win32/message_window.h"

namespace orv {

class Win32Connectivity : public Connectivity {
 public:
  // A check the system has not finished within limit_ms counts as offline; its thread is left
  // to end alone.
  explicit Win32Connectivity(unsigned limit_ms = 60000);
  ~Win32Connectivity() override;
  Win32Connectivity(const Win32Connectivity&) = delete;
  Win32Connectivity& operator=(const Win32Connectivity&) = delete;

  void Check(const std::string& url, ConnectivityEvents* events) override;
  void Cancel() override;
  bool busy() const override { return events_ != nullptr; }

 private:
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Answer(bool online);

  unsigned limit_ms_;
  ConnectivityEvents* events_ = nullptr;
  WPARAM ticket_ = 0;  // of the check under way; moves on with every check and every end
  std::shared_ptr<bool> found_;  // the check under way writes its finding here
  MessageWindow window_;
};

}  // namespace orv
