#include "platform/http_wire.h"

#include "base/ansi.h"

namespace orv {

namespace {

bool IsHostByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

// Decimal 1 to 65535.
bool ParsePort(const std::string& text, uint16_t* port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  *port = static_cast<uint16_t>(value);
  return true;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool IsDigits(const std::string& s, size_t from, size_t count) {
  if (from + count > s.size()) return false;
  for (size_t i = from; i < from + count; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

// "HTTP/<digits>.<digits> <3 digits>[ <reason>]"; the status, or -1.
int ParseStatusLine(const std::string& line) {
  if (line.compare(0, 5, "HTTP/") != 0) return -1;
  size_t i = 5, start = i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  if (i == start || i >= line.size() || line[i] != '.') return -1;
  start = ++i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  if (i == start || i >= line.size() || line[i] != ' ') return -1;
  while (i < line.size() && line[i] == ' ') ++i;
  if (!IsDigits(line, i, 3)) return -1;
  if (i + 3 < line.size() && line[i + 3] != ' ') return -1;
  return (line[i] - '0') * 100 + (line[i + 1] - '0') * 10 + (line[i + 2] - '0');
}

}  // namespace

bool ParseHttpUrl(const std::string& url, HttpUrl* out) {
  static const char kScheme[] = "http://";
  const size_t scheme_size = sizeof kScheme - 1;
  if (url.size() < scheme_size || AnsiLowerAscii(url.substr(0, scheme_size)) != kScheme)
    return false;
  for (unsigned char c : url)
    if (c < 33 || c == 0x7F) return false;  // nothing may end a line of the request
  const size_t slash = url.find('/', scheme_size);
  const std::string authority = url.substr(scheme_size, slash - scheme_size);
  HttpUrl parsed;
  parsed.path = slash == std::string::npos ? "/" : url.substr(slash);
  const size_t colon = authority.find(':');
  parsed.host = authority.substr(0, colon);
  if (!IsHttpHost(parsed.host)) return false;
  if (colon != std::string::npos && !ParsePort(authority.substr(colon + 1), &parsed.port))
    return false;
  *out = parsed;
  return true;
}

bool IsHttpHost(const std::string& host) {
  if (host.empty()) return false;
  for (char c : host)
    if (!IsHostByte(c)) return false;
  return true;
}

bool ConnectionEndpoint(const HttpGetRequest& request, const HttpUrl& url, HttpEndpoint* out) {
  if (request.proxy_host.empty()) {
    *out = {url.host, url.port};
    return true;
  }
  if (!IsHttpHost(request.proxy_host) || request.proxy_port == 0) return false;
  *out = {request.proxy_host, request.proxy_port};
  return true;
}

std::string FormatHttpGet(const HttpGetRequest& request, const HttpUrl& url) {
  const std::string target = request.proxy_host.empty() ? url.path : request.url;
  std::string host = url.host;
  if (url.port != 80) host += ":" + std::to_string(url.port);
  return "GET " + target + " HTTP/1.0\r\n" +
         "Accept: " + request.accept + "\r\n" +
         "User-Agent: " + request.agent + "\r\n" +
         "Host: " + host + "\r\n" +
         "\r\n";
}

void HttpResponseReader::Feed(const char* bytes, size_t size) {
  if (state_ == State::Body) return FeedBody(bytes, size);
  if (state_ != State::Headers) return;
  head_.append(bytes, size);
  // Complete lines are looked at once: line_start_ is the first one not yet seen whole.
  for (;;) {
    const size_t nl = head_.find('\n', line_start_);
    if (nl == std::string::npos || nl >= kMaxHeaderBytes) {
      if (head_.size() > kMaxHeaderBytes) Fail(kHttpBadAnswer);
      return;
    }
    const size_t length = nl - line_start_;
    if (length == 0 || (length == 1 && head_[line_start_] == '\r')) break;  // the empty line
    line_start_ = nl + 1;
  }
  const size_t body_at = head_.find('\n', line_start_) + 1;
  const std::string rest = head_.substr(body_at);
  head_.resize(line_start_);
  ParseHeaders();
  head_.clear();
  if (state_ == State::Body) FeedBody(rest.data(), rest.size());
}

void HttpResponseReader::FeedBody(const char* bytes, size_t size) {
  size_t take = size;
  if (has_length_ && remaining_ < take) take = static_cast<size_t>(remaining_);
  if (take > 0) events_.push_back({HttpEvent::Data, 0, std::string(bytes, take)});
  if (has_length_) {
    remaining_ -= take;
    if (remaining_ == 0) Complete();
  }
}

void HttpResponseReader::ParseHeaders() {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < head_.size()) {
    size_t nl = head_.find('\n', start);
    if (nl == std::string::npos) nl = head_.size();
    std::string line = head_.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = nl + 1;
  }
  const int status = lines.empty() ? -1 : ParseStatusLine(lines[0]);
  if (status < 0) return Fail(kHttpBadAnswer);
  for (size_t i = 1; i < lines.size(); ++i) {
    const size_t colon = lines[i].find(':');
    if (colon == std::string::npos) continue;
    const std::string name = AnsiLowerAscii(Trim(lines[i].substr(0, colon)));
    const std::string value = Trim(lines[i].substr(colon + 1));
    if (name == "content-length") {
      // Digits only; two different lengths leave the body's end unknown.
      if (value.empty() || value.size() > 15 || !IsDigits(value, 0, value.size()))
        return Fail(kHttpBadAnswer);
      const unsigned long long length = std::stoull(value);
      if (has_length_ && length != remaining_) return Fail(kHttpBadAnswer);
      has_length_ = true;
      remaining_ = length;
    } else if (name == "transfer-encoding" && AnsiLowerAscii(value) != "identity") {
      return Fail(kHttpBadAnswer);  // chunked and the like are not HTTP/1.0
    }
  }
  state_ = State::Body;
  events_.push_back({HttpEvent::Begin, status, {}});
  if (has_length_ && remaining_ == 0) Complete();
}

void HttpResponseReader::Finish() {
  if (state_ == State::Headers) return Fail(kHttpCutShort);
  if (state_ != State::Body) return;
  if (has_length_ && remaining_ > 0) return Fail(kHttpCutShort);
  Complete();
}

std::vector<HttpEvent> HttpResponseReader::TakeEvents() {
  std::vector<HttpEvent> out;
  out.swap(events_);
  return out;
}

void HttpResponseReader::Fail(int code) {
  state_ = State::Done;
  head_.clear();
  events_.push_back({HttpEvent::Error, code, {}});
}

void HttpResponseReader::Complete() {
  state_ = State::Done;
  events_.push_back({HttpEvent::End, 0, {}});
}

}  // namespace orv
