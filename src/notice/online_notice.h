#pragma once
// The online notice: the maker's host publishes pairs of notice codes; the program fetches them
// when the machine is online, stores them in the settings key, runs the next pair's show code
// each time the main window is shown and its click code when the notice line is clicked.
// Nothing here reports a network failure: a notice that cannot be fetched or carried out is
// dropped.
//
// Schedule: InitSettings starts the download timer at start when the stored notice is missing
// or at least 24 minutes old. Its tick (DownloadNoticeTimerTimer) stops it and, when online,
// starts the GET; offline, it starts the online check timer, whose every tick from then on
// starts the download timer again while the machine is online.
//
// Whether the machine is online is asked of the Connectivity service, whose answer comes later
// as an event (OnOnlineAnswer): the interface thread never waits for the network. What a tick
// does after its check happens when the answer comes. A tick that finds a check still under way
// waits for that check's answer instead of asking again.
#include <string>

#include "platform/clock.h"
#include "platform/connectivity.h"
#include "platform/http_client.h"
#include "platform/message_boxes.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace orv {

inline constexpr char kNoticePath[] = "/ad_orvanel/notice.txt";
inline constexpr char kNoticeAgent[] = "Mozilla/3.0 (compatible)";
inline constexpr char kNoticeAccept[] = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
// A body larger than this is dropped unread.
inline constexpr size_t kMaxNoticeBytes = 64 * 1024;
// The most pairs a notice stores; a document's later pairs are ignored, so that a broken or
// hostile notice cannot fill the settings key with values.
inline constexpr int32_t kMaxNoticePairs = 100;
// The browser's proxy settings, HKEY_CURRENT_USER.
inline constexpr char kInternetSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// "http://" + the maker's web host + kNoticePath.
std::string NoticeAddress();

struct NoticeServices {
  Registry& registry;
  Shell& shell;
  MessageBoxes& boxes;
  Clock& clock;
  Timers& timers;
  Connectivity& connectivity;
  HttpClient& http;
};

// The browser's proxy as the notice uses it. host empty: a direct connection.
struct NoticeProxy {
  std::string host;
  uint16_t port = 80;
};

// Reads the proxy from "ProxyEnable" and "ProxyServer" into *proxy. "ProxyServer" is a host, or
// host:port (split by the comma rule with ":"), or the per-protocol form
// "http=host:port;https=...", of which only the "http=" entry counts. Off, missing, unreadable,
// empty, or without an "http=" entry: a direct connection. A host alone keeps the port last
// used. A port that is not 1 to 65535 makes *proxy unusable: false. When the key cannot be
// opened, *proxy stays as it was.
bool ReadBrowserProxy(Registry& registry, NoticeProxy* proxy);

class OnlineNotice : public HttpEvents, public ConnectivityEvents {
 public:
  explicit OnlineNotice(const NoticeServices& services);
  // Gives up a check or a request still under way: their answers must not reach it.
  ~OnlineNotice() override;
  OnlineNotice(const OnlineNotice&) = delete;
  OnlineNotice& operator=(const OnlineNotice&) = delete;

  // The main window has become visible: the next stored pair (NoticeIndex 1, 2, ... NoticeCount,
  // 1, ...) becomes current and its show code runs. Raises RegistryError when NoticeCount is
  // missing or not a number.
  void FormShow();
  // A click on the notice line runs the current click code.
  void NoticeClick();
  // Carries out one code; a bad code does nothing.
  void RunNoticeCode(const std::string& code);

  void DownloadNoticeTimerTimer();
  void CheckOnlineTimerTimer();
  // Asks whether the fetch can reach its first hop: the proxy when one is set, else the maker's
  // home page. The answer comes as OnOnlineAnswer; a check already under way answers for both.
  void AskIsOnline();
  // The answer of the online check, on the interface thread: a download attempt waiting for it
  // starts the GET when online and the online check timer when not; a tick of that timer
  // waiting for it starts the download timer when online.
  void OnOnlineAnswer(bool online) override;

  // The notice line's text ("Power by ..." until a code 3 replaces it) and a counter that moves
  // whenever it changes, for the window to redraw.
  const std::string& notice_text() const { return notice_text_; }
  int notice_text_version() const { return notice_text_version_; }

  int notice_index() const { return notice_index_; }
  const std::string& current_show_code() const { return current_show_code_; }
  const std::string& current_click_code() const { return current_click_code_; }

  // Events of NoticeHttp.
  void OnDocBegin(int status) override;
  void OnDocData(const std::string& piece) override;
  void OnDocEnd() override;
  void OnSocketError(int code) override;

 private:
  void StoreNotice(const std::string& body);
  void StartGet();

  NoticeServices services_;
  NoticeProxy proxy_;
  // What waits for the answer of the online check under way.
  bool attempt_waits_ = false;  // a download attempt
  bool watch_waits_ = false;    // a tick of the online check timer
  int notice_index_ = 0;
  std::string current_show_code_;
  std::string current_click_code_;
  std::string notice_buffer_;
  bool keep_body_ = false;  // the answer under way is a 2xx within the size limit
  std::string notice_text_;
  int notice_text_version_ = 0;
};

}  // namespace orv
