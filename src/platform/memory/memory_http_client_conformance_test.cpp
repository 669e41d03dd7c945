#include "platform/http_client_conformance.h"
#include "platform/memory/memory_http_client.h"

namespace orv {

namespace {
class MemoryHttpFixture : public HttpClientConformanceFixture {
 public:
  MemoryHttpFixture() { client_.piece_size = 4000; }
  HttpClient& Client() override { return client_; }
  HttpEndpoint Serve(const std::string& answer) override {
    const HttpEndpoint e{"127.0.0.1", next_port_++};
    client_.Serve(e.host, e.port, answer);
    return e;
  }
  HttpEndpoint ServeSilently() override {
    const HttpEndpoint e{"127.0.0.1", next_port_++};
    client_.ServeSilently(e.host, e.port);
    return e;
  }
  HttpEndpoint ServeTrickling(const std::string& answer) override {
    const HttpEndpoint e{"127.0.0.1", next_port_++};
    client_.ServeTrickling(e.host, e.port, answer, 30);
    return e;
  }
  HttpEndpoint Refusing() override { return {"127.0.0.1", 9}; }
  std::string LastRequest() override {
    return client_.received.empty() ? std::string() : client_.received.back().bytes;
  }
  bool RunUntil(const std::function<bool()>& done) override {
    client_.RunPending();
    return done();
  }

 private:
  MemoryHttpClient client_;
  uint16_t next_port_ = 20000;
};
}  // namespace

std::unique_ptr<HttpClientConformanceFixture> MakeHttpClientConformanceFixture() {
  return std::make_unique<MemoryHttpFixture>();
}

}  // namespace orv
