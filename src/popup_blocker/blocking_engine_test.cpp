#include "popup_blocker/blocking_engine.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/errors.h"
#include "platform/memory/memory_browser_windows.h"
#include "platform/memory/recorders.h"
#include "popup_blocker/ad_messages.h"
#include "popup_blocker/blocker_test_support.h"
#include "shell/balloon.h"

namespace orv {
namespace {

using blocker_test::BlockerStorage;
using blocker_test::kFolder;
using blocker_test::kIniPath;
using Items = std::vector<std::string>;

class BlockingEngineTest : public ::testing::Test {
 protected:
  BlockingEngineTest()
      : page(store.files, store.registry, kFolder),
        engine({store.files, store.registry, browsers, window, tray, sound, shell}, page, kFolder) {
    store.WriteIni({"ad0=*ads.*", "ad1=http://pop?.example.com/*"});
  }

  // The window's message loop: handles the reports posted so far, in order.
  void DeliverReports() {
    std::vector<RecordingAppWindow::Posted> posted;
    posted.swap(window.posted);
    for (const auto& p : posted) {
      ASSERT_EQ(p.message, WM_AD_REPORT);
      engine.ReportBlockedWindow(p.wparam);
    }
  }
  std::vector<std::string> HistoryHints() const {
    std::vector<std::string> out;
    for (const HistoryEntry& e : engine.Subitem_KilledAd().Entries()) out.push_back(e.hint);
    return out;
  }

