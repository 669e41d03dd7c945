#include "platform/win32/win32_http_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/http_client_conformance.h"
#include "platform/win32/win32_connectivity.h"

namespace orv {

namespace {

// A loopback server on its own thread, with blocking sockets: accepts one connection, reads the
// request up to its empty line, then answers and closes, or (silent) waits for the client to go.
class LoopbackServer {
 public:
  LoopbackServer(std::string answer, bool silent) {
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof a;
    bind(listener_.get(), reinterpret_cast<sockaddr*>(&a), size);
    listen(listener_.get(), 4);
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this, answer, silent] {
      UniqueSocket peer(accept(listener_.get(), nullptr, nullptr));
      if (!peer) return;
      char buffer[1024];
      std::string request;
      while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = recv(peer.get(), buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, n);
      }
      request_ = request;
      received_ = true;
      if (silent) {
        while (recv(peer.get(), buffer, sizeof buffer, 0) > 0) {
        }
        return;
      }
      for (size_t at = 0; at < answer.size(); at += 8192)
        if (send(peer.get(), answer.data() + at, static_cast<int>(std::min<size_t>(8192, answer.size() - at)), 0) <= 0)
          return;
      shutdown(peer.get(), SD_SEND);
    });
  }
  ~LoopbackServer() {
    listener_.reset();  // ends an accept still waiting
    if (thread_.joinable()) thread_.join();
  }
  uint16_t port() const { return port_; }
  bool received() const { return received_; }
  std::string request() const { return received_ ? request_ : std::string(); }

 private:
  WinsockSession winsock_;
  UniqueSocket listener_;
  uint16_t port_ = 0;
  std::string request_;
  std::atomic<bool> received_{false};
  std::thread thread_;
};

void PumpFor(DWORD ms, const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done() && GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(1);
  }
}

class Win32HttpFixture : public HttpClientConformanceFixture {
 public:
  HttpClient& Client() override { return client_; }
  HttpEndpoint Serve(const std::string& answer) override {
    servers_.push_back(std::make_unique<LoopbackServer>(answer, false));
    return {"127.0.0.1", servers_.back()->port()};
  }
  HttpEndpoint ServeSilently() override {
    servers_.push_back(std::make_unique<LoopbackServer>(std::string(), true));
    return {"127.0.0.1", servers_.back()->port()};
  }
  HttpEndpoint Refusing() override {
    // A port that was just free: nothing listens there.
    UniqueSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof a;
    bind(s.get(), reinterpret_cast<sockaddr*>(&a), size);
    getsockname(s.get(), reinterpret_cast<sockaddr*>(&a), &size);
    return {"127.0.0.1", ntohs(a.sin_port)};
  }
  std::string LastRequest() override {
    if (servers_.empty()) return std::string();
    LoopbackServer& last = *servers_.back();
    PumpFor(2000, [&] { return last.received(); });
    return last.request();
  }
  bool RunUntil(const std::function<bool()>& done) override {
    PumpFor(3000, done);
    return done();
  }

 private:
  WinsockSession winsock_;
  Win32HttpClient client_{500};  // the silent server is given up after half a second
  std::vector<std::unique_ptr<LoopbackServer>> servers_;
};

}  // namespace

std::unique_ptr<HttpClientConformanceFixture> MakeHttpClientConformanceFixture() {
  return std::make_unique<Win32HttpFixture>();
}

namespace {

struct Events : HttpEvents {
  void OnDocBegin(int status) override { log += "begin " + std::to_string(status) + ";"; }
  void OnDocData(const std::string& piece) override { body += piece; }
  void OnDocEnd() override { log += "end;"; }
  void OnSocketError(int code) override { log += "error " + std::to_string(code) + ";"; }
  bool over() const {
    return log.find("end;") != std::string::npos || log.find("error") != std::string::npos;
  }
  std::string log, body;
};

TEST(Win32HttpClient, AHostNameIsLookedUpWithoutBlocking) {
  LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nnamed", false);
  Win32HttpClient client;
  Events e;
  client.Get({"http://localhost:" + std::to_string(server.port()) + "/", "", 80, "A", "*/*"}, &e);
  PumpFor(5000, [&] { return e.over(); });
  EXPECT_EQ(e.log, "begin 200;end;");
  EXPECT_EQ(e.body, "named");
  EXPECT_NE(server.request().find("Host: localhost:"), std::string::npos);
}

TEST(Win32HttpClient, GoingAwayWhileALookupRunsLeavesNothingBehind) {
  Events e;
  {
    Win32HttpClient client;
    client.Get({"http://localhost:9/", "", 80, "A", "*/*"}, &e);
    MSG msg;  // the one queued message starts the lookup; its answer comes from another thread
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_TRUE(client.busy());
  }
  PumpFor(300, [] { return false; });  // its answer finds no client
  EXPECT_EQ(e.log, "");
}

TEST(Win32Connectivity, TrueOnlyWhereSomethingListens) {
  WinsockSession winsock;
  Win32Connectivity connectivity;
  LoopbackServer server("", false);
  EXPECT_TRUE(connectivity.CanConnect("http://127.0.0.1:" + std::to_string(server.port()) + "/"));
  UniqueSocket probe(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  Win32HttpFixture f;
  const HttpEndpoint closed = f.Refusing();
  EXPECT_FALSE(connectivity.CanConnect("http://127.0.0.1:" + std::to_string(closed.port) + "/"));
}

}  // namespace
}  // namespace orv
