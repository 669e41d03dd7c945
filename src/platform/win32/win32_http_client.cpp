#include "platform/win32/win32_http_client.h"

#include <cstring>

namespace orv {

namespace {

const char kWindowClass[] = "OrvanelHttpClient";

// Messages of the client's own window. Socket events of exchange g use kSocketFirst + g % 256,
// so that events still queued for a closed socket (whose handle may come back at once for the
// next one) are never taken for the new socket's.
constexpr UINT kBegin = WM_APP + 1;   // wParam: generation
constexpr UINT kLookup = WM_APP + 2;  // wParam: lookup handle, lParam: error and size
constexpr UINT kSocketFirst = WM_APP + 0x100;
constexpr UINT kSocketCount = 0x100;
constexpr UINT_PTR kSilenceTimer = 1;
constexpr int kReceiveBytes = 16 * 1024;

bool RegisterWindowClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.lpszClassName = kWindowClass;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

WinsockSession::WinsockSession() {
  WSADATA data;
  ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
  if (ok_) WSACleanup();
}

Win32HttpClient::Win32HttpClient(unsigned silence_limit_ms) : silence_limit_ms_(silence_limit_ms) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (RegisterWindowClass(instance, &Win32HttpClient::WindowProcThunk))
    CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
}

Win32HttpClient::~Win32HttpClient() {
  EndExchange();
  if (window_) DestroyWindow(window_);
  // Lookups still running write into their buffers later: those are left to the process.
  for (auto& [handle, buffer] : lookups_) buffer.release();
}

LRESULT CALLBACK Win32HttpClient::WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam,
                                                  LPARAM lparam) {
  Win32HttpClient* self;
  if (message == WM_NCCREATE) {
    self = static_cast<Win32HttpClient*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->window_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Win32HttpClient*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT Win32HttpClient::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kBegin) {
    if (busy_ && wparam == generation_) Begin();
    return 0;
  }
  if (message == kLookup) {
    OnLookup(reinterpret_cast<HANDLE>(wparam), lparam);
    return 0;
  }
  if (message >= kSocketFirst && message < kSocketFirst + kSocketCount) {
    if (busy_ && message == socket_message_ && static_cast<SOCKET>(wparam) == socket_.get())
      OnSocket(static_cast<SOCKET>(wparam), lparam);
    return 0;
  }
  if (message == WM_TIMER && wparam == kSilenceTimer) {
    if (busy_) Fail(kHttpSilent);
    return 0;
  }
  HWND hwnd = window_;
  if (message == WM_NCDESTROY) window_ = nullptr;
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

void Win32HttpClient::Get(const HttpGetRequest& request, HttpEvents* events) {
  if (busy_) throw HttpBusyError();
  if (!window_ || !winsock_.ok()) throw OrvError("HTTP component could not be started");
  busy_ = true;
  ++generation_;
  events_ = events;
  reader_ = HttpResponseReader();
  const bool good = ParseHttpUrl(request.url, &url_) && ConnectionEndpoint(request, url_, &endpoint_);
  outbound_ = good ? FormatHttpGet(request, url_) : std::string();
  KeepAlive();
  // Everything from here on happens in messages: no event ever comes from inside Get.
  PostMessageA(window_, kBegin, generation_, 0);
}

void Win32HttpClient::Begin() {
  if (outbound_.empty()) return Fail(kHttpBadAddress);
  IN_ADDR address;
  address.s_addr = inet_addr(endpoint_.host.c_str());
  if (address.s_addr != INADDR_NONE) return Connect(address);
  auto buffer = std::make_unique<char[]>(MAXGETHOSTSTRUCT);
  HANDLE lookup = WSAAsyncGetHostByName(window_, kLookup, endpoint_.host.c_str(), buffer.get(),
                                        MAXGETHOSTSTRUCT);
  if (!lookup) return Fail(WSAGetLastError());
  lookup_ = lookup;
  lookups_[lookup] = std::move(buffer);
}

void Win32HttpClient::OnLookup(HANDLE lookup, LPARAM lparam) {
  auto it = lookups_.find(lookup);
  if (it == lookups_.end()) return;
  std::unique_ptr<char[]> buffer = std::move(it->second);
  lookups_.erase(it);
  if (!busy_ || lookup != lookup_) return;  // given up meanwhile
  lookup_ = nullptr;
  KeepAlive();
  if (const int error = WSAGETASYNCERROR(lparam)) return Fail(error);
  const hostent* host = reinterpret_cast<const hostent*>(buffer.get());
  if (host->h_addrtype != AF_INET || !host->h_addr_list || !host->h_addr_list[0])
    return Fail(WSANO_DATA);
  IN_ADDR address;
  std::memcpy(&address, host->h_addr_list[0], sizeof address);
  Connect(address);
}

void Win32HttpClient::Connect(IN_ADDR address) {
  socket_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket_) return Fail(WSAGetLastError());
  socket_message_ = kSocketFirst + generation_ % kSocketCount;
  // Also makes the socket non-blocking.
  if (WSAAsyncSelect(socket_.get(), window_, socket_message_,
                     FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0)
    return Fail(WSAGetLastError());
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr = address;
  to.sin_port = htons(endpoint_.port);
  if (connect(socket_.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK)
    return Fail(WSAGetLastError());
}

void Win32HttpClient::OnSocket(SOCKET, LPARAM lparam) {
  KeepAlive();
  const int error = WSAGETSELECTERROR(lparam);
  switch (WSAGETSELECTEVENT(lparam)) {
    case FD_CONNECT:
      if (error) return Fail(error);
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
  if (socket_) WSAAsyncSelect(socket_.get(), window_, 0, 0);  // no new messages for it
  socket_.reset();
  lookup_ = nullptr;  // its buffer stays in lookups_ until the answer comes
  outbound_.clear();
  reader_ = HttpResponseReader();
  if (window_) KillTimer(window_, kSilenceTimer);
}

void Win32HttpClient::KeepAlive() {
  // SetTimer on a running id starts its interval again.
  if (window_) SetTimer(window_, kSilenceTimer, silence_limit_ms_, nullptr);
}

void Win32HttpClient::Abort() { EndExchange(); }

}  // namespace orv
