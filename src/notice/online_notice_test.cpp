#include "notice/online_notice.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/memory/memory_connectivity.h"
#include "platform/memory/memory_http_client.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "platform/memory/simulated_time.h"
#include "shell/maker_site.h"
#include "shell/settings.h"

namespace orv {
namespace {

constexpr long long kMinuteMs = 60000;

class OnlineNoticeTest : public ::testing::Test {
 protected:
  OnlineNoticeTest() {
    time.on_tick = [this](TimerId id) {
      if (id == TimerId::DownloadNotice) notice.DownloadNoticeTimerTimer();
      else notice.CheckOnlineTimerTimer();
      net.RunPending();   // the online check ends,
      http.RunPending();  // and the answer arrives before the next tick
    };
  }
  RegKey Settings() { return settings::OpenKey(reg); }
  void StorePairs(const std::vector<std::pair<std::string, std::string>>& pairs) {
    RegKey key = Settings();
    key.WriteInteger(settings::kNoticeCount, static_cast<int32_t>(pairs.size()));
    for (size_t i = 0; i < pairs.size(); ++i) {
      key.WriteString(settings::NoticeShowCodeName(static_cast<int>(i + 1)), pairs[i].first);
      key.WriteString(settings::NoticeClickCodeName(static_cast<int>(i + 1)), pairs[i].second);
    }
  }
  void ServeNotice(const std::string& body, const std::string& status = "200 OK") {
    http.Serve(kMakerWebHost, 80, "HTTP/1.0 " + status + "\r\n\r\n" + body);
  }
  // One download attempt, its online check and its answer included.
  void Download() {
    notice.DownloadNoticeTimerTimer();
    net.RunPending();
    http.RunPending();
  }
  void SetProxy(uint32_t enable, const std::string& server) {
    RegKey key = RegKey::Open(reg, RegRoot::CurrentUser, kInternetSettingsKey, true);
    key.WriteInteger("ProxyEnable", static_cast<int32_t>(enable));
    key.WriteString("ProxyServer", server);
  }
  std::vector<std::string> StoredNames() { return Settings().ValueNames(); }

  MemoryRegistry reg;
  RecordingShell shell;
  ScriptedMessageBoxes boxes;
  SimulatedTime time;
  MemoryConnectivity net;
  MemoryHttpClient http;
  OnlineNotice notice{NoticeServices{reg, shell, boxes, time, time, net, http}};
};

TEST_F(OnlineNoticeTest, EachShowingRunsTheNextPairRoundAndRound) {
  StorePairs({{"3,one", ""}, {"3,two", ""}, {"3,three", "1,http://three/"}});
  EXPECT_EQ(notice.notice_text(), InitialNoticeText());
  std::vector<std::string> shown;
  for (int i = 0; i < 4; ++i) {
    notice.FormShow();
    shown.push_back(notice.notice_text());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"one", "two", "three", "one"}));
  EXPECT_EQ(notice.notice_index(), 1);
}

TEST_F(OnlineNoticeTest, AMissingCountIsReportedAndNoCodeRuns) {
  Settings().WriteString(settings::NoticeShowCodeName(1), "3,x");
  EXPECT_THROW(notice.FormShow(), RegistryError);
  EXPECT_EQ(notice.notice_text(), InitialNoticeText());
}