  BlockerStorage store;
  MemoryBrowserWindows browsers;
  RecordingAppWindow window;
  RecordingTray tray;
  RecordingSound sound;
  RecordingShell shell;
  AdPage page;
  BlockingEngine engine;
};

// ---- ScanBrowserWindows ----

TEST_F(BlockingEngineTest, ScanWithoutWindowsDoesNothing) {
  engine.ScanBrowserWindows();
  EXPECT_TRUE(window.posted.empty());
  EXPECT_FALSE(store.Key().ValueExists(settings::kLastBlockURL));
}

TEST_F(BlockingEngineTest, ScanClosesOnlyMatchingWindows) {
  browsers.Open("http://news.example.com/");
  const int ad = browsers.Open("http://ADS.tracker.net/banner");  // rules ignore case
  browsers.Open("http://pop12.example.com/x");  // "?" is exactly one byte
  const int pop = browsers.Open("http://pop1.example.com/x");
  browsers.OpenNonBrowser();
  engine.ScanBrowserWindows();
  EXPECT_FALSE(browsers.IsOpen(ad));
  EXPECT_FALSE(browsers.IsOpen(pop));
  EXPECT_EQ(browsers.OpenAddresses(),
            (Items{"http://news.example.com/", "http://pop12.example.com/x"}));
  ASSERT_EQ(window.posted.size(), 2u);
  EXPECT_EQ(store.Key().ReadString(settings::kLastBlockURL), "http://pop1.example.com/x");
}

TEST_F(BlockingEngineTest, LocalFileWindowsAreNeverClosed) {
  store.WriteIni({"ad0=*"});
  browsers.Open("file:///C:/");
  browsers.Open("FILE:///C:/Windows");
  browsers.Open("File:///D:/ads/");
  const int shortish = browsers.Open("file:/");  // shorter than the prefix: not a local file
  const int blank = browsers.Open("");
  const int web = browsers.Open("about:blank");
  engine.ScanBrowserWindows();
  EXPECT_EQ(browsers.OpenAddresses(),
            (Items{"file:///C:/", "FILE:///C:/Windows", "File:///D:/ads/"}));
  EXPECT_FALSE(browsers.IsOpen(shortish));
  EXPECT_FALSE(browsers.IsOpen(blank));
  EXPECT_FALSE(browsers.IsOpen(web));
  EXPECT_EQ(window.posted.size(), 3u);
}

TEST_F(BlockingEngineTest, EveryWindowOfOneScanIsReportedWithItsOwnAddress) {
  browsers.Open("http://ads.one/");
  browsers.Open("http://ads.two/");
  browsers.Open("http://ads.one/");
  engine.ScanBrowserWindows();
  ASSERT_EQ(window.posted.size(), 3u);
  for (const auto& p : window.posted) EXPECT_NE(p.wparam, 0u);
  EXPECT_NE(window.posted[0].wparam, window.posted[1].wparam);
  EXPECT_EQ(engine.PendingReports(), 3u);

  DeliverReports();
  EXPECT_EQ(HistoryHints(), (Items{"http://ads.two/", "http://ads.one/"}));
  EXPECT_EQ(engine.Subitem_KilledAd().Entry(1).caption, "(2) http://ads.one/");
  EXPECT_EQ(engine.BlockedTotal(), 3);
  EXPECT_EQ(engine.PendingReports(), 0u);
}

TEST_F(BlockingEngineTest, OutsideReportsReadTheMailbox) {
  store.SetText(settings::kLastBlockURL, "http://closed.elsewhere/");
  engine.ReportBlockedWindow(0);
  engine.ReportBlockedWindow(987654);  // a tag the engine never gave out
  EXPECT_EQ(HistoryHints(), (Items{"http://closed.elsewhere/"}));
  EXPECT_EQ(engine.BlockedTotal(), 2);
}

TEST_F(BlockingEngineTest, BlockingSwitchedOffScansNothing) {
  browsers.Open("http://ads.x/");
  store.SetSwitch("AllowKillAd", false);  // the first run's spelling of AllowKillAD
  engine.ScanBrowserWindows();
  EXPECT_EQ(browsers.OpenAddresses().size(), 1u);
  EXPECT_TRUE(window.posted.empty());

  store.SetSwitch(settings::kAllowKillAD, true);
  engine.ScanBrowserWindows();
  EXPECT_TRUE(browsers.OpenAddresses().empty());
}

TEST_F(BlockingEngineTest, MissingSwitchOrUnopenableKeyCountsAsOn) {
  browsers.Open("http://ads.x/");
  store.DenySettingsKey();
  engine.ScanBrowserWindows();
  EXPECT_TRUE(browsers.OpenAddresses().empty());
  EXPECT_EQ(window.posted.size(), 1u);  // reported even without the mailbox
  DeliverReports();
  EXPECT_EQ(HistoryHints(), (Items{"http://ads.x/"}));
  EXPECT_TRUE(sound.played.empty());  // no notice switch readable
}

TEST_F(BlockingEngineTest, WhiteListsExemptAddresses) {
  store.WriteIni({"ad0=*", "pass0=*.TRUSTED.org/*", "temp0=http://reopened.net/page"});
  browsers.Open("http://www.trusted.ORG/ads");        // white list: wildcards, any case
  browsers.Open("http://reopened.net/page");          // temporary white list: exact
  const int other_case = browsers.Open("http://REOPENED.net/page");
  const int other = browsers.Open("http://reopened.net/page2");
  engine.ScanBrowserWindows();
  EXPECT_EQ(browsers.OpenAddresses(),
            (Items{"http://www.trusted.ORG/ads", "http://reopened.net/page"}));
  EXPECT_FALSE(browsers.IsOpen(other_case));
  EXPECT_FALSE(browsers.IsOpen(other));
}

TEST_F(BlockingEngineTest, MissingListFileEndsTheScan) {
  BlockerStorage empty;  // no conf\KillAD.ini
  BlockingEngine bare({empty.files, empty.registry, browsers, window, tray, sound, shell}, page,
                      kFolder);
  browsers.Open("file:///C:/");
  browsers.Open("http://ads.x/");
  try {
    bare.ScanBrowserWindows();
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), kIniPath + " didn't exists.");
  }
  EXPECT_EQ(browsers.OpenAddresses().size(), 2u);
  EXPECT_TRUE(window.posted.empty());
}

TEST_F(BlockingEngineTest, AutomationFailureKeepsEarlierWindowsClosedAndReported) {
  browsers.Open("http://ads.first/");
  const int broken = browsers.Open("http://ads.broken/");
  browsers.Open("http://ads.third/");
  browsers.FailLocationURL(broken);
  EXPECT_THROW(engine.ScanBrowserWindows(), AutomationError);
  EXPECT_EQ(browsers.OpenAddresses(), (Items{"http://ads.broken/", "http://ads.third/"}));
  DeliverReports();
  EXPECT_EQ(HistoryHints(), (Items{"http://ads.first/"}));
}

