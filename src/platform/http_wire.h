#pragma once
// The bytes of an HTTP/1.0 GET: the request the client sends and an incremental reader of the
// answer. Shared by every HttpClient implementation, so they all send and understand the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/http_client.h"

namespace orv {

struct HttpUrl {
  std::string host;
  uint16_t port = 80;
  std::string path;  // from the first "/" on; "/" when the url has none
};

// Parses "http://host[:port][/path]" (the scheme in any case). False for any other scheme, an
// empty host, user information, a port that is not 1 to 65535, or bytes below 33 in the url.
bool ParseHttpUrl(const std::string& url, HttpUrl* out);

// A host name or IPv4 address: letters, digits, '.', '-', '_', at least one.
bool IsHttpHost(const std::string& host);

// Where the connection goes: the proxy when one is named, else the url's host. False when the
// proxy's host is not a host name or its port is 0.
struct HttpEndpoint {
  std::string host;
  uint16_t port = 80;
};
bool ConnectionEndpoint(const HttpGetRequest& request, const HttpUrl& url, HttpEndpoint* out);

// The request's bytes, lines ending in CR LF: the request line ("GET <path> HTTP/1.0", with the
// whole url in place of the path through a proxy), Accept, User-Agent, Host (with ":port" when
// the port is not 80), an empty line. Nothing else.
std::string FormatHttpGet(const HttpGetRequest& request, const HttpUrl& url);

// One event of an answer, as HttpEvents reports it.
struct HttpEvent {
  enum Kind { Begin, Data, End, Error } kind;
  int value = 0;     // Begin: the status; Error: the error code
  std::string data;  // Data: the piece
};

// Reads an answer as it arrives. The status line and headers are collected (lines may end in
// LF alone), then the body passes through piece by piece: up to Content-Length when there is
// one, else up to the end of the connection; bytes after it are ignored. Once End or Error has
// been produced, Feed and Finish do nothing.
class HttpResponseReader {
 public:
  // Headers longer than this make the answer a bad one.
  static constexpr size_t kMaxHeaderBytes = 16 * 1024;

  void Feed(const char* bytes, size_t size);
  void Feed(const std::string& bytes) { Feed(bytes.data(), bytes.size()); }
  // The connection has ended: the answer ends here, or was cut short.
  void Finish();
  // The events produced since the last call, oldest first.
  std::vector<HttpEvent> TakeEvents();
  // End or Error has been produced.
  bool done() const { return state_ == State::Done; }

 private:
  enum class State { Headers, Body, Done };
  void ParseHeaders();
  void FeedBody(const char* bytes, size_t size);
  void Fail(int code);
  void Complete();

  State state_ = State::Headers;
  std::string head_;
  size_t line_start_ = 0;
  bool has_length_ = false;
  unsigned long long remaining_ = 0;
  std::vector<HttpEvent> events_;
};

}  // namespace orv
