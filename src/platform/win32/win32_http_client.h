#pragma once
// HttpClient over Winsock on the interface thread. The client owns a message-only window:
// name lookups (WSAAsyncGetHostByName) and socket events (WSAAsyncSelect) arrive there as
// window messages through the thread's message loop, so nothing ever blocks and nobody else has
// to forward them. Must be made, used and destroyed on one thread with a message loop.
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "platform/http_client.h"
#include "platform/http_wire.h"

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
  // A connection on which nothing happens for silence_limit_ms ends as kHttpSilent.
  explicit Win32HttpClient(unsigned silence_limit_ms = 30000);
  ~Win32HttpClient() override;
  Win32HttpClient(const Win32HttpClient&) = delete;
  Win32HttpClient& operator=(const Win32HttpClient&) = delete;

  void Get(const HttpGetRequest& request, HttpEvents* events) override;
  void Abort() override;
  bool busy() const override { return busy_; }

 private:
  static LRESULT CALLBACK WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Begin();
  void OnLookup(HANDLE lookup, LPARAM lparam);
  void Connect(IN_ADDR address);
  void OnSocket(SOCKET s, LPARAM lparam);
  void SendPending();
  bool Receive();  // one recv; false when the exchange ended
  void Deliver();
  void Fail(int code);
  void EndExchange();
  void KeepAlive();

  WinsockSession winsock_;
  HWND window_ = nullptr;
  unsigned silence_limit_ms_;

  bool busy_ = false;
  unsigned generation_ = 0;  // moves on at every end, so stale messages are told apart
  HttpEvents* events_ = nullptr;
  HttpUrl url_;
  HttpEndpoint endpoint_;
  std::string outbound_;
  HttpResponseReader reader_;
  UniqueSocket socket_;
  UINT socket_message_ = 0;
  HANDLE lookup_ = nullptr;
  // Lookups not yet answered and their result buffers: the system writes into a buffer until
  // its answer is posted, even after the request was given up.
  std::map<HANDLE, std::unique_ptr<char[]>> lookups_;
};

}  // namespace orv
