// The behaviour every HttpClient must share, run natively against the in-memory servers and
// under Windows against loopback servers.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/http_client_conformance.h"

namespace orv {
namespace {

const char kAccept[] = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
const char kAgent[] = "Mozilla/3.0 (compatible)";

// Records one request's events as a line each.
class Recorder : public HttpEvents {
 public:
  void OnDocBegin(int status) override { log.push_back("begin " + std::to_string(status)); }
  void OnDocData(const std::string& piece) override {
    EXPECT_FALSE(piece.empty());
    ++pieces;
    body += piece;
  }
  void OnDocEnd() override { log.push_back("end"); }
  void OnSocketError(int code) override {
    log.push_back("error");
    error = code;
  }
  bool Over() const {
    return !log.empty() && (log.back() == "end" || log.back() == "error");
  }
  std::vector<std::string> log;
  std::string body;
  int pieces = 0;
  int error = 0;
};

class HttpClientConformance : public ::testing::Test {
 protected:
  void SetUp() override { fixture_ = MakeHttpClientConformanceFixture(); }
  HttpClient& client() { return fixture_->Client(); }
  static HttpGetRequest Request(const std::string& url, const HttpEndpoint* proxy = nullptr) {
    HttpGetRequest r;
    r.url = url;
    if (proxy) {
      r.proxy_host = proxy->host;
      r.proxy_port = proxy->port;
    }
    r.agent = kAgent;
    r.accept = kAccept;
    return r;
  }
  static std::string UrlOf(const HttpEndpoint& e, const std::string& path) {
    return "http://" + e.host + ":" + std::to_string(e.port) + path;
  }
  bool Run(Recorder& r) {
    return fixture_->RunUntil([&] { return r.Over(); });
  }
  std::unique_ptr<HttpClientConformanceFixture> fixture_;
};

using Log = std::vector<std::string>;

TEST_F(HttpClientConformance, DirectRequestSendsExactlyItsLinesAndReportsTheAnswer) {
  const HttpEndpoint server =
      fixture_->Serve("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n3,hello\r\n1,x");
  Recorder r;
  client().Get(Request(UrlOf(server, "/ad_orvanel/notice.txt")), &r);
  EXPECT_TRUE(client().busy());
  ASSERT_TRUE(Run(r));
  EXPECT_EQ(fixture_->LastRequest(),
            "GET /ad_orvanel/notice.txt HTTP/1.0\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible)\r\n"
            "Host: " + server.host + ":" + std::to_string(server.port) + "\r\n\r\n");
  EXPECT_EQ(r.log, (Log{"begin 200", "end"}));
  EXPECT_EQ(r.body, "3,hello\r\n1,x");
  EXPECT_FALSE(client().busy());
}

TEST_F(HttpClientConformance, ThroughAProxyTheRequestLineCarriesTheWholeAddress) {
  const HttpEndpoint proxy = fixture_->Serve("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nbody");
  Recorder r;
  // The address's own host is never looked up: the connection goes to the proxy.
  client().Get(Request("http://www.tavrosel.example/ad_orvanel/notice.txt", &proxy), &r);
  ASSERT_TRUE(Run(r));
  EXPECT_EQ(fixture_->LastRequest(),
            "GET http://www.tavrosel.example/ad_orvanel/notice.txt HTTP/1.0\r\n"
            "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible)\r\n"
            "Host: www.tavrosel.example\r\n\r\n");
  EXPECT_EQ(r.log, (Log{"begin 200", "end"}));
  EXPECT_EQ(r.body, "body");
}

TEST_F(HttpClientConformance, ALargeBodyArrivesWholeInPieces) {
  std::string body;
  for (int i = 0; i < 200000; ++i) body += static_cast<char>('a' + i % 26);
  const HttpEndpoint server = fixture_->Serve("HTTP/1.0 200 OK\r\n\r\n" + body);
  Recorder r;
  client().Get(Request(UrlOf(server, "/big")), &r);
  ASSERT_TRUE(Run(r));
  EXPECT_EQ(r.log, (Log{"begin 200", "end"}));
  EXPECT_EQ(r.body.size(), body.size());
  EXPECT_TRUE(r.body == body);
  EXPECT_GT(r.pieces, 1);
}

TEST_F(HttpClientConformance, ErrorStatusesAndRedirectsAreReportedNotFollowed) {
  for (const char* answer : {"HTTP/1.0 404 Not Found\r\n\r\nmissing",
                             "HTTP/1.0 302 Found\r\nLocation: http://elsewhere/\r\n\r\nmoved"}) {
    const HttpEndpoint server = fixture_->Serve(answer);
    Recorder r;
    client().Get(Request(UrlOf(server, "/")), &r);
    ASSERT_TRUE(Run(r)) << answer;
    EXPECT_EQ(r.log.size(), 2u) << answer;
    EXPECT_EQ(r.log.front().substr(0, 6), "begin ") << answer;
    EXPECT_EQ(r.log.back(), "end") << answer;
  }
}

TEST_F(HttpClientConformance, FailuresEndInOneSocketError) {
  struct Case {
    const char* name;
    std::function<HttpEndpoint()> server;
  };
  const std::vector<Case> cases = {
      {"refused", [&] { return fixture_->Refusing(); }},
      {"closed without an answer", [&] { return fixture_->Serve(""); }},
      {"not HTTP", [&] { return fixture_->Serve("hello there\r\n\r\n"); }},
      {"body cut short", [&] { return fixture_->Serve("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nshort"); }},
      {"headers cut short", [&] { return fixture_->Serve("HTTP/1.0 200 OK\r\nServer: x"); }},
      {"silent", [&] { return fixture_->ServeSilently(); }},
  };
  for (const Case& c : cases) {
    const HttpEndpoint server = c.server();
    Recorder r;
    client().Get(Request(UrlOf(server, "/")), &r);
    ASSERT_TRUE(Run(r)) << c.name;
    EXPECT_EQ(r.log.back(), "error") << c.name;
    EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "end"), 0) << c.name;
    EXPECT_NE(r.error, 0) << c.name;
    EXPECT_FALSE(client().busy()) << c.name;
  }
}

