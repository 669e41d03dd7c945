#pragma once
// The shared HTTP client suite runs against each implementation through this fixture; each test
// executable defines MakeHttpClientConformanceFixture once (the in-memory servers natively,
// loopback servers on Windows).
#include <functional>
#include <memory>
#include <string>

#include "platform/http_client.h"
#include "platform/http_wire.h"

namespace orv {

class HttpClientConformanceFixture {
 public:
  virtual ~HttpClientConformanceFixture() = default;
  virtual HttpClient& Client() = 0;
  // A server on this machine that reads one request, answers with these bytes and closes.
  virtual HttpEndpoint Serve(const std::string& answer) = 0;
  // A server that reads the request and never answers.
  virtual HttpEndpoint ServeSilently() = 0;
  // A server that sends `answer` a byte at a time, so slowly that the client's overall limit
  // passes first, though never so slowly that the client finds it silent.
  virtual HttpEndpoint ServeTrickling(const std::string& answer) = 0;
  // An endpoint where nothing listens.
  virtual HttpEndpoint Refusing() = 0;
  // The bytes the last server received.
  virtual std::string LastRequest() = 0;
  // Lets the client work until done() holds or a few seconds pass; returns done().
  virtual bool RunUntil(const std::function<bool()>& done) = 0;
};

std::unique_ptr<HttpClientConformanceFixture> MakeHttpClientConformanceFixture();

}  // namespace orv