TEST_F(OnlineNoticeTest, NoticeCodes) {
  enum Effect { kNothing, kBrowser, kBox, kLine };
  struct Case {
    const char* code;
    Effect effect;
    const char* a;  // browser parameters, box text or line text
    const char* b;  // box caption
  };
  const Case cases[] = {
      {"", kNothing, "", ""},
      {"NIL", kNothing, "", ""},
      {"3,请访问", kLine, "请访问", ""},
      {"3,", kLine, "", ""},
      {"3", kNothing, "", ""},
      {"2,text,caption", kBox, "text", "caption"},
      {"2,\"two words\",\"a caption\"", kBox, "two words", "a caption"},
      {"2,text", kNothing, "", ""},
      {"1,http://x/a?b=1", kBrowser, "\"http://x/a?b=1\"", ""},
      {"1,\"http://x/\"\" -nohome \"\"y\"", kBrowser, "\"http://x/%22 -nohome %22y\"", ""},
      {"1,file:///C:/x.exe", kNothing, "", ""},
      {"1,C:\\Windows\\x.exe", kNothing, "", ""},
      {"1,http://", kNothing, "", ""},
      {"1", kNothing, "", ""},
      {"4,x", kNothing, "", ""},
      {" 3,spaced", kLine, "spaced", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    shell.calls.clear();
    boxes.shown.clear();
    const int version = notice.notice_text_version();
    notice.RunNoticeCode(c.code);
    ASSERT_EQ(shell.calls.size(), c.effect == kBrowser ? 1u : 0u);
    ASSERT_EQ(boxes.shown.size(), c.effect == kBox ? 1u : 0u);
    EXPECT_EQ(notice.notice_text_version() != version, c.effect == kLine);
    if (c.effect == kBrowser) {
      EXPECT_EQ(shell.calls[0].operation, "open");
      EXPECT_EQ(shell.calls[0].file, "IEXPLORE");
      EXPECT_EQ(shell.calls[0].parameters, c.a);
      EXPECT_EQ(shell.calls[0].show, ShowCommand::Normal);
    }
    if (c.effect == kBox) {
      EXPECT_EQ(boxes.shown[0].text, c.a);
      EXPECT_EQ(boxes.shown[0].caption, c.b);
      EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Information);
      EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::Ok);
    }
    if (c.effect == kLine) {
      EXPECT_EQ(notice.notice_text(), c.a);
    }
  }
}

TEST_F(OnlineNoticeTest, AFetchedNoticeShowsAtTheNextShowingAndItsClickOpensTheAddress) {
  StorePairs({{"nil", "nil"}});
  notice.FormShow();
  ServeNotice("3,新版本\r\n1,http://www.tavrosel.example/new\r\n");
  time.AdvanceMs(5 * kMinuteMs);
  Download();
  RegKey key = Settings();
  EXPECT_EQ(key.ReadInteger(settings::kNoticeCount), 1);
  EXPECT_EQ(key.ReadString("NoticeShowCode1"), "3,新版本");
  EXPECT_EQ(key.ReadString("NoticeClickCode1"), "1,http://www.tavrosel.example/new");
  EXPECT_DOUBLE_EQ(key.ReadDateTime(settings::kNoticeDownloadTime), time.Now());
  EXPECT_EQ(notice.notice_text(), InitialNoticeText());  // not before the next showing
  notice.FormShow();
  EXPECT_EQ(notice.notice_text(), "新版本");
  notice.NoticeClick();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].parameters, "\"http://www.tavrosel.example/new\"");
  ASSERT_EQ(http.received.size(), 1u);
  EXPECT_EQ(http.received[0].endpoint.host, kMakerWebHost);
  EXPECT_EQ(http.received[0].bytes.substr(0, 38), "GET /ad_orvanel/notice.txt HTTP/1.0\r\nA");
  EXPECT_EQ(net.asked, (std::vector<std::string>{MakerHomePage()}));
}

