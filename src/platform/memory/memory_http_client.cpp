#include "platform/memory/memory_http_client.h"

#include <algorithm>

namespace orv {

void MemoryHttpClient::Serve(const std::string& host, uint16_t port, const std::string& answer) {
  servers_[{host, port}] = Server{false, answer};
}

void MemoryHttpClient::ServeSilently(const std::string& host, uint16_t port) {
  servers_[{host, port}] = Server{true, std::string()};
}

void MemoryHttpClient::ServeTrickling(const std::string& host, uint16_t port,
                                      const std::string& answer, size_t sent_in_time) {
  servers_[{host, port}] = Server{false, answer.substr(0, sent_in_time), true};
}

void MemoryHttpClient::Get(const HttpGetRequest& request, HttpEvents* events) {
  ++get_calls_;
  if (busy_) throw HttpBusyError();
  if (fail_get_at_ > 0 && ++gets_since_armed_ == fail_get_at_)
    throw OrvError("HTTP request could not be started");
  busy_ = true;
  ++generation_;
  events_ = events;
  request_ = request;
}

void MemoryHttpClient::Abort() {
  if (busy_) End();
}

void MemoryHttpClient::End() {
  busy_ = false;
  ++generation_;
  events_ = nullptr;
}

void MemoryHttpClient::Deliver(const std::vector<HttpEvent>& events) {
  const unsigned generation = generation_;
  for (const HttpEvent& e : events) {
    if (generation != generation_) return;  // aborted by an earlier event
    HttpEvents* sink = events_;
    switch (e.kind) {
      case HttpEvent::Begin: sink->OnDocBegin(e.value); break;
      case HttpEvent::Data: sink->OnDocData(e.data); break;
      case HttpEvent::End: End(); sink->OnDocEnd(); return;
      case HttpEvent::Error: End(); sink->OnSocketError(e.value); return;
    }
  }
}

void MemoryHttpClient::RunPending() {
  if (!busy_) return;
  HttpUrl url;
  HttpEndpoint endpoint;
  if (!ParseHttpUrl(request_.url, &url) || !ConnectionEndpoint(request_, url, &endpoint))
    return Deliver({{HttpEvent::Error, kHttpBadAddress, {}}});
  auto it = servers_.find({endpoint.host, endpoint.port});
  if (it == servers_.end()) return Deliver({{HttpEvent::Error, kRefused, {}}});
  received.push_back({endpoint, FormatHttpGet(request_, url)});
  if (it->second.silent) return Deliver({{HttpEvent::Error, kHttpSilent, {}}});

  const std::string answer = it->second.answer;  // a handler may change the servers
  const unsigned generation = generation_;
  HttpResponseReader reader;
  const size_t step = std::max<size_t>(piece_size, 1);
  for (size_t at = 0; at < answer.size() && !reader.done(); at += step) {
    reader.Feed(answer.substr(at, step));
    Deliver(reader.TakeEvents());
    if (generation != generation_) return;
  }
  if (it->second.trickling) return Deliver({{HttpEvent::Error, kHttpTooLong, {}}});
  reader.Finish();
  Deliver(reader.TakeEvents());
}

}  // namespace orv
