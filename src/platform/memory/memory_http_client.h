#pragma once
// An HttpClient over servers in memory. A test says what each endpoint does; a request's events
// arrive only when the test lets the network run (RunPending), the answer read by the same
// HttpResponseReader as on Windows. Endpoints nobody serves refuse the connection.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/http_client.h"
#include "platform/http_wire.h"

namespace orv {

class MemoryHttpClient : public HttpClient {
 public:
  inline static constexpr int kRefused = 10061;

  // The server at host:port answers every request with these bytes and closes the connection.
  void Serve(const std::string& host, uint16_t port, const std::string& answer);
  // The server takes the request and never answers.
  void ServeSilently(const std::string& host, uint16_t port);
  // The server sends `answer` so slowly, a byte at a time, that the client's overall limit
  // passes while it has sent no more than its first `sent_in_time` bytes.
  void ServeTrickling(const std::string& host, uint16_t port, const std::string& answer,
                      size_t sent_in_time);
  // The Nth Get from now (1 = the next one) throws OrvError at once; 0 turns it off.
  void FailGetAt(int n) {
    fail_get_at_ = n;
    gets_since_armed_ = 0;
  }
  // Answers arrive in pieces of this many bytes.
  size_t piece_size = 1460;

  void Get(const HttpGetRequest& request, HttpEvents* events) override;
  void Abort() override;
  bool busy() const override { return busy_; }

  // Lets the request under way run to its end (a silent server: until the time limit passes).
  void RunPending();

  // What the servers received, oldest first.
  struct Received {
    HttpEndpoint endpoint;
    std::string bytes;
  };
  std::vector<Received> received;
  int get_calls() const { return get_calls_; }

 private:
  struct Server {
    bool silent = false;
    std::string answer;
    bool trickling = false;  // only the answer's start comes within the overall limit
  };
  void Deliver(const std::vector<HttpEvent>& events);
  void End();

  std::map<std::pair<std::string, uint16_t>, Server> servers_;
  bool busy_ = false;
  unsigned generation_ = 0;
  HttpEvents* events_ = nullptr;
  HttpGetRequest request_;
  int fail_get_at_ = 0;
  int gets_since_armed_ = 0;
  int get_calls_ = 0;
};

}  // namespace orv
