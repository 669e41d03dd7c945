#include "platform/http_wire.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using namespace std::string_literals;

TEST(HttpUrl, ParsesHostPortAndPath) {
  struct Case {
    const char* url;
    bool ok;
    const char* host;
    int port;
    const char* path;
  };
  const Case cases[] = {
      {"http://www.tavrosel.example/ad_orvanel/notice.txt", true, "www.tavrosel.example", 80,
       "/ad_orvanel/notice.txt"},
      {"HTTP://Host:8080", true, "Host", 8080, "/"},
      {"http://127.0.0.1:65535/a?b=c", true, "127.0.0.1", 65535, "/a?b=c"},
      {"https://host/", false, "", 0, ""},
      {"http://:80/", false, "", 0, ""},
      {"http://host:0/", false, "", 0, ""},
      {"http://host:65536/", false, "", 0, ""},
      {"http://user@host/", false, "", 0, ""},
      {"http://host/a\r\nX-Injected: 1", false, "", 0, ""},
  };
  for (const Case& c : cases) {
    HttpUrl url;
    ASSERT_EQ(ParseHttpUrl(c.url, &url), c.ok) << c.url;
    if (!c.ok) continue;
    EXPECT_EQ(url.host, c.host) << c.url;
    EXPECT_EQ(url.port, c.port) << c.url;
    EXPECT_EQ(url.path, c.path) << c.url;
  }
}

TEST(HttpRequest, HostCarriesAPortOtherThan80AndAProxyGetsTheWholeUrl) {
  HttpGetRequest r;
  r.url = "http://h:8080/p";
  r.agent = "A";
  r.accept = "*/*";
  HttpUrl url;
  ASSERT_TRUE(ParseHttpUrl(r.url, &url));
  EXPECT_EQ(FormatHttpGet(r, url), "GET /p HTTP/1.0\r\nAccept: */*\r\nUser-Agent: A\r\nHost: h:8080\r\n\r\n");
  HttpEndpoint e;
  ASSERT_TRUE(ConnectionEndpoint(r, url, &e));
  EXPECT_EQ(e.host, "h");
  EXPECT_EQ(e.port, 8080);
  r.proxy_host = "proxy";
  r.proxy_port = 3128;
  EXPECT_EQ(FormatHttpGet(r, url).substr(0, 30), "GET http://h:8080/p HTTP/1.0\r\n");
  ASSERT_TRUE(ConnectionEndpoint(r, url, &e));
  EXPECT_EQ(e.host, "proxy");
  EXPECT_EQ(e.port, 3128);
  r.proxy_host = "bad host";
  EXPECT_FALSE(ConnectionEndpoint(r, url, &e));
  r.proxy_host = "proxy";
  r.proxy_port = 0;
  EXPECT_FALSE(ConnectionEndpoint(r, url, &e));
}

// The events of an answer fed in pieces of `step` bytes, then the end of the connection, as one
// line: "<status>|<body>|end" or "...|error <code>".
std::string Read(const std::string& answer, size_t step) {
  HttpResponseReader reader;
  std::vector<HttpEvent> events;
  for (size_t at = 0; at < answer.size(); at += step) {
    reader.Feed(answer.substr(at, step));
    for (HttpEvent& e : reader.TakeEvents()) events.push_back(e);
  }
  reader.Finish();
  for (HttpEvent& e : reader.TakeEvents()) events.push_back(e);
  std::string status = "-", body, last;
  int ends = 0;
  for (const HttpEvent& e : events) {
    if (e.kind == HttpEvent::Begin) status = std::to_string(e.value);
    if (e.kind == HttpEvent::Data) body += e.data;
    if (e.kind == HttpEvent::End || e.kind == HttpEvent::Error) {
      ++ends;
      last = e.kind == HttpEvent::End ? "end" : "error " + std::to_string(e.value);
    }
  }
  if (ends != 1) return "ended " + std::to_string(ends) + " times";
  return status + "|" + body + "|" + last;
}

TEST(HttpResponseReader, AnswersReadTheSameHoweverTheyArriveInPieces) {
  const std::string bad = "error " + std::to_string(kHttpBadAnswer);
  const std::string cut = "error " + std::to_string(kHttpCutShort);
  struct Case {
    std::string answer, expected;
  };
  const std::vector<Case> cases = {
      {"HTTP/1.0 200 OK\r\nServer: x\r\n\r\n3,abc\r\n", "200|3,abc\r\n|end"},
      {"HTTP/1.1 200\nContent-Type: text/plain\n\nbody", "200|body|end"},
      {"HTTP/1.0 200 OK\r\n\n\r\nmixed", "200|\r\nmixed|end"},
      {"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabcdef", "200|abc|end"},
      {"HTTP/1.0 200 OK\r\ncontent-length:  0 \r\n\r\nignored", "200||end"},
      {"HTTP/1.0 404 Not Found\r\n\r\nnope", "404|nope|end"},
      {"HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nabc", "200|abc|" + cut},
      {"HTTP/1.0 200 OK\r\nServer: x", "-||" + cut},
      {"", "-||" + cut},
      {"3,hello\r\n\r\n", "-||" + bad},
      {"HTTP/1.0 2000 OK\r\n\r\n", "-||" + bad},
      {"HTTP/1.0 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", "-||" + bad},
      {"HTTP/1.0 200 OK\r\nContent-Length: -1\r\n\r\n", "-||" + bad},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", "-||" + bad},
      {"HTTP/1.0 200 OK\r\nX: " + std::string(20000, 'y') + "\r\n\r\nbody", "-||" + bad},
      {"HTTP/1.0 200 OK\r\nX: \xC4\xE3\r\n\r\n\xC4\xE3\0\xBA\xC3"s, "200|\xC4\xE3\0\xBA\xC3|end"s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.substr(0, 60));
    for (size_t step : {c.answer.size() + 1, size_t{1}, size_t{2}, size_t{7}, size_t{4096}})
      EXPECT_EQ(Read(c.answer, step), c.expected) << "pieces of " << step;
  }
}

TEST(HttpResponseReader, NothingAfterTheEnd) {
  HttpResponseReader reader;
  reader.Feed(std::string("HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nab"));
  EXPECT_TRUE(reader.done());
  EXPECT_EQ(reader.TakeEvents().size(), 3u);  // begin, data "a", end
  reader.Feed(std::string("more"));
  reader.Finish();
  EXPECT_TRUE(reader.TakeEvents().empty());
}

}  // namespace
}  // namespace orv