TEST_F(BlockingEngineTest, WindowThatWillNotCloseIsNotReported) {
  browsers.Open("http://ads.first/");
  const int stuck = browsers.Open("http://ads.stuck/");
  browsers.FailQuit(stuck);
  EXPECT_THROW(engine.ScanBrowserWindows(), AutomationError);
  EXPECT_TRUE(browsers.IsOpen(stuck));
  EXPECT_EQ(store.Key().ReadString(settings::kLastBlockURL), "http://ads.first/");
  DeliverReports();
  EXPECT_EQ(HistoryHints(), (Items{"http://ads.first/"}));
}

TEST_F(BlockingEngineTest, CollectionFailuresEndTheScan) {
  browsers.Open("http://ads.x/");
  browsers.FailCount(true);
  EXPECT_THROW(engine.ScanBrowserWindows(), AutomationError);
  browsers.ClearFailures();
  browsers.FailItem(0);
  EXPECT_THROW(engine.ScanBrowserWindows(), AutomationError);
  EXPECT_EQ(browsers.OpenAddresses().size(), 1u);
  EXPECT_TRUE(window.posted.empty());
}

// Browser windows whose listing runs a step of the test before handing out the second window.
class HookedBrowsers : public BrowserWindows {
 public:
  HookedBrowsers(BrowserWindows& inner, std::function<void()> before_second)
      : inner_(inner), before_second_(std::move(before_second)) {}
  int Count() override { return inner_.Count(); }
  std::unique_ptr<BrowserWindow> Item(int index) override {
    if (index == 1) before_second_();
    return inner_.Item(index);
  }

 private:
  BrowserWindows& inner_;
  std::function<void()> before_second_;
};

TEST_F(BlockingEngineTest, ListChangedDuringAScanCountsFromTheNextWindow) {
  store.WriteIni({"ad0=*nothing*"});
  HookedBrowsers hooked(browsers, [&] { store.WriteIni({"ad0=*ads.*"}); });
  BlockingEngine scanning({store.files, store.registry, hooked, window, tray, sound, shell}, page,
                          kFolder);
  browsers.Open("http://ads.first/");
  const int second = browsers.Open("http://ads.second/");
  scanning.ScanBrowserWindows();
  EXPECT_EQ(browsers.OpenAddresses(), (Items{"http://ads.first/"}));
  EXPECT_FALSE(browsers.IsOpen(second));
}

// ---- ReportBlockedWindow ----

TEST_F(BlockingEngineTest, ReportWithNoticeOnPlaysSoundAndShowsCountInBalloon) {
  store.SetSwitch(settings::kKillAdNotice, true);
  const std::string address =
      "http://ads.example.com/campaign/2024/banner-rotation/slot7?id=1234567";
  store.SetText(settings::kLastBlockURL, address);
  engine.ReportBlockedWindow();
  engine.ReportBlockedWindow();
  EXPECT_EQ(sound.played, (Items{kFolder + "conf\\blocked.wav", kFolder + "conf\\blocked.wav"}));
  ASSERT_EQ(tray.balloons.size(), 2u);
  const Balloon& b = tray.balloons[1];
  EXPECT_EQ(b.title, "拦截到广告窗口");
  EXPECT_EQ(b.icon, BalloonIcon::Info);
  EXPECT_EQ(b.timeout_ms, 5000u);
  const std::string shortened = address.substr(0, 38) + "..." + address.substr(address.size() - 8);
  EXPECT_EQ(b.text, shortened + "\r\n" + "已拦截总数：" + "2");
  ASSERT_EQ(engine.Subitem_KilledAd().Count(), 1);
  EXPECT_EQ(engine.Subitem_KilledAd().Entry(0).caption, "(2) " + ShortenText(address, 30));
  EXPECT_EQ(engine.Subitem_KilledAd().Entry(0).caption.size(), 4u + 29u);
  EXPECT_EQ(engine.Subitem_KilledAd().Entry(0).hint, address);
}

