#include "notice/online_notice.h"

#include <algorithm>
#include <exception>

#include "base/ansi.h"
#include "notice/notice_code.h"
#include "platform/http_wire.h"
#include "shell/browser_argument.h"
#include "shell/error_display.h"
#include "shell/maker_site.h"
#include "shell/settings.h"

namespace orv {

namespace {

const char kProxyEnable[] = "ProxyEnable";
const char kProxyServer[] = "ProxyServer";

// A notice comes over plain HTTP: it may only ever open a web page.
bool IsWebAddress(const std::string& address) {
  const std::string lower = AnsiLowerAscii(address);
  for (const char* scheme : {"http://", "https://"}) {
    const std::string s = scheme;
    if (lower.size() > s.size() && lower.compare(0, s.size(), s) == 0) return true;
  }
  return false;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

// The "http=" entry of "http=host:port;https=host:port;..."; empty when there is none.
std::string HttpEntry(const std::string& per_protocol) {
  size_t start = 0;
  while (start <= per_protocol.size()) {
    size_t end = per_protocol.find(';', start);
    if (end == std::string::npos) end = per_protocol.size();
    const std::string entry = per_protocol.substr(start, end - start);
    const size_t eq = entry.find('=');
    if (eq != std::string::npos && AnsiLowerAscii(Trim(entry.substr(0, eq))) == "http")
      return Trim(entry.substr(eq + 1));
    start = end + 1;
  }
  return std::string();
}

bool ParsePort(const std::string& text, uint16_t* port) {
  const std::optional<long> n = CodeNumber(text);
  if (!n || *n < 1 || *n > 65535 || text[0] == '+' || text[0] == '-') return false;
  *port = static_cast<uint16_t>(*n);
  return true;
}

}  // namespace

std::string NoticeAddress() { return std::string("http://") + kMakerWebHost + kNoticePath; }

bool ReadBrowserProxy(Registry& registry, NoticeProxy* proxy) {
  RegKey key = RegKey::Open(registry, RegRoot::CurrentUser, kInternetSettingsKey, false,
                            RegAccess::Read);
  if (!key) return true;  // the settings stay as they were
  bool enabled = false;
  std::string server;
  try {
    enabled = key.ReadBool(kProxyEnable);
    if (enabled) server = Trim(key.ReadString(kProxyServer));
  } catch (const RegistryError&) {
    // Missing or of another type: connect directly, without a word from a background timer.
    enabled = false;
  }
  if (server.find('=') != std::string::npos) server = HttpEntry(server);
  const std::vector<std::string> items = SplitItems(server, ':');
  if (!enabled || items.empty() || items[0].empty()) {
    proxy->host.clear();
    return true;
  }
  uint16_t port = proxy->port;
  if (items.size() >= 2 && !ParsePort(items[1], &port)) return false;
  proxy->host = items[0];
  proxy->port = port;
  return true;
}

OnlineNotice::OnlineNotice(const NoticeServices& services)
    : services_(services), notice_text_(InitialNoticeText()) {}

OnlineNotice::~OnlineNotice() {
  if (attempt_waits_ || watch_waits_) services_.connectivity.Cancel();
  services_.http.Abort();
}

void OnlineNotice::FormShow() {
  {
    RegKey key = settings::OpenKey(services_.registry);
    if (key) {
      const int32_t count = key.ReadInteger(settings::kNoticeCount);
      notice_index_ = notice_index_ < count ? notice_index_ + 1 : 1;
      current_show_code_ = key.ReadString(settings::NoticeShowCodeName(notice_index_));
      current_click_code_ = key.ReadString(settings::NoticeClickCodeName(notice_index_));
    }
  }
  RunNoticeCode(current_show_code_);
}

void OnlineNotice::NoticeClick() { RunNoticeCode(current_click_code_); }

void OnlineNotice::RunNoticeCode(const std::string& code) {
  if (code.empty() || AnsiLowerAscii(code) == "nil") return;
  const std::vector<std::string> items = SplitItems(code, ',');
  if (items.empty()) return;
  const std::optional<long> what = CodeNumber(items[0]);
  if (!what) return;
  switch (*what) {
    case 1:
      if (items.size() < 2 || !IsWebAddress(items[1])) return;
      services_.shell.Execute("open", "IEXPLORE", BrowserArgumentFor(items[1]),
                              ShowCommand::Normal);
      return;
    case 2:
      if (items.size() < 3) return;
      services_.boxes.Show(items[1], items[2], BoxButtons::Ok, BoxIcon::Information);
      return;
    case 3:
      if (items.size() < 2) return;
      notice_text_ = items[1];
      ++notice_text_version_;
      return;
    default:
      return;
  }
}

void OnlineNotice::AskIsOnline() {
  if (services_.connectivity.busy()) return;  // its answer serves this question too
  const std::string first_hop =
      proxy_.host.empty() ? MakerHomePage()
                          : "http://" + proxy_.host + ":" + std::to_string(proxy_.port) + "/";
  services_.connectivity.Check(first_hop, this);
}

void OnlineNotice::DownloadNoticeTimerTimer() {
  services_.timers.Stop(TimerId::DownloadNotice);
  // Read at every attempt, before the online check, which asks the first hop of the fetch.
  if (!ReadBrowserProxy(services_.registry, &proxy_)) return;
  attempt_waits_ = true;
  AskIsOnline();
}

void OnlineNotice::CheckOnlineTimerTimer() {
  if (!ReadBrowserProxy(services_.registry, &proxy_)) return;
  watch_waits_ = true;
  AskIsOnline();
}

void OnlineNotice::OnOnlineAnswer(bool online) {
  const bool attempt = attempt_waits_, watch = watch_waits_;
  attempt_waits_ = watch_waits_ = false;
  // The service's own event: an error ends here, shown once.
  RunEventHandler(services_.boxes, [&] {
    if (watch && online) services_.timers.Start(TimerId::DownloadNotice, kDownloadNoticeIntervalMs);
    if (!attempt) return;
    if (online) StartGet();
    else services_.timers.Start(TimerId::CheckOnline, kCheckOnlineIntervalMs);
  });
}

void OnlineNotice::StartGet() {
  HttpGetRequest request;
  request.url = NoticeAddress();
  request.proxy_host = proxy_.host;
  request.proxy_port = proxy_.port;
  request.agent = kNoticeAgent;
  request.accept = kNoticeAccept;
  try {
    services_.http.Get(request, this);
  } catch (const std::exception&) {
    services_.http.Abort();
  }
}

void OnlineNotice::OnDocBegin(int status) {
  notice_buffer_.clear();
  // An error page or a captive portal's answer must not replace a good notice.
  keep_body_ = status >= 200 && status <= 299;
  if (!keep_body_) services_.http.Abort();
}

void OnlineNotice::OnDocData(const std::string& piece) {
  if (!keep_body_) return;
  if (piece.size() > kMaxNoticeBytes - notice_buffer_.size()) {
    keep_body_ = false;
    notice_buffer_.clear();
    services_.http.Abort();
    return;
  }
  notice_buffer_ += piece;
}

void OnlineNotice::OnDocEnd() {
  std::string body;
  body.swap(notice_buffer_);
  if (!keep_body_) return;
  keep_body_ = false;
  // The client's own event: the registry errors of storing end here, shown once.
  RunEventHandler(services_.boxes, [&] { StoreNotice(body); });
}

void OnlineNotice::OnSocketError(int) {
  services_.http.Abort();
  notice_buffer_.clear();
  keep_body_ = false;
}

void OnlineNotice::StoreNotice(const std::string& body) {
  if (body.empty()) return;
  const std::vector<std::string> items = SplitNoticeDocument(body);
  if (items.empty()) return;
  RegKey key = settings::OpenKey(services_.registry);
  if (!key) return;
  const int32_t count = static_cast<int32_t>(std::min<size_t>(items.size() / 2, kMaxNoticePairs));
  key.WriteInteger(settings::kNoticeCount, count);
  for (int32_t k = 1; k <= count; ++k) {
    key.WriteString(settings::NoticeShowCodeName(k), items[2 * k - 2]);
    key.WriteString(settings::NoticeClickCodeName(k), items[2 * k - 1]);
  }
  key.WriteDateTime(settings::kNoticeDownloadTime, services_.clock.Now());
}

}  // namespace orv
