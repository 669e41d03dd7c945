#include "platform/win32/win32_http_client.h"

#include <cstring>

namespace orv {

namespace {

// Messages of the client's own window. The socket events of connection attempt n use
// kSocketFirst + n % kSocketCount, so that events still queued for a closed socket (whose handle
// may come back at once for the next one) are never taken for the new socket's.
constexpr UINT kBegin = WM_APP + 1;   // wParam: generation
constexpr UINT kLookup = WM_APP + 2;  // wParam: generation
constexpr UINT kSocketFirst = WM_APP + 0x100;
constexpr UINT kSocketCount = 0x100;
constexpr UINT_PTR kSilenceTimer = 1;
constexpr UINT_PTR kOverallTimer = 2;
constexpr int kReceiveBytes = 16 * 1024;

}  // namespace

WinsockSession::WinsockSession() {
  WSADATA data;
  ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
  if (ok_) WSACleanup();
}

Win32HttpClient::Win32HttpClient(unsigned silence_limit_ms, unsigned overall_limit_ms)
    : silence_limit_ms_(silence_limit_ms),
      overall_limit_ms_(overall_limit_ms),
      window_([this](UINT message, WPARAM wparam, LPARAM lparam) {
        return HandleMessage(message, wparam, lparam);
      }) {}

Win32HttpClient::~Win32HttpClient() { EndExchange(); }

bool Win32HttpClient::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kBegin) {
    if (busy_ && wparam == generation_) Begin();
    return true;
  }
  if (message == kLookup) {
    if (busy_ && wparam == generation_ && lookup_) OnLookup();
    return true;
  }
  if (message >= kSocketFirst && message < kSocketFirst + kSocketCount) {
    if (busy_ && message == socket_message_ && static_cast<SOCKET>(wparam) == socket_.get())
      OnSocket(lparam);
    return true;
  }
  if (message == WM_TIMER && (wparam == kSilenceTimer || wparam == kOverallTimer)) {
    if (busy_) Fail(wparam == kSilenceTimer ? kHttpSilent : kHttpTooLong);
    return true;
  }
  return false;
}

void Win32HttpClient::Get(const HttpGetRequest& request, HttpEvents* events) {
  if (busy_) throw HttpBusyError();
  HWND window = window_.handle();
  if (!window || !winsock_.ok()) throw OrvError("HTTP component could not be started");
  busy_ = true;
  ++generation_;
  events_ = events;
  reader_ = HttpResponseReader();
  const bool good = ParseHttpUrl(request.url, &url_) && ConnectionEndpoint(request, url_, &endpoint_);
  request_bytes_ = good ? FormatHttpGet(request, url_) : std::string();
  KeepAlive();
  SetTimer(window, kOverallTimer, overall_limit_ms_, nullptr);
  // Everything from here on happens in messages: no event ever comes from inside Get.
  PostMessageA(window, kBegin, generation_, 0);
}

void Win32HttpClient::Begin() {
  if (request_bytes_.empty()) return Fail(kHttpBadAddress);
  auto lookup = std::make_shared<Lookup>();
  lookup_ = lookup;
  const std::string host = endpoint_.host, port = std::to_string(endpoint_.port);
  // getaddrinfo blocks for as long as the name servers take, and is the only lookup on
  // Windows 7 that gives IPv6 addresses too: it runs on a thread of its own.
  const bool started = window_.RunInBackground(
      [host, port, lookup] {
        WinsockSession winsock;  // Winsock stays up for this thread whatever the client does
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        addrinfo* found = nullptr;
        lookup->error = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
        if (lookup->error) return;
        for (const addrinfo* a = found; a; a = a->ai_next) {
          if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) ||
              a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
          sockaddr_storage address{};
          std::memcpy(&address, a->ai_addr, a->ai_addrlen);
          lookup->addresses.push_back(address);
          lookup->sizes.push_back(static_cast<int>(a->ai_addrlen));
        }
        freeaddrinfo(found);
      },
      kLookup, generation_);
  if (!started) Fail(static_cast<int>(GetLastError()));
}

void Win32HttpClient::OnLookup() {
  KeepAlive();
  if (lookup_->error) return Fail(lookup_->error);
  next_address_ = 0;
  last_error_ = WSANO_DATA;  // a name without an address
  ConnectNext();
}