TEST_F(OnlineNoticeTest, WhatADocumentStores) {
  struct Case {
    const char* name;
    std::string body;
    int count;               // -1: nothing stored, not even the time
    std::vector<std::string> codes;  // show 1, click 1, show 2, ...
  };
  const std::vector<Case> cases = {
      {"five lines, the last ignored", "3,a\r\n1,http://a/\r\n3,b\r\nnil\r\n3,c\r\n", 2,
       {"3,a", "1,http://a/", "3,b", "nil"}},
      {"an unquoted blank shifts the pairs", "3,two words\r\nnil\r\n", 1, {"3,two", "words"}},
      {"one item", "3,alone", 0, {}},
      {"empty", "", -1, {}},
      {"blanks only", " \r\n\t\r\n", -1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reg.DeleteKey(RegRoot::CurrentUser, settings::kKeyPath);
    StorePairs({{"3,old1", "nil"}, {"3,old2", "nil"}, {"3,old3", "nil"}});
    ServeNotice(c.body);
    Download();
    RegKey key = Settings();
    if (c.count < 0) {
      EXPECT_EQ(key.ReadInteger(settings::kNoticeCount), 3);
      EXPECT_FALSE(key.ValueExists(settings::kNoticeDownloadTime));
      continue;
    }
    EXPECT_EQ(key.ReadInteger(settings::kNoticeCount), c.count);
    for (size_t i = 0; i < c.codes.size(); ++i) {
      const int n = static_cast<int>(i / 2 + 1);
      EXPECT_EQ(key.ReadString(i % 2 ? settings::NoticeClickCodeName(n) : settings::NoticeShowCodeName(n)),
                c.codes[i]);
    }
    EXPECT_EQ(key.ReadString("NoticeShowCode3"), "3,old3");  // above the count: left alone
    EXPECT_TRUE(key.ValueExists(settings::kNoticeDownloadTime));
  }
}

TEST_F(OnlineNoticeTest, OnlyAWholeSuccessfulAnswerWithinTheLimitIsStored) {
  const std::string pair = "3,x\r\nnil\r\n";
  std::string limit_body(kMaxNoticeBytes - pair.size(), ' ');
  limit_body += pair;
  struct Case {
    const char* name;
    std::string answer;
    bool stored;
  };
  const std::vector<Case> cases = {
      {"200 at the limit", "HTTP/1.0 200 OK\r\n\r\n" + limit_body, true},
      {"204", "HTTP/1.0 204 No Content\r\n\r\n", false},
      {"one byte over the limit", "HTTP/1.0 200 OK\r\n\r\n" + limit_body + " ", false},
      {"404", "HTTP/1.0 404 Not Found\r\n\r\n" + pair, false},
      {"500", "HTTP/1.0 500 Oops\r\n\r\n" + pair, false},
      {"redirect", "HTTP/1.0 302 Found\r\nLocation: http://x/\r\n\r\n" + pair, false},
      {"cut short", "HTTP/1.0 200 OK\r\nContent-Length: 500\r\n\r\n" + pair, false},
      {"not HTTP", pair, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reg.DeleteKey(RegRoot::CurrentUser, settings::kKeyPath);
    StorePairs({{"3,good", "nil"}});
    http.Serve(kMakerWebHost, 80, c.answer);
    http.piece_size = 1000;
    Download();
    EXPECT_EQ(Settings().ReadString("NoticeShowCode1"), c.stored ? "3,x" : "3,good");
    EXPECT_EQ(Settings().ValueExists(settings::kNoticeDownloadTime), c.stored);
    EXPECT_FALSE(http.busy());
    EXPECT_TRUE(boxes.shown.empty());
  }
}

TEST_F(OnlineNoticeTest, FailedAttemptsEndSilentlyAndScheduleNothing) {
  StorePairs({{"3,good", "nil"}});
  Download();  // nobody serves the host: refused
  http.ServeSilently(kMakerWebHost, 80);
  Download();
  notice.DownloadNoticeTimerTimer();
  net.RunPending();
  Download();  // started while busy: aborted, nothing started
  http.FailGetAt(1);
  Download();
  EXPECT_FALSE(http.busy());
  EXPECT_EQ(Settings().ReadString("NoticeShowCode1"), "3,good");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(time.IsRunning(TimerId::DownloadNotice));
  EXPECT_FALSE(time.IsRunning(TimerId::CheckOnline));
}

TEST_F(OnlineNoticeTest, AStoreTheRegistryRefusesIsReportedOnce) {
  StorePairs({{"3,good", "nil"}});
  ServeNotice("3,x\r\nnil\r\n");
  reg.FailWritesFrom(2);
  Download();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Failed to set data for 'NoticeShowCode1'");
}

TEST_F(OnlineNoticeTest, AtMostAHundredPairsAreStored) {
  std::string body;
  for (int k = 1; k <= 150; ++k) body += "3," + std::to_string(k) + "\r\nnil\r\n";
  ServeNotice(body);
  Download();
  RegKey key = Settings();
  EXPECT_EQ(key.ReadInteger(settings::kNoticeCount), kMaxNoticePairs);
  EXPECT_EQ(key.ReadString(settings::NoticeShowCodeName(kMaxNoticePairs)), "3,100");
  EXPECT_FALSE(key.ValueExists(settings::NoticeShowCodeName(kMaxNoticePairs + 1)));
  EXPECT_FALSE(key.ValueExists(settings::NoticeClickCodeName(kMaxNoticePairs + 1)));
  EXPECT_TRUE(key.ValueExists(settings::kNoticeDownloadTime));
}

TEST_F(OnlineNoticeTest, WhatWaitsForTheOnlineChecksAnswerHappensWhenItComes) {
  struct Case {
    const char* name;
    bool attempt, watch;  // what ticked while the check ran
    bool online;
    bool get, download_timer, check_timer;  // what the answer starts
  };
  const Case cases[] = {
      {"attempt, online", true, false, true, true, false, false},
      {"attempt, offline", true, false, false, false, false, true},
      {"watch, online", false, true, true, false, true, false},
      {"watch, offline", false, true, false, false, false, false},
      {"both, online", true, true, true, true, true, false},
      {"both, offline", true, true, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryConnectivity check;
    SimulatedTime clock;
    MemoryHttpClient client;
    OnlineNotice n(NoticeServices{reg, shell, boxes, clock, clock, check, client});
    if (c.attempt) n.DownloadNoticeTimerTimer();
    if (c.watch) n.CheckOnlineTimerTimer();
    // Nothing waited for the network: one check asked, nothing else done yet.
    EXPECT_TRUE(check.busy());
    EXPECT_EQ(check.asked.size(), 1u);
    EXPECT_EQ(client.get_calls(), 0);
    EXPECT_FALSE(clock.IsRunning(TimerId::CheckOnline));
    check.online = c.online;
    check.RunPending();
    EXPECT_EQ(client.busy(), c.get);
    EXPECT_EQ(clock.IsRunning(TimerId::DownloadNotice), c.download_timer);
    EXPECT_EQ(clock.IsRunning(TimerId::CheckOnline), c.check_timer);
    check.RunPending();  // answered once: nothing more
    EXPECT_EQ(client.get_calls(), c.get ? 1 : 0);
  }
}

TEST_F(OnlineNoticeTest, AnAnswerAfterTheWindowClosedReachesNothing) {
  MemoryHttpClient client;
  {
    OnlineNotice n(NoticeServices{reg, shell, boxes, time, time, net, client});
    n.DownloadNoticeTimerTimer();
    ASSERT_TRUE(net.busy());
  }
  EXPECT_FALSE(net.busy());  // given up
  net.RunPending();
  EXPECT_EQ(client.get_calls(), 0);
  // A request under way is given up too.
  {
    OnlineNotice n(NoticeServices{reg, shell, boxes, time, time, net, client});
    n.DownloadNoticeTimerTimer();
    net.RunPending();
    ASSERT_TRUE(client.busy());
  }
  EXPECT_FALSE(client.busy());
}

TEST_F(OnlineNoticeTest, ScheduleFromStart) {
  struct Case {
    const char* name;
    double stored_minutes_ago;  // < 0: none stored
    long long first_request_ms;  // -1: none within an hour
  };
  const Case cases[] = {
      {"10 minutes old", 10, -1},
      {"23 minutes old", 23, -1},
      {"30 minutes old", 30, 2 * kMinuteMs},
      {"none", -1, 2 * kMinuteMs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRegistry fresh;
    SimulatedTime clock;
    MemoryHttpClient client;
    MemoryConnectivity online;
    OnlineNotice n(NoticeServices{fresh, shell, boxes, clock, clock, online, client});
    long long requested_at = -1;
    clock.on_tick = [&](TimerId id) {
      if (id == TimerId::DownloadNotice) n.DownloadNoticeTimerTimer();
      else n.CheckOnlineTimerTimer();
      online.RunPending();
      if (client.busy() && requested_at < 0) requested_at = clock.elapsed_ms();
      client.Abort();
    };
    if (c.stored_minutes_ago >= 0)
      settings::OpenKey(fresh).WriteDateTime(settings::kNoticeDownloadTime,
                                             clock.Now() - c.stored_minutes_ago / (24 * 60));
    InitSettings(fresh, clock, clock, "C:\\Orvanel\\");
    clock.AdvanceMs(60 * kMinuteMs);
    EXPECT_EQ(requested_at, c.first_request_ms);
    EXPECT_EQ(client.get_calls(), c.first_request_ms < 0 ? 0 : 1);  // one attempt, no repeat
  }
}

TEST_F(OnlineNoticeTest, OfflineAtTheFirstAttemptOnlineSevenMinutesLater) {
  std::vector<long long> requests;
  time.on_tick = [&](TimerId id) {
    if (id == TimerId::DownloadNotice) notice.DownloadNoticeTimerTimer();
    else notice.CheckOnlineTimerTimer();
    net.RunPending();
    if (http.busy()) requests.push_back(time.elapsed_ms() / kMinuteMs);
    http.Abort();
  };
  InitSettings(reg, time, time, "C:\\Orvanel\\");
  net.online = false;
  time.AdvanceMs(2 * kMinuteMs);  // the attempt finds the machine offline
  EXPECT_TRUE(time.IsRunning(TimerId::CheckOnline));
  time.AdvanceMs(7 * kMinuteMs);  // minute 9: online again; the check at minute 7 failed
  net.online = true;
  time.AdvanceMs(11 * kMinuteMs);
  // Checks at 12 and 17 succeed, each request 2 minutes later; the check timer never stops.
  EXPECT_EQ(requests, (std::vector<long long>{14, 19}));
  EXPECT_EQ(net.asked.size(), 6u);  // attempts at 2, 14, 19 and checks at 7, 12, 17
}

TEST_F(OnlineNoticeTest, TheBrowsersProxySettings) {
  struct Case {
    const char* name;
    int enable;  // -1: "ProxyEnable" missing
    const char* server;
    const char* host;  // "": direct
    int port;
    bool usable;
  };
  const Case cases[] = {
      {"host and port", 1, "127.0.0.1:8080", "127.0.0.1", 8080, true},
      {"host alone keeps the last port", 1, "proxy", "proxy", 8080, true},
      {"switched off", 0, "proxy:3128", "", 8080, true},
      {"switch missing", -1, "proxy:3128", "", 8080, true},
      {"empty server", 1, "", "", 8080, true},
      {"per protocol", 1, "ftp=f:21;http=web:3128;https=s:443", "web", 3128, true},
      {"per protocol without http", 1, "https=s:443;ftp=f:21", "", 3128, true},
      {"bad port", 1, "proxy:80x", "", 3128, false},
      {"port too large", 1, "proxy:70000", "", 3128, false},
  };
  NoticeProxy proxy;
  EXPECT_TRUE(ReadBrowserProxy(reg, &proxy));  // no key: as it was
  EXPECT_EQ(proxy.host, "");
  EXPECT_EQ(proxy.port, 80);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reg.DeleteKey(RegRoot::CurrentUser, kInternetSettingsKey);
    SetProxy(1, c.server);
    if (c.enable < 0) RegKey::Open(reg, RegRoot::CurrentUser, kInternetSettingsKey, false).DeleteValue("ProxyEnable");
    else RegKey::Open(reg, RegRoot::CurrentUser, kInternetSettingsKey, false).WriteInteger("ProxyEnable", c.enable);
    NoticeProxy before = proxy;
    EXPECT_EQ(ReadBrowserProxy(reg, &proxy), c.usable);
    if (!c.usable) proxy = before;
    if (c.usable) {
      EXPECT_EQ(proxy.host, c.host);
    }
    EXPECT_EQ(proxy.port, c.port);
  }
  // A switch of another type: direct, without a word.
  RegKey::Open(reg, RegRoot::CurrentUser, kInternetSettingsKey, false)
      .raw()->SetValue("ProxyEnable", RegValue{kRegSz, "1"});
  proxy.host = "stale";
  EXPECT_TRUE(ReadBrowserProxy(reg, &proxy));
  EXPECT_EQ(proxy.host, "");
}

TEST_F(OnlineNoticeTest, ThroughTheProxyTheCheckAndTheRequestGoToIt) {
  SetProxy(1, "127.0.0.1:8080");
  http.Serve("127.0.0.1", 8080, "HTTP/1.0 200 OK\r\n\r\n3,via\r\nnil");
  Download();
  EXPECT_EQ(net.asked, (std::vector<std::string>{"http://127.0.0.1:8080/"}));
  ASSERT_EQ(http.received.size(), 1u);
  EXPECT_EQ(http.received[0].bytes.substr(0, 24), "GET " + NoticeAddress().substr(0, 20));
  EXPECT_EQ(Settings().ReadString("NoticeShowCode1"), "3,via");
  // Settings read at every attempt: switched off, the next fetch goes direct.
  SetProxy(0, "127.0.0.1:8080");
  Download();
  EXPECT_EQ(net.asked.back(), MakerHomePage());
  // A proxy that cannot be used: no check, no fetch, nothing scheduled.
  SetProxy(1, "127.0.0.1:x");
  Download();
  EXPECT_EQ(net.asked.size(), 2u);
  EXPECT_FALSE(time.IsRunning(TimerId::CheckOnline));
}

}  // namespace
}  // namespace orv
