#pragma once
// HttpClient over Winsock on the interface thread. The client owns a message-only window:
// the answer of the name lookup (getaddrinfo, on a thread of its own) and the socket events
// (WSAAsyncSelect) arrive there as window messages through the thread's message loop, so nothing
// ever blocks and nobody else has to forward them. Each address the lookup gives, IPv6 ones
// included, is tried in its order until one connects. Must be made, used and destroyed on one
// thread with a message loop.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/http_client.h"
#include "platform/http_wire.h"
#include "platform/win32/message_window.h"

namespace orv {

// WSAStartup / WSACleanup for as long as it lives.
class WinsockSession {
 public:
  WinsockSession();
  ~WinsockSession();
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

class UniqueSocket {
 public:
  UniqueSocket() = default;
  explicit UniqueSocket(SOCKET s) : s_(s) {}
  ~UniqueSocket() { reset(); }
  UniqueSocket(const UniqueSocket&) = delete;
  UniqueSocket& operator=(const UniqueSocket&) = delete;
  SOCKET get() const { return s_; }
  explicit operator bool() const { return s_ != INVALID_SOCKET; }
  void reset(SOCKET s = INVALID_SOCKET) {
    if (s_ != INVALID_SOCKET) closesocket(s_);
    s_ = s;
  }

 private:
  SOCKET s_ = INVALID_SOCKET;
};

class Win32HttpClient : public HttpClient {
 public:
  // A request on which nothing happens for silence_limit_ms ends as kHttpSilent; one that is not
  // over after overall_limit_ms, however its answer trickles in, ends as kHttpTooLong.
  explicit Win32HttpClient(unsigned silence_limit_ms = 30000,
                           unsigned overall_limit_ms = kHttpOverallLimitMs);
  ~Win32HttpClient() override;
  Win32HttpClient(const Win32HttpClient&) = delete;
  Win32HttpClient& operator=(const Win32HttpClient&) = delete;

  void Get(const HttpGetRequest& request, HttpEvents* events) override;
  void Abort() override;
  bool busy() const override { return busy_; }

 private:
  // What the name lookup found, written by its thread.
  struct Lookup {
    int error = 0;
    std::vector<sockaddr_storage> addresses;
    std::vector<int> sizes;
  };

  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Begin();
  void OnLookup();
  void ConnectNext();
  void OnSocket(LPARAM lparam);
  void SendPending();
  bool Receive();  // one recv; false when the exchange ended
  void Deliver();
  void Fail(int code);
  void EndExchange();
  void KeepAlive();

  WinsockSession winsock_;
  unsigned silence_limit_ms_;
  unsigned overall_limit_ms_;

  bool busy_ = false;
  unsigned generation_ = 0;  // moves on at every end, so stale messages are told apart
  unsigned attempts_ = 0;    // connections tried, for their socket messages
  HttpEvents* events_ = nullptr;
  HttpUrl url_;
  HttpEndpoint endpoint_;
  std::string outbound_;
  std::string request_bytes_;  // outbound_ as made, for each address tried
  HttpResponseReader reader_;
  std::shared_ptr<Lookup> lookup_;  // of the request under way
  size_t next_address_ = 0;
  int last_error_ = 0;  // of the last address tried
  UniqueSocket socket_;
  UINT socket_message_ = 0;
  // Last: its messages reach the members above, which are made before it and gone after it.
  MessageWindow window_;
};

}  // namespace orv
