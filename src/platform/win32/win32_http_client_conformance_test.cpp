#include "platform/win32/win32_http_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

#include "platform/connectivity_conformance.h"
#include "platform/http_client_conformance.h"
#include "platform/win32/win32_connectivity.h"

namespace orv {

namespace {

// A loopback server on its own thread, with blocking sockets: accepts one connection, reads the
// request up to its empty line, then answers and closes; or (Silent) waits for the client to
// go; or (Trickle) sends the answer a byte every 50 ms until it is sent or the client has gone.
class LoopbackServer {
 public:
  enum Mode { kAnswer, kSilent, kTrickle };
  LoopbackServer(std::string answer, Mode mode, int family = AF_INET, uint16_t port = 0) {
    listener_.reset(socket(family, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_storage a{};
    int size;
    if (family == AF_INET6) {
      auto& a6 = reinterpret_cast<sockaddr_in6&>(a);
      a6.sin6_family = AF_INET6;
      a6.sin6_addr = in6addr_loopback;
      a6.sin6_port = htons(port);
      size = sizeof a6;
    } else {
      auto& a4 = reinterpret_cast<sockaddr_in&>(a);
      a4.sin_family = AF_INET;
      a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      a4.sin_port = htons(port);
      size = sizeof a4;
    }
    listening_ = bind(listener_.get(), reinterpret_cast<sockaddr*>(&a), size) == 0 &&
                 listen(listener_.get(), 4) == 0;
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(a).sin6_port
                                     : reinterpret_cast<sockaddr_in&>(a).sin_port);
    thread_ = std::thread([this, answer, mode] {
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
      if (mode == kSilent) {
        while (recv(peer.get(), buffer, sizeof buffer, 0) > 0) {
        }
        return;
      }
      const size_t piece = mode == kTrickle ? 1 : 8192;
      for (size_t at = 0; at < answer.size(); at += piece) {
        if (send(peer.get(), answer.data() + at, static_cast<int>(std::min(piece, answer.size() - at)), 0) <= 0) {
          left_ = true;  // the client has gone
          return;
        }
        if (mode == kTrickle) Sleep(50);
      }
      shutdown(peer.get(), SD_SEND);
    });
  }
  ~LoopbackServer() {
    listener_.reset();  // ends an accept still waiting
    if (thread_.joinable()) thread_.join();
  }
  bool listening() const { return listening_; }
  uint16_t port() const { return port_; }
  bool received() const { return received_; }
  bool left() const { return left_; }
  std::string request() const { return received_ ? request_ : std::string(); }

 private:
  WinsockSession winsock_;
  UniqueSocket listener_;
  bool listening_ = false;
  uint16_t port_ = 0;
  std::string request_;
  std::atomic<bool> received_{false};
  std::atomic<bool> left_{false};
  std::thread thread_;
};

// A loopback port that was just free: a server's, gone again, so nothing listens there.
uint16_t RefusingPort() { return LoopbackServer("", LoopbackServer::kAnswer).port(); }

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
    return Add(answer, LoopbackServer::kAnswer);
  }
  HttpEndpoint ServeSilently() override { return Add("", LoopbackServer::kSilent); }
  HttpEndpoint ServeTrickling(const std::string& answer) override {
    return Add(answer, LoopbackServer::kTrickle);
  }
  HttpEndpoint Refusing() override { return {"127.0.0.1", RefusingPort()}; }
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
  HttpEndpoint Add(const std::string& answer, LoopbackServer::Mode mode) {
    servers_.push_back(std::make_unique<LoopbackServer>(answer, mode));
    return {"127.0.0.1", servers_.back()->port()};
  }

  WinsockSession winsock_;
  // A silent server is given up after half a second, a trickling one after two.
  Win32HttpClient client_{500, 2000};
  std::vector<std::unique_ptr<LoopbackServer>> servers_;
};

class Win32ConnectivityFixture : public ConnectivityConformanceFixture {
 public:
  Connectivity& Service() override { return service_; }
  std::string Reachable() override {
    servers_.push_back(std::make_unique<LoopbackServer>("", LoopbackServer::kAnswer));
    return "http://127.0.0.1:" + std::to_string(servers_.back()->port()) + "/";
  }
  std::string Refusing() override { return "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/"; }
  bool RunUntil(const std::function<bool()>& done) override {
    PumpFor(3000, done);
    return done();
  }

 private:
  WinsockSession winsock_;
  Win32Connectivity service_;
  std::vector<std::unique_ptr<LoopbackServer>> servers_;
};

}  // namespace

