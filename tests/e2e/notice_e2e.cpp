// The online notice, end to end: the browser's proxy settings point at a loopback HTTP server
// the test runs, the program fetches the notice through it and stores the pairs, and the next
// showing of the window puts the text into the notice line.
//
// The download timer's first tick comes two minutes after start. Rather than wait, the driver
// posts the tick itself (WM_TIMER with the download timer's event id), as the system would;
// the program is the shipped one and knows nothing of the test.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr WPARAM kDownloadNoticeTimerEvent = 1;
constexpr int kNoticeLineId = 11;
const char kMakerHost[] = ORV_MAKER_WEB_HOST;
const char kInternetSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
// A download long ago (2009): the notice is due at start.
constexpr double kOldDownloadTime = 40000.0;

// Accepts connections one after another; a connection that sends a request up to its empty line
// gets `answer` and is closed. Connections that send nothing (the online check) are counted
// apart.
class NoticeServer {
 public:
  explicit NoticeServer(std::string answer) : answer_(std::move(answer)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof a;
    bind(listener_, reinterpret_cast<sockaddr*>(&a), size);
    listen(listener_, 8);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~NoticeServer() {
    closesocket(listener_);  // ends the accept
    thread_.join();
    WSACleanup();
  }
  int port() const { return port_; }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  int answered() const { return answered_; }

 private:
  void Serve() {
    for (;;) {
      SOCKET peer = accept(listener_, nullptr, nullptr);
      if (peer == INVALID_SOCKET) return;
      std::string request;
      char buffer[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = recv(peer, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, n);
      }
      if (!request.empty()) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          requests_.push_back(request);
        }
        send(peer, answer_.data(), static_cast<int>(answer_.size()), 0);
        shutdown(peer, SD_SEND);
        while (recv(peer, buffer, sizeof buffer, 0) > 0) {
        }
        ++answered_;
      }
      closesocket(peer);
    }
  }

  std::string answer_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::atomic<int> answered_{0};
  std::thread thread_;
};

// A value of HKCU\...\Internet Settings as it was before the test, put back after it.
class SavedValue {
 public:
  explicit SavedValue(const char* name) : name_(name) {
    DWORD size = sizeof data_;
    present_ = RegGetValueA(HKEY_CURRENT_USER, kInternetSettings, name, RRF_RT_ANY, &type_, data_,
                            &size) == ERROR_SUCCESS;
    size_ = size;
  }
  ~SavedValue() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    if (present_) RegSetValueExA(key, name_, 0, type_, data_, size_);
    else RegDeleteValueA(key, name_);
    RegCloseKey(key);
  }

 private:
  const char* name_;
  bool present_ = false;
  DWORD type_ = 0, size_ = 0;
  BYTE data_[1024];
};

bool SetInternetSetting(const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  const bool ok = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool ReadDownloadTime(double* days) {
  DWORD size = sizeof *days;
  return RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, "NoticeDownloadTime", RRF_RT_REG_BINARY,
                      nullptr, days, &size) == ERROR_SUCCESS && size == sizeof *days;
}

bool WriteDownloadTime(double days) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const bool ok = RegSetValueExA(key, "NoticeDownloadTime", 0, REG_BINARY,
                                 reinterpret_cast<const BYTE*>(&days), sizeof days) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

// The bytes with CR and LF spelled out, one request line per output line.
std::string Spelled(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n\n";
    else out += c;
  }
  return out;
}