TEST_F(BlockingEngineTest, SoundSwitchTakesThePlaceOfTheNoticeSwitch) {
  store.SetText(settings::kLastBlockURL, "http://ads.x/");
  store.SetSwitch(settings::kKillAdNotice, true);
  store.SetSwitch(settings::kKillAdSound, false);
  engine.ReportBlockedWindow();
  EXPECT_TRUE(sound.played.empty());
  EXPECT_TRUE(tray.balloons.empty());
  EXPECT_EQ(engine.BlockedTotal(), 1);
  EXPECT_EQ(engine.Subitem_KilledAd().Count(), 1);

  store.SetSwitch(settings::kKillAdNotice, false);
  store.SetSwitch(settings::kKillAdSound, true);
  engine.ReportBlockedWindow();
  EXPECT_EQ(sound.played.size(), 1u);
  EXPECT_EQ(tray.balloons.size(), 1u);

  store.Key().DeleteValue(settings::kKillAdSound);
  engine.ReportBlockedWindow();  // neither kind of notice: no notice
  EXPECT_EQ(sound.played.size(), 1u);
}

TEST_F(BlockingEngineTest, ReportWithoutSettingsKeyStillCounts) {
  store.SetSwitch(settings::kKillAdNotice, true);
  store.DenySettingsKey();
  engine.ReportBlockedWindow();
  ASSERT_EQ(engine.Subitem_KilledAd().Count(), 1);
  EXPECT_EQ(engine.Subitem_KilledAd().Entry(0).caption, "(1) ");
  EXPECT_EQ(engine.BlockedTotal(), 1);
  EXPECT_TRUE(sound.played.empty());
  EXPECT_TRUE(tray.balloons.empty());
}

// ---- AddUrlToBlackList ----

TEST_F(BlockingEngineTest, AddedAddressGoesToFileViewAndBalloon) {
  page.LoadAdPage();
  store.SetSwitch(settings::kKillAdNotice, false);  // this balloon does not depend on it
  store.SetText(settings::kLastAddUrl, "http://ads.example.com/");
  engine.AddUrlToBlackList();
  store.SetText(settings::kLastAddUrl, "http://ads.example.com/");
  engine.AddUrlToBlackList();  // no duplicate check
  // The mailbox was emptied by the last message: one more without a new address adds nothing.
  EXPECT_FALSE(store.Key().ValueExists(settings::kLastAddUrl));
  engine.AddUrlToBlackList();
  const Items expected{"*ads.*", "http://pop?.example.com/*", "http://ads.example.com/",
                       "http://ads.example.com/"};
  EXPECT_EQ(store.Run("ad"), expected);
  EXPECT_EQ(page.blacklist.items, expected);
  ASSERT_EQ(tray.balloons.size(), 2u);
  EXPECT_EQ(tray.balloons[0].title, "网址已添加进黑名单");
  EXPECT_EQ(tray.balloons[0].text, "http://ads.example.com/");
}

TEST_F(BlockingEngineTest, MissingOrEmptyReadingAddressAddsNothing) {
  page.LoadAdPage();
  engine.AddUrlToBlackList();  // value missing
  // Each reads back from the file as "" and would hide the entries after it.
  for (const char* address : {"", "   ", "''", "\"\"", " \"\" ", "\x1A\t"}) {
    store.SetText(settings::kLastAddUrl, address);
    engine.AddUrlToBlackList();
  }
  EXPECT_EQ(store.Run("ad").size(), 2u);
  EXPECT_EQ(page.blacklist.items.size(), 2u);
  EXPECT_TRUE(tray.balloons.empty());
}

TEST_F(BlockingEngineTest, AddWithoutListFileChangesNothing) {
  BlockerStorage empty;
  BlockingEngine bare({empty.files, empty.registry, browsers, window, tray, sound, shell}, page,
                      kFolder);
  empty.SetText(settings::kLastAddUrl, "http://ads.x/");
  EXPECT_THROW(bare.AddUrlToBlackList(), FileError);
  EXPECT_TRUE(page.blacklist.items.empty());
  EXPECT_TRUE(tray.balloons.empty());
}

// ---- hand-overs (WM_COPYDATA from a companion) ----