void Win32HttpClient::ConnectNext() {
  socket_.reset();
  if (next_address_ >= lookup_->addresses.size()) return Fail(last_error_);
  const sockaddr_storage& to = lookup_->addresses[next_address_];
  const int size = lookup_->sizes[next_address_];
  ++next_address_;
  outbound_ = request_bytes_;
  socket_.reset(socket(to.ss_family, SOCK_STREAM, IPPROTO_TCP));
  if (!socket_) {
    last_error_ = WSAGetLastError();
    return ConnectNext();
  }
  socket_message_ = kSocketFirst + ++attempts_ % kSocketCount;
  // Also makes the socket non-blocking.
  if (WSAAsyncSelect(socket_.get(), window_.handle(), socket_message_,
                     FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0)
    return Fail(WSAGetLastError());
  if (connect(socket_.get(), reinterpret_cast<const sockaddr*>(&to), size) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    last_error_ = WSAGetLastError();
    return ConnectNext();
  }
}

void Win32HttpClient::OnSocket(LPARAM lparam) {
  KeepAlive();
  const int error = WSAGETSELECTERROR(lparam);
  switch (WSAGETSELECTEVENT(lparam)) {
    case FD_CONNECT:
      if (error) {
        last_error_ = error;
        return ConnectNext();  // the next address, if any
      }
      return SendPending();
    case FD_WRITE:
      return SendPending();
    case FD_READ:
      Receive();
      return;
    case FD_CLOSE: {
      // What is still buffered comes first; a reset after a complete answer is no failure.
      const unsigned generation = generation_;
      while (generation == generation_ && Receive()) {
      }
      if (generation != generation_) return;
      if (error) return Fail(error);
      reader_.Finish();
      return Deliver();
    }
    default:
      return;
  }
}

void Win32HttpClient::SendPending() {
  while (!outbound_.empty()) {
    const int n = send(socket_.get(), outbound_.data(), static_cast<int>(outbound_.size()), 0);
    if (n == SOCKET_ERROR) {
      const int error = WSAGetLastError();
      if (error != WSAEWOULDBLOCK) Fail(error);
      return;  // FD_WRITE says when to go on
    }
    outbound_.erase(0, static_cast<size_t>(n));
  }
}

bool Win32HttpClient::Receive() {
  char buffer[kReceiveBytes];
  const int n = recv(socket_.get(), buffer, sizeof buffer, 0);
  if (n == 0) return false;  // closed: FD_CLOSE follows or is being handled
  if (n == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) Fail(error);
    return false;
  }
  reader_.Feed(buffer, static_cast<size_t>(n));
  Deliver();
  return busy_;
}

void Win32HttpClient::Deliver() {
  const unsigned generation = generation_;
  for (const HttpEvent& e : reader_.TakeEvents()) {
    if (generation != generation_) return;  // aborted by an earlier event
    HttpEvents* sink = events_;
    switch (e.kind) {
      case HttpEvent::Begin: sink->OnDocBegin(e.value); break;
      case HttpEvent::Data: sink->OnDocData(e.data); break;
      case HttpEvent::End: EndExchange(); sink->OnDocEnd(); return;
      case HttpEvent::Error: EndExchange(); sink->OnSocketError(e.value); return;
    }
  }
}

void Win32HttpClient::Fail(int code) {
  HttpEvents* sink = events_;
  EndExchange();
  if (sink) sink->OnSocketError(code);
}

void Win32HttpClient::EndExchange() {
  if (!busy_) return;
  busy_ = false;
  ++generation_;
  events_ = nullptr;
  if (socket_) WSAAsyncSelect(socket_.get(), window_.handle(), 0, 0);  // no new messages for it
  socket_.reset();
  lookup_.reset();  // a lookup still running keeps its own share
  outbound_.clear();
  request_bytes_.clear();
  reader_ = HttpResponseReader();
  if (HWND window = window_.handle()) {
    KillTimer(window, kSilenceTimer);
    KillTimer(window, kOverallTimer);
  }
}

void Win32HttpClient::KeepAlive() {
  // SetTimer on a running id starts its interval again.
  if (HWND window = window_.handle()) SetTimer(window, kSilenceTimer, silence_limit_ms_, nullptr);
}

void Win32HttpClient::Abort() { EndExchange(); }

}  // namespace orv