class NoticeE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
  }
  // Points the browser's proxy at `proxy` ("host:port") and starts the program with an old
  // notice.
  void StartWithProxy(const std::string& proxy) {
    const DWORD on = 1;
    ASSERT_TRUE(SetInternetSetting("ProxyEnable", REG_DWORD, &on, sizeof on));
    ASSERT_TRUE(SetProxyServer(proxy));
    ASSERT_TRUE(WriteDownloadTime(kOldDownloadTime));
    const std::string folder =
        MakeProgramFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(program_.Start(folder + "Orvanel.exe"));
    main_ = WaitForMainWindow(program_.id(), kTimeoutMs);
    ASSERT_NE(main_, nullptr);
  }
  // The same through the server, then lets the download timer tick; returns once the server has
  // answered the program's request.
  void StartAndFetch(NoticeServer& server) {
    StartWithProxy("127.0.0.1:" + std::to_string(server.port()));
    ASSERT_NE(main_, nullptr);
    ASSERT_TRUE(PostMessageA(main_, WM_TIMER, kDownloadNoticeTimerEvent, 0));
    ASSERT_TRUE(WaitUntil([&] { return server.answered() > 0; }, kTimeoutMs))
        << "no request reached the proxy";
    Sync();
  }
  static bool SetProxyServer(const std::string& proxy) {
    return SetInternetSetting("ProxyServer", REG_SZ, proxy.c_str(),
                              static_cast<DWORD>(proxy.size() + 1));
  }
  void Sync() {
    DWORD_PTR ignored;
    SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored);
  }
  // Shows the window from the tray and waits for the notice line to read `text`.
  bool ShowAndWaitForLine(const std::string& text) {
    PostMessageA(main_, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
    HWND line = GetDlgItem(main_, kNoticeLineId);
    return line && WaitUntil([&] { return IsWindowVisible(main_) && WindowText(line) == text; },
                             kTimeoutMs);
  }
  std::string Setting(const char* name) {
    std::string value;
    ReadSettingString(name, &value);
    return value;
  }

  SavedValue enable_{"ProxyEnable"};
  SavedValue server_{"ProxyServer"};
  Process program_;
  HWND main_ = nullptr;
};