// The window's message loop for the messages the engine posted to itself, in order.
void DeliverPosted(BlockingEngine& engine, RecordingAppWindow& window) {
  std::vector<RecordingAppWindow::Posted> posted;
  posted.swap(window.posted);
  for (const auto& p : posted) {
    if (p.message == WM_AD_ADDURL) engine.AddUrlToBlackList(p.wparam);
    if (p.message == WM_AD_REPORT) engine.ReportBlockedWindow(p.wparam);
  }
}

bool HandOver(BlockingEngine& engine, unsigned long tag, const std::string& bytes) {
  return engine.TakeHandOver(tag, bytes.data(), bytes.size());
}

TEST_F(BlockingEngineTest, HandedOverAddressesAreAddedOnceEachInTheOrderTheyCame) {
  page.LoadAdPage();
  store.SetText(settings::kLastAddUrl, "http://mailbox.example/");
  ASSERT_TRUE(HandOver(engine, kCopyDataAddUrl, "http://first.example/a"));
  ASSERT_TRUE(HandOver(engine, kCopyDataAddUrl, "http://second.example/*"));
  window.posted.push_back({WM_AD_ADDURL, 0});  // the mailbox road, between and after them
  ASSERT_TRUE(HandOver(engine, kCopyDataAddUrl, "http://third.example"));
  ASSERT_EQ(window.posted.size(), 4u);
  DeliverPosted(engine, window);
  const Items expected{"*ads.*", "http://pop?.example.com/*", "http://first.example/a",
                       "http://second.example/?", "http://mailbox.example/",
                       "http://third.example/"};
  EXPECT_EQ(store.Run("ad"), expected);
  EXPECT_EQ(page.blacklist.items, expected);
  EXPECT_EQ(tray.balloons.size(), 4u);
  EXPECT_FALSE(store.Key().ValueExists(settings::kLastAddUrl));
}

TEST_F(BlockingEngineTest, WhatAHandOverCarriesIsCheckedBeforeAnythingIsPosted) {
  const std::string too_long = "http://a.example/" + std::string(2040, 'p');
  const struct {
    unsigned long tag;
    std::string bytes;
  } refused[] = {
      {0, "http://a.example/"},
      {kCopyDataAddUrl + 7, "http://a.example/"},
      {kCopyDataAddUrl, ""},
      {kCopyDataAddUrl, std::string("http://a.example/\0", 18)},
      {kCopyDataAddUrl, too_long},
      {kCopyDataAddUrl, "http://*.example/"},  // an address the browser side may not add
      {kCopyDataBlockedWindow, "http://ads.example/\n"},
  };
  for (const auto& r : refused)
    EXPECT_FALSE(HandOver(engine, r.tag, r.bytes)) << r.tag << " '" << r.bytes << "'";
  EXPECT_TRUE(window.posted.empty());
  // Only so many addresses wait for their messages.
  for (size_t i = 0; i < BlockingEngine::kMaxPendingReports; ++i)
    ASSERT_TRUE(HandOver(engine, kCopyDataAddUrl, "http://a.example/" + std::to_string(i)));
  EXPECT_FALSE(HandOver(engine, kCopyDataAddUrl, "http://one-too-many.example/"));
}

TEST_F(BlockingEngineTest, AWindowKeptFromOpeningIsReportedLikeAClosedOne) {
  store.SetSwitch(settings::kKillAdNotice, true);
  ASSERT_TRUE(HandOver(engine, kCopyDataBlockedWindow, "http://ads.example.com/pop"));
  ASSERT_TRUE(HandOver(engine, kCopyDataBlockedWindow, "http://pop1.example.com/x"));
  DeliverPosted(engine, window);
  EXPECT_EQ(HistoryHints(), (Items{"http://ads.example.com/pop", "http://pop1.example.com/x"}));
  EXPECT_EQ(engine.BlockedTotal(), 2);
  EXPECT_EQ(sound.played.size(), 2u);
  ASSERT_EQ(tray.balloons.size(), 2u);
  EXPECT_EQ(tray.balloons[1].title, "拦截到广告窗口");
  EXPECT_EQ(tray.balloons[1].text, "http://pop1.example.com/x\r\n已拦截总数：2");
  EXPECT_EQ(store.Key().ReadString(settings::kLastBlockURL), "http://pop1.example.com/x");
}