TEST_F(HttpClientConformance, AnAnswerThatTricklesPastTheOverallLimitIsAbandoned) {
  const HttpEndpoint server =
      fixture_->ServeTrickling("HTTP/1.0 200 OK\r\n\r\n" + std::string(1000, 'x'));
  Recorder r;
  client().Get(Request(UrlOf(server, "/")), &r);
  ASSERT_TRUE(Run(r));
  EXPECT_EQ(r.log.back(), "error");
  EXPECT_EQ(r.error, kHttpTooLong);
  EXPECT_LT(r.body.size(), 1000u);
  EXPECT_FALSE(client().busy());
}

TEST_F(HttpClientConformance, ABadAddressFailsAsAnEventNotInsideGet) {
  for (const char* url : {"ftp://host/x", "http:///x", "http://host:0/", "http://ho st/"}) {
    Recorder r;
    client().Get(Request(url), &r);
    EXPECT_TRUE(r.log.empty()) << url;
    ASSERT_TRUE(Run(r)) << url;
    EXPECT_EQ(r.log, (Log{"error"})) << url;
    EXPECT_EQ(r.error, kHttpBadAddress) << url;
  }
}

TEST_F(HttpClientConformance, StartingWhileBusyFailsAtOnceAndTheFirstRequestGoesOn) {
  const HttpEndpoint server = fixture_->Serve("HTTP/1.0 200 OK\r\n\r\nfirst");
  Recorder first, second;
  client().Get(Request(UrlOf(server, "/")), &first);
  EXPECT_THROW(client().Get(Request(UrlOf(server, "/")), &second), HttpBusyError);
  ASSERT_TRUE(Run(first));
  EXPECT_EQ(first.body, "first");
  EXPECT_TRUE(second.log.empty());
}

TEST_F(HttpClientConformance, AbortEndsTheRequestSilentlyAndTheClientCanStartAgain) {
  const HttpEndpoint server = fixture_->Serve("HTTP/1.0 200 OK\r\n\r\nlate");
  Recorder aborted;
  client().Get(Request(UrlOf(server, "/")), &aborted);
  client().Abort();
  EXPECT_FALSE(client().busy());
  client().Abort();  // idle: nothing happens

  const HttpEndpoint next = fixture_->Serve("HTTP/1.0 200 OK\r\n\r\nnext");
  Recorder r;
  client().Get(Request(UrlOf(next, "/")), &r);
  ASSERT_TRUE(Run(r));
  EXPECT_EQ(r.body, "next");
  EXPECT_TRUE(aborted.log.empty());
  EXPECT_EQ(aborted.body, "");
}

TEST_F(HttpClientConformance, AnAbortFromInsideAnEventStopsEveryLaterEvent) {
  const HttpEndpoint server = fixture_->Serve("HTTP/1.0 200 OK\r\n\r\n" + std::string(100000, 'x'));
  struct AbortOnData : Recorder {
    HttpClient* client = nullptr;
    void OnDocData(const std::string& piece) override {
      Recorder::OnDocData(piece);
      client->Abort();
    }
  } r;
  r.client = &client();
  client().Get(Request(UrlOf(server, "/")), &r);
  fixture_->RunUntil([&] { return r.pieces > 0; });
  fixture_->RunUntil([] { return false; });  // nothing else may come
  EXPECT_EQ(r.log, (Log{"begin 200"}));
  EXPECT_EQ(r.pieces, 1);
  EXPECT_FALSE(client().busy());
}

}  // namespace
}  // namespace orv
