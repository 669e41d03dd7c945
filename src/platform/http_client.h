#pragma once
// An asynchronous HTTP/1.0 GET on the interface thread: one request at a time, its answer
// delivered as events (on Windows, from window messages of the client's own window).
#include <cstdint>
#include <string>

#include "base/errors.h"

namespace orv {

struct HttpGetRequest {
  std::string url;         // "http://host[:port]/path"
  std::string proxy_host;  // empty: connect to the url's host itself
  uint16_t proxy_port = 80;
  std::string agent;   // User-Agent
  std::string accept;  // Accept
};

// Error numbers of OnSocketError: positive ones are the system's socket errors (10061: refused,
// 11001: host not found, ...), negative ones the client's own.
enum HttpErrorCode : int {
  kHttpBadAddress = -1,  // the url is not http://host[:port]/path, or a port is 0
  kHttpBadAnswer = -2,   // not an HTTP answer, or headers too long
  kHttpCutShort = -3,    // the connection ended before the promised body or before the headers
  kHttpSilent = -4,      // nothing arrived for the client's time limit (30 s)
  kHttpTooLong = -5,     // the request was not over within the overall limit
};

// The longest a request may take from Get to its end, however its answer trickles in: the
// notice's download timer interval, so that no request outlives the next attempt.
inline constexpr unsigned kHttpOverallLimitMs = 120000;

// What one request reports, in this order: OnDocBegin once the status line and headers are in,
// OnDocData for each received piece of the body, then OnDocEnd; or OnSocketError at any point
// (after which nothing else comes). The request is over, and the client idle, when OnDocEnd or
// OnSocketError is called. Redirects are not followed: a 3xx answer is reported like any other.
class HttpEvents {
 public:
  virtual ~HttpEvents() = default;
  virtual void OnDocBegin(int status) = 0;
  virtual void OnDocData(const std::string& piece) = 0;
  virtual void OnDocEnd() = 0;
  virtual void OnSocketError(int code) = 0;
};

// Starting while a request is under way.
class HttpBusyError : public OrvError {
 public:
  HttpBusyError() : OrvError("HTTP component is busy") {}
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // Starts the request; `events` must live until it is over or aborted. Throws HttpBusyError at
  // once while another request is under way (that one goes on). Every later failure, a bad
  // address included, arrives as OnSocketError, never inside Get.
  virtual void Get(const HttpGetRequest& request, HttpEvents* events) = 0;
  // Ends the request under way, if any, without another event. May be called from an event.
  virtual void Abort() = 0;
  virtual bool busy() const = 0;
};

}  // namespace orv