TEST_F(BlockingEngineTest, AHandedOverReportThatTheProgramsRuleWouldNotBlockIsDropped) {
  store.WriteIni({"ad0=*ads.*", "pass0=*ads.example.org*", "temp0=http://ads.example.net/again"});
  store.SetSwitch(settings::kKillAdNotice, true);
  for (const char* address : {"http://news.example.com/",        // on no black list
                              "http://ads.example.org/x",        // white-listed
                              "http://ads.example.net/again",    // reopened from the history
                              "file:///C:/ads.example/x.htm"}) {  // a local file
    ASSERT_TRUE(HandOver(engine, kCopyDataBlockedWindow, address));
  }
  DeliverPosted(engine, window);
  store.SetSwitch(settings::kAllowKillAD, false);
  ASSERT_TRUE(HandOver(engine, kCopyDataBlockedWindow, "http://ads.example.com/"));
  DeliverPosted(engine, window);
  EXPECT_TRUE(HistoryHints().empty());
  EXPECT_EQ(engine.BlockedTotal(), 0);
  EXPECT_TRUE(sound.played.empty());
  EXPECT_TRUE(tray.balloons.empty());
  EXPECT_FALSE(store.Key().ValueExists(settings::kLastBlockURL));
}

// ---- BlockedHistoryItemClick ----

TEST(BlockedHistoryClick, WhiteListsTheAddressOnceAndOpensItEachTime) {
  // The long address reads back from the file cut to 2,047 bytes; it must still match itself.
  const std::string long_address = "http://ads.x/?" + std::string(3000, 'q');
  const struct {
    std::string address, stored;
  } cases[] = {{"http://ads.x/a b", "http://ads.x/a b"},
               {long_address, long_address.substr(0, 2047)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address.substr(0, 20));
    BlockerStorage store;
    MemoryBrowserWindows browsers;
    RecordingAppWindow window;
    RecordingTray tray;
    RecordingSound sound;
    RecordingShell shell;
    AdPage page(store.files, store.registry, kFolder);
    BlockingEngine engine({store.files, store.registry, browsers, window, tray, sound, shell},
                          page, kFolder);
    store.WriteIni({"ad0=*ads.*"});
    page.LoadAdPage();
    store.SetText(settings::kLastBlockURL, c.address);
    engine.ReportBlockedWindow();
    const std::string hint = engine.Subitem_KilledAd().Entry(0).hint;
    EXPECT_EQ(hint, c.address);
    engine.BlockedHistoryItemClick(hint);
    engine.BlockedHistoryItemClick(hint);
    const Items temp = store.Run("temp");  // compared whole: the long one is unreadable
    EXPECT_EQ(temp.size(), 1u);
    EXPECT_TRUE(temp == Items{c.stored});
    EXPECT_TRUE(page.TempWhiteList.items == Items{c.address});
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].operation, "open");
    EXPECT_EQ(shell.calls[1].file, "IEXPLORE");
    EXPECT_TRUE(shell.calls[1].parameters == "\"" + c.address + "\"");
    EXPECT_EQ(shell.calls[1].show, ShowCommand::Normal);
    EXPECT_EQ(engine.Subitem_KilledAd().Count(), 1);  // the entry stays

    // Reopened, the address is no longer closed by the next scan.
    const int reopened = browsers.Open(c.address);
    engine.ScanBrowserWindows();
    EXPECT_TRUE(browsers.IsOpen(reopened)) << "closed again";
  }
}

TEST_F(BlockingEngineTest, ClickOnAnAddressThatReadsBackEmptyKeepsTheTemporaryRunIntact) {
  store.WriteIni({"ad0=*", "temp0=http://kept/"});
  for (const char* address : {"", "''", "\"\"", "http://later/"}) {
    store.SetText(settings::kLastBlockURL, address);
    engine.ReportBlockedWindow();
    engine.BlockedHistoryItemClick(address);
  }
  EXPECT_EQ(store.Run("temp"), (Items{"http://kept/", "http://later/"}));
  ASSERT_EQ(shell.calls.size(), 4u);
  EXPECT_EQ(shell.calls[0].parameters, "");
}

}  // namespace
}  // namespace orv
