// The request and answer bytes over a real TCP connection on this machine: a loopback server the
// test starts answers in small pieces, the reader puts them together.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "platform/http_wire.h"

namespace orv {
namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Accepts one connection, reads the request up to its empty line, answers in pieces of `step`
// bytes and closes.
class LoopbackServer {
 public:
  LoopbackServer(std::string answer, size_t step) : listener_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    EXPECT_EQ(bind(listener_.get(), reinterpret_cast<sockaddr*>(&a), size), 0);
    EXPECT_EQ(listen(listener_.get(), 1), 0);
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this, answer, step] {
      Fd peer(accept(listener_.get(), nullptr, nullptr));
      int one = 1;
      setsockopt(peer.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      char buffer[512];
      while (request_.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = recv(peer.get(), buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request_.append(buffer, static_cast<size_t>(n));
      }
      for (size_t at = 0; at < answer.size(); at += step) {
        const std::string piece = answer.substr(at, step);
        if (send(peer.get(), piece.data(), piece.size(), MSG_NOSIGNAL) < 0) return;
        usleep(200);
      }
    });
  }
  ~LoopbackServer() {
    if (thread_.joinable()) thread_.join();
  }
  uint16_t port() const { return port_; }
  // What the server read; valid once the client saw the connection end.
  std::string Request() {
    thread_.join();
    return request_;
  }

 private:
  Fd listener_;
  uint16_t port_ = 0;
  std::string request_;
  std::thread thread_;
};

// Sends the request for `url` to the server (directly or as proxy) and reads the answer through
// HttpResponseReader until the connection ends.
std::vector<HttpEvent> Fetch(const HttpGetRequest& request, uint16_t server_port) {
  HttpUrl url;
  EXPECT_TRUE(ParseHttpUrl(request.url, &url));
  Fd fd(socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(server_port);
  EXPECT_EQ(connect(fd.get(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  const std::string bytes = FormatHttpGet(request, url);
  EXPECT_EQ(send(fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
  HttpResponseReader reader;
  std::vector<HttpEvent> events;
  char buffer[300];
  for (;;) {
    const ssize_t n = recv(fd.get(), buffer, sizeof buffer, 0);
    if (n <= 0) break;
    reader.Feed(buffer, static_cast<size_t>(n));
    for (HttpEvent& e : reader.TakeEvents()) events.push_back(e);
  }
  reader.Finish();
  for (HttpEvent& e : reader.TakeEvents()) events.push_back(e);
  return events;
}

HttpGetRequest NoticeRequest(const std::string& url) {
  HttpGetRequest r;
  r.url = url;
  r.agent = "Mozilla/3.0 (compatible)";
  r.accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  return r;
}

TEST(HttpWireLoopback, DirectAndThroughAProxyTheServerGetsExactlyTheRequestLines) {
  std::string body;
  for (int i = 0; i < 3000; ++i) body += "3,\xC4\xE3\xBA\xC3\r\n";
  const std::string answer = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                             "\r\n\r\n" + body;
  for (bool proxied : {false, true}) {
    SCOPED_TRACE(proxied ? "proxy" : "direct");
    LoopbackServer server(answer, 997);
    const std::string port = std::to_string(server.port());
    HttpGetRequest request = NoticeRequest(
        proxied ? "http://www.tavrosel.example/ad_orvanel/notice.txt"
                : "http://127.0.0.1:" + port + "/ad_orvanel/notice.txt");
    if (proxied) {
      request.proxy_host = "127.0.0.1";
      request.proxy_port = server.port();
    }
    const std::vector<HttpEvent> events = Fetch(request, server.port());
    const std::string line = proxied ? "GET http://www.tavrosel.example/ad_orvanel/notice.txt HTTP/1.0\r\n"
                                     : "GET /ad_orvanel/notice.txt HTTP/1.0\r\n";
    const std::string host = proxied ? "www.tavrosel.example" : "127.0.0.1:" + port;
    EXPECT_EQ(server.Request(), line +
                                    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                                    "User-Agent: Mozilla/3.0 (compatible)\r\n"
                                    "Host: " + host + "\r\n\r\n");
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().kind, HttpEvent::Begin);
    EXPECT_EQ(events.front().value, 200);
    EXPECT_EQ(events.back().kind, HttpEvent::End);
    std::string received;
    for (const HttpEvent& e : events)
      if (e.kind == HttpEvent::Data) received += e.data;
    EXPECT_TRUE(received == body);
  }
}

}  // namespace
}  // namespace orv