std::unique_ptr<HttpClientConformanceFixture> MakeHttpClientConformanceFixture() {
  return std::make_unique<Win32HttpFixture>();
}

std::unique_ptr<ConnectivityConformanceFixture> MakeConnectivityConformanceFixture() {
  return std::make_unique<Win32ConnectivityFixture>();
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
  LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nnamed", LoopbackServer::kAnswer);
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

// The address families a name is looked up to, in their order.
std::vector<int> FamiliesOf(const std::string& name) {
  WinsockSession winsock;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  std::vector<int> families;
  if (getaddrinfo(name.c_str(), "80", &hints, &found) != 0) return families;
  for (const addrinfo* a = found; a; a = a->ai_next) families.push_back(a->ai_family);
  freeaddrinfo(found);
  return families;
}

TEST(Win32HttpClient, EachAddressOfTheNameIsTriedIpv6Included) {
  // A name of both loopback addresses; a server listens on one of them only, so whichever comes
  // first, one of the two rows finds its first address refused.
  const char* given = getenv("ORV_TWO_ADDRESS_NAME");
  const std::string name = given ? given : "localhost";
  const std::vector<int> families = FamiliesOf(name);
  if (std::count(families.begin(), families.end(), AF_INET) == 0 ||
      std::count(families.begin(), families.end(), AF_INET6) == 0)
    GTEST_SKIP() << "needs a name of both ::1 and 127.0.0.1 (ORV_TWO_ADDRESS_NAME), which "
                    "tools/dropping-netns.sh gives in its namespace; \"" << name
                 << "\" here names " << families.size() << " address(es)";
  for (int family : {AF_INET, AF_INET6}) {
    SCOPED_TRACE(family == AF_INET ? "IPv4 only" : "IPv6 only");
    LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nfound", LoopbackServer::kAnswer, family);
    ASSERT_TRUE(server.listening());
    Win32HttpClient client;
    Events e;
    client.Get({"http://" + name + ":" + std::to_string(server.port()) + "/", "", 80, "A", "*/*"}, &e);
    PumpFor(5000, [&] { return e.over(); });
    EXPECT_EQ(e.log, "begin 200;end;");
    EXPECT_EQ(e.body, "found");
  }
}

TEST(Win32HttpClient, AnAnswerThatTricklesPastTheOverallLimitIsAbandoned) {
  LoopbackServer server("HTTP/1.0 200 OK\r\n\r\n" + std::string(1000, 'x'), LoopbackServer::kTrickle);
  // The head alone takes about 950 ms to trickle in: the limit leaves room for it.
  Win32HttpClient client(500, 1500);
  Events e;
  const DWORD start = GetTickCount();
  client.Get({"http://127.0.0.1:" + std::to_string(server.port()) + "/", "", 80, "A", "*/*"}, &e);
  PumpFor(5000, [&] { return e.over(); });
  const DWORD took = GetTickCount() - start;
  EXPECT_EQ(e.log, "begin 200;error " + std::to_string(kHttpTooLong) + ";");
  EXPECT_GE(took, 1400u);
  EXPECT_LT(took, 3000u);
  // The connection is closed: the server finds its client gone.
  PumpFor(3000, [&] { return server.left(); });
  EXPECT_TRUE(server.left());
}

// What a service's events ran on, and what they said.
struct OnlineAnswers : ConnectivityEvents {
  void OnOnlineAnswer(bool online) override { found.push_back(online); }
  std::vector<bool> found;
};

TEST(Win32Connectivity, ACheckOfAHostThatNeverAnswersCountsAsOfflineAtItsLimit) {
  const char* port = getenv("ORV_DROPPED_PORT");
  const char* why = getenv("ORV_NETNS_UNAVAILABLE");
  if (!port)
    GTEST_SKIP() << "needs a loopback port whose packets are dropped, from "
                    "tools/dropping-netns.sh: " << (why ? why : "not run by it");
  Win32Connectivity service(1000);
  OnlineAnswers a;
  const DWORD start = GetTickCount();
  service.Check(std::string("http://127.0.0.1:") + port + "/", &a);
  PumpFor(5000, [&] { return !a.found.empty(); });
  const DWORD took = GetTickCount() - start;
  EXPECT_EQ(a.found, std::vector<bool>{false});
  EXPECT_GE(took, 900u);
  EXPECT_LT(took, 2500u);  // the system itself gives up the connection later
  EXPECT_FALSE(service.busy());
}

}  // namespace
}  // namespace orv