TEST_F(NoticeE2e, TheNoticeComesThroughTheProxyAndShowsAtTheNextShowing) {
  NoticeServer server(
      "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n"
      "3,欢迎使用新版本\r\n1,http://www.tavrosel.example/new.htm\r\n");
  StartAndFetch(server);
  ASSERT_TRUE(WaitUntil([&] { return Setting("NoticeShowCode1") == "3,欢迎使用新版本"; }, kTimeoutMs));
  DWORD count = 0;
  EXPECT_TRUE(ReadSettingDword("NoticeCount", &count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Setting("NoticeClickCode1"), "1,http://www.tavrosel.example/new.htm");
  double stored = 0;
  EXPECT_TRUE(ReadDownloadTime(&stored));
  EXPECT_GT(stored, kOldDownloadTime + 1);

  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  std::cout << "request received by the loopback proxy (" << requests[0].size() << " bytes):\n"
            << Spelled(requests[0]);
  EXPECT_EQ(requests[0], std::string("GET http://") + kMakerHost + "/ad_orvanel/notice.txt HTTP/1.0\r\n" +
                             "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                             "User-Agent: Mozilla/3.0 (compatible)\r\n"
                             "Host: " + kMakerHost + "\r\n\r\n");

  ASSERT_TRUE(ShowAndWaitForLine("欢迎使用新版本")) << "the notice line did not take the notice";
  // Kept once the line's red text and the page's dark check-box captions are on the screen
  // (the disabled buttons of common controls 6 draw no dark edge).
  RECT line, button;
  GetWindowRect(GetDlgItem(main_, kNoticeLineId), &line);
  HWND box = FindDescendant(main_, "Button", nullptr, "随系统启动自动运行");
  ASSERT_NE(box, nullptr);
  GetWindowRect(box, &button);
  Screenshot shot;
  auto any_pixel = [&](const RECT& r, const std::function<bool(const unsigned char*)>& test) {
    for (long y = std::max(0L, r.top); y < std::min<long>(r.bottom, shot.height); ++y)
      for (long x = std::max(0L, r.left); x < std::min<long>(r.right, shot.width); ++x)
        if (test(&shot.rgb[(static_cast<size_t>(y) * shot.width + x) * 3])) return true;
    return false;
  };
  const bool red = WaitUntil(
      [&] {
        return CaptureDesktop(&shot) &&
               any_pixel(line, [](const unsigned char* p) { return p[0] > 200 && p[1] < 80 && p[2] < 80; }) &&
               any_pixel(button, [](const unsigned char* p) { return p[0] < 110 && p[1] < 110 && p[2] < 110; });
      },
      kTimeoutMs);
  EXPECT_TRUE(red) << "no red text in the notice line, or the page not painted";
  EXPECT_FALSE(SaveScreenshot(shot, "notice_line").empty());
}

TEST_F(NoticeE2e, AnErrorAnswerStoresNothing) {
  NoticeServer server("HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\n3,an error page\r\nnil\r\n");
  StartAndFetch(server);
  // The default pair stays, and shows.
  const std::string line = std::string("请访问岚澄软件以获得本软件的最新版本。") + kMakerHost;
  ASSERT_TRUE(ShowAndWaitForLine(line));
  DWORD count = 0;
  EXPECT_TRUE(ReadSettingDword("NoticeCount", &count));
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(Setting("NoticeShowCode1"), "3," + line);
  double stored = 0;
  EXPECT_TRUE(ReadDownloadTime(&stored));
  EXPECT_EQ(stored, kOldDownloadTime);
  EXPECT_EQ(server.Requests().size(), 1u);
}

// Asks the window for an answer (WM_NULL) every 100 ms from a thread of its own until stopped,
// and counts the answers that did not come within a second.
class ResponsivenessProbe {
 public:
  explicit ResponsivenessProbe(HWND window) : thread_([this, window] {
      for (; !stop_; Sleep(100), ++asked_) {
        const DWORD start = GetTickCount();
        DWORD_PTR ignored;
        if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) ||
            GetTickCount() - start >= 1000)
          ++late_;
      }
    }) {}
  ~ResponsivenessProbe() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::atomic<int> asked_{0}, late_{0};

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(NoticeE2e, TheWindowAnswersWhileTheOnlineCheckWaitsForAHostThatNeverAnswers) {
  const char* dropped = getenv("ORV_DROPPED_PORT");
  const char* why = getenv("ORV_NETNS_UNAVAILABLE");
  if (!dropped)
    GTEST_SKIP() << "needs a loopback port whose packets are dropped, from "
                    "tools/dropping-netns.sh: " << (why ? why : "not run by it");
  // The check goes to the proxy, whose packets are dropped: it lasts until the system gives up.
  StartWithProxy(std::string("127.0.0.1:") + dropped);
  ResponsivenessProbe probe(main_);
  const DWORD start = GetTickCount();
  ASSERT_TRUE(PostMessageA(main_, WM_TIMER, kDownloadNoticeTimerEvent, 0));
  Sleep(1500);  // the tick has read the proxy and started its check
  // Then a proxy that answers: a tick that comes while the check still runs waits for its
  // answer ("offline"), so the notice is fetched only by a tick after the check has ended.
  NoticeServer server("HTTP/1.0 200 OK\r\n\r\n3,fetched\r\nnil\r\n");
  ASSERT_TRUE(SetProxyServer("127.0.0.1:" + std::to_string(server.port())));
  const bool fetched = WaitUntil(
      [&] {
        PostMessageA(main_, WM_TIMER, kDownloadNoticeTimerEvent, 0);
        return WaitUntil([&] { return server.answered() > 0; }, 500);
      },
      30000);
  const DWORD took = GetTickCount() - start;
  probe.Stop();
  ASSERT_TRUE(fetched) << "the check of the silent proxy never ended";
  std::cout << "check and fetch: " << took << " ms, the window asked " << probe.asked_ << " times"
            << std::endl;
  EXPECT_GE(took, 2000u) << "the check did not wait for the silent proxy";
  EXPECT_GT(probe.asked_, 10);
  EXPECT_EQ(probe.late_, 0) << "times the window did not answer within 1 s";
  EXPECT_TRUE(WaitUntil([&] { return Setting("NoticeShowCode1") == "3,fetched"; }, kTimeoutMs));
}

}  // namespace
}  // namespace e2e
