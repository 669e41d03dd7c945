// The HTTP answer reader: the same answer fed whole and in pieces cut where the input says must
// give the same events, and those must be what a plain reading of the whole answer by the rules
// in http_wire.h gives. Also the url parser and the request it leads to.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/http_wire.h"

namespace {

using orv::HttpEvent;

[[noreturn]] void Mismatch(const char* what, const std::string& bytes) {
  std::fprintf(stderr, "mismatch: %s\nanswer (%zu bytes): ", what, bytes.size());
  for (unsigned char c : bytes) std::fprintf(stderr, "%02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

// The events of one answer with the body's pieces joined (how a body is cut into pieces
// depends on how it arrives).
struct Outcome {
  bool begun = false;
  int status = 0;
  std::string body;
  bool ended = false;
  int error = 0;  // 0: none
  bool operator==(const Outcome& o) const {
    return begun == o.begun && status == o.status && body == o.body && ended == o.ended &&
           error == o.error;
  }
};

// Joins the events and checks their order: Begin first, Data only after it and never empty,
// one End or Error last.
Outcome Collect(const std::vector<HttpEvent>& events, const std::string& bytes) {
  Outcome out;
  for (const HttpEvent& e : events) {
    if (out.ended || out.error) Mismatch("event after the end", bytes);
    switch (e.kind) {
      case HttpEvent::Begin:
        if (out.begun) Mismatch("second Begin", bytes);
        out.begun = true;
        out.status = e.value;
        break;
      case HttpEvent::Data:
        if (!out.begun || e.data.empty()) Mismatch("Data before Begin, or empty", bytes);
        out.body += e.data;
        break;
      case HttpEvent::End:
        if (!out.begun) Mismatch("End before Begin", bytes);
        out.ended = true;
        break;
      case HttpEvent::Error:
        if (e.value == 0) Mismatch("Error without a code", bytes);
        out.error = e.value;
        break;
    }
  }
  if (!out.ended && !out.error) Mismatch("no End or Error after Finish", bytes);
  return out;
}

Outcome Read(const std::string& bytes, const std::vector<size_t>& cuts) {
  orv::HttpResponseReader reader;
  std::vector<HttpEvent> events;
  size_t at = 0;
  for (size_t cut : cuts) {
    reader.Feed(bytes.data() + at, cut - at);
    for (HttpEvent& e : reader.TakeEvents()) events.push_back(std::move(e));
    at = cut;
  }
  reader.Feed(bytes.data() + at, bytes.size() - at);
  reader.Finish();
  if (!reader.done()) Mismatch("not done after Finish", bytes);
  reader.Feed("HTTP/1.0 200 OK\r\n\r\nmore");
  reader.Finish();
  for (HttpEvent& e : reader.TakeEvents()) events.push_back(std::move(e));
  return Collect(events, bytes);
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

std::string TrimBlanks(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") + 1 - b);
}

bool AllDigits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// "HTTP/" digits "." digits, blanks, three digits, then the end or a blank.
int ReferenceStatus(const std::string& line) {
  if (line.rfind("HTTP/", 0) != 0) return -1;
  size_t i = 5;
  const size_t major = line.find_first_not_of("0123456789", i);
  if (major == std::string::npos || major == i || line[major] != '.') return -1;
  const size_t minor = line.find_first_not_of("0123456789", major + 1);
  if (minor == std::string::npos || minor == major + 1 || line[minor] != ' ') return -1;
  i = line.find_first_not_of(' ', minor);
  if (i == std::string::npos || i + 3 > line.size() || !AllDigits(line.substr(i, 3))) return -1;
  if (i + 3 < line.size() && line[i + 3] != ' ') return -1;
  return std::stoi(line.substr(i, 3));
}

Outcome Reference(const std::string& bytes) {
  Outcome out;
  // The headers end at the first empty line (LF, or CR LF); its LF must lie within the limit.
  std::vector<std::string> lines;
  size_t start = 0, body_at = std::string::npos;
  for (;;) {
    const size_t nl = bytes.find('\n', start);
    if (nl == std::string::npos || nl >= orv::HttpResponseReader::kMaxHeaderBytes) break;
    std::string line = bytes.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = nl + 1;
    if (line.empty()) {
      body_at = start;
      break;
    }
    lines.push_back(line);
  }
  if (body_at == std::string::npos) {
    out.error = bytes.size() > orv::HttpResponseReader::kMaxHeaderBytes ? orv::kHttpBadAnswer
                                                                        : orv::kHttpCutShort;
    return out;
  }
  const int status = lines.empty() ? -1 : ReferenceStatus(lines[0]);
  if (status < 0) {
    out.error = orv::kHttpBadAnswer;
    return out;
  }
  bool has_length = false;
  unsigned long long length = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    const size_t colon = lines[i].find(':');
    if (colon == std::string::npos) continue;
    const std::string name = Lower(TrimBlanks(lines[i].substr(0, colon)));
    const std::string value = TrimBlanks(lines[i].substr(colon + 1));
    if (name == "content-length") {
      if (!AllDigits(value) || value.size() > 15 ||
          (has_length && std::stoull(value) != length)) {
        out.error = orv::kHttpBadAnswer;
        return out;
      }
      has_length = true;
      length = std::stoull(value);
    } else if (name == "transfer-encoding" && Lower(value) != "identity") {
      out.error = orv::kHttpBadAnswer;
      return out;
    }
  }
  out.begun = true;
  out.status = status;
  out.body = bytes.substr(body_at);
  if (has_length && out.body.size() < length) {
    out.error = orv::kHttpCutShort;
  } else {
    if (has_length) out.body.resize(length);
    out.ended = true;
  }
  return out;
}

bool ReferenceHost(const std::string& host) {
  if (host.empty()) return false;
  for (char c : host) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(c >= '0' && c <= '9') && c != '.' && c != '-' && c != '_') return false;
  }
  return true;
}

// "http://host[:port][/path]": the url parser against a plain reading of its rules, and the
// request it leads to.
void CheckUrl(const std::string& url) {
  orv::HttpUrl parsed;
  const bool ok = orv::ParseHttpUrl(url, &parsed);
  bool valid = url.size() >= 7 && Lower(url.substr(0, 7)) == "http://";
  for (unsigned char c : url) valid = valid && c >= 33 && c != 0x7F;
  orv::HttpUrl expected;
  if (valid) {
    const size_t slash = url.find('/', 7);
    const std::string authority = url.substr(7, slash == std::string::npos ? slash : slash - 7);
    expected.path = slash == std::string::npos ? "/" : url.substr(slash);
    const size_t colon = authority.find(':');
    expected.host = authority.substr(0, colon);
    valid = ReferenceHost(expected.host);
    if (valid && colon != std::string::npos) {
      const std::string port = authority.substr(colon + 1);
      valid = AllDigits(port) && port.size() <= 5 && std::stoi(port) >= 1 && std::stoi(port) <= 65535;
      if (valid) expected.port = static_cast<uint16_t>(std::stoi(port));
    }
  }
  if (ok != valid) Mismatch("ParseHttpUrl accepts", url);
  if (!ok) return;
  if (parsed.host != expected.host || parsed.port != expected.port || parsed.path != expected.path) {
    Mismatch("ParseHttpUrl parts", url);
  }
  orv::HttpGetRequest request;
  request.url = url;
  request.agent = "agent";
  request.accept = "*/*";
  const std::string host = parsed.host + (parsed.port == 80 ? "" : ":" + std::to_string(parsed.port));
  const std::string expected_get = "GET " + parsed.path + " HTTP/1.0\r\nAccept: */*\r\n"
                                   "User-Agent: agent\r\nHost: " + host + "\r\n\r\n";
  if (orv::FormatHttpGet(request, parsed) != expected_get) Mismatch("FormatHttpGet", url);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t flags = in.ConsumeIntegral<uint8_t>();
  std::vector<size_t> cut_sizes;
  for (int n = in.ConsumeIntegralInRange(0, 8); n > 0; --n) {
    cut_sizes.push_back(in.ConsumeIntegralInRange<size_t>(0, 64));
  }
  std::string bytes = in.ConsumeRemainingBytesAsString();
  if (flags & 1) CheckUrl(bytes);
  // Padding after the first line takes the headers near and past their limit.
  if (flags & 2) {
    const size_t first = bytes.find('\n');
    const size_t at = first == std::string::npos ? bytes.size() : first + 1;
    const size_t pad = orv::HttpResponseReader::kMaxHeaderBytes - 64 + (flags >> 2);
    bytes.insert(at, "X-Pad: " + std::string(pad, 'p') + "\r\n");
  }

  std::vector<size_t> cuts;
  size_t at = 0;
  for (size_t s : cut_sizes) {
    at = std::min(bytes.size(), at + s);
    cuts.push_back(at);
  }
  const Outcome whole = Read(bytes, {});
  if (!(Read(bytes, cuts) == whole)) Mismatch("pieces differ from whole", bytes);
  std::vector<size_t> bytewise;
  if (bytes.size() <= 512) {
    for (size_t i = 1; i < bytes.size(); ++i) bytewise.push_back(i);
    if (!(Read(bytes, bytewise) == whole)) Mismatch("byte by byte differs from whole", bytes);
  }
  if (!(Reference(bytes) == whole)) Mismatch("reference", bytes);
  return 0;
}
