#include "app/orvanel_app.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/memory/memory_browser_windows.h"
#include "platform/memory/memory_connectivity.h"
#include "platform/memory/memory_http_client.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "popup_blocker/ad_messages.h"
#include "lists/ini_array.h"
#include "shell/maker_site.h"
#include "shell/settings.h"

namespace orv {
namespace {

const std::string kExe = "C:\\Orvanel\\Orvanel.exe";
const std::string kIni = "C:\\Orvanel\\conf\\KillAD.ini";
const std::string kUserFolder = "C:\\Users\\u\\AppData\\Local\\Tavrosel\\Orvanel\\";

// The program with every service in memory, as the window layer would make it.
struct InMemoryProgram {
  std::vector<std::string> Stored(const std::string& prefix) {
    return TIniArray(files, kIni, "POPUPAD", prefix).Items();
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  RecordingShell shell;
  ScriptedMessageBoxes boxes;
  FixedClock clock;
  RecordingTimers timers;
  RecordingTray tray;
  RecordingSound sound;
  MemoryBrowserWindows browsers;
  RecordingMouseHook hook;
  RecordingAppWindow window;
  MemoryConnectivity connectivity;
  MemoryHttpClient http;
  OrvanelApp app{AppServices{registry, files, shell, boxes, clock, timers, tray, sound, browsers,
                             hook, window, connectivity, http},
                 kExe, kUserFolder};
};

class OrvanelAppTest : public ::testing::Test, public InMemoryProgram {
 protected:
  OrvanelAppTest() {
    files.SetFile(kIni, "[POPUPAD]\r\nad0=*ads*\r\npass0=*good*\r\ntemp0=http://left.over/\r\n");
  }
  // What a companion does to report a window it closed.
  void Report(const std::string& address) {
    settings::OpenKey(registry).WriteString("LastBlockURL", address);
    app.OnPrivateMessage(WM_AD_REPORT, 0);
  }
};

TEST_F(OrvanelAppTest, StartLoadsTheAdPageAndEmptiesTheTemporaryWhiteList) {
  app.form().FormCreate();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(app.ad_page().blacklist.items, std::vector<std::string>{"*ads*"});
  EXPECT_EQ(app.ad_page().WhiteList.items, std::vector<std::string>{"*good*"});
  EXPECT_TRUE(Stored("temp").empty());
  EXPECT_TRUE(app.ad_page().chkKillAD);  // first run default
  EXPECT_FALSE(app.form().icon_menu().BlockedWindowsEnabled());
  // The gesture page shows the first run's assignments.
  EXPECT_EQ(app.mouse_page().state().item_index, (std::array<int, 5>{1, 2, 3, 4, 8}));
}

TEST_F(OrvanelAppTest, TheNoticeRunsOnTheFormsShowClickAndTimerEvents) {
  app.form().FormCreate();
  app.form().FormShow();
  EXPECT_EQ(app.notice().notice_text(), std::string("请访问岚澄软件以获得本软件的最新版本。") + kMakerWebHost);
  app.form().NoticeClick();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls.back().parameters, "\"" + MakerHomePage() + "\"");
  connectivity.online = false;
  app.form().DownloadNoticeTimerTimer();
  EXPECT_TRUE(timers.IsRunning(TimerId::CheckOnline));
  connectivity.online = true;
  app.form().CheckOnlineTimerTimer();
  app.form().DownloadNoticeTimerTimer();
  EXPECT_TRUE(http.busy());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OrvanelAppTest, MessagesReachTheEngineAndTheTrayMenuShowsItsHistory) {
  app.form().FormCreate();
  browsers.Open("http://ads.example.com/pop");
  browsers.Open("http://news.example.com/");
  EXPECT_TRUE(app.OnPrivateMessage(WM_AD_SCAN, 0));
  ASSERT_EQ(window.posted.size(), 1u);
  EXPECT_TRUE(app.OnPrivateMessage(window.posted[0].message, window.posted[0].wparam));
  auto history = app.form().icon_menu().BlockedWindows();
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].hint, "http://ads.example.com/pop");
  EXPECT_TRUE(app.form().icon_menu().BlockedWindowsEnabled());
  EXPECT_EQ(app.engine().BlockedTotal(), 1);

  settings::OpenKey(registry).WriteString("LastAddUrl", "http://pop.example.org/");
  EXPECT_TRUE(app.OnPrivateMessage(WM_AD_ADDURL, 0));
  EXPECT_EQ(Stored("ad"), (std::vector<std::string>{"*ads*", "http://pop.example.org/"}));
  EXPECT_EQ(app.ad_page().blacklist.items.back(), "http://pop.example.org/");
  EXPECT_FALSE(app.OnPrivateMessage(0x503, 0));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(OrvanelAppTest, CloseSavesThePageWithoutTheTemporaryWhiteList) {
  app.form().FormCreate();
  app.ad_page().TempWhiteList.Append("http://reopened.example/");
  app.ad_page().WhiteList.Append("*also-good*");
  app.form().FormClose();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Stored("pass"), (std::vector<std::string>{"*good*", "*also-good*"}));
  EXPECT_TRUE(Stored("temp").empty());
  EXPECT_EQ(hook.calls, (std::vector<std::string>{"enable", "disable"}));
}

TEST_F(OrvanelAppTest, AMissingListFileIsShownOnceAndCloseStillFinishes) {
  files.RemoveFile(kIni);
  app.form().FormCreate();  // LoadAdPage fails: the rest of the start-up is skipped
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kIni + " didn't exists.");
  EXPECT_TRUE(hook.calls.empty());

  EXPECT_TRUE(app.OnPrivateMessage(WM_AD_SCAN, 0));
  browsers.Open("http://ads.example.com/");
  EXPECT_TRUE(app.OnPrivateMessage(WM_AD_SCAN, 0));
  EXPECT_EQ(boxes.shown.size(), 2u);  // the scan that reached the list

  app.form().FormClose();
  EXPECT_EQ(boxes.shown.size(), 3u);  // SaveAdPage failed, the later steps ran
  EXPECT_EQ(hook.calls, std::vector<std::string>{"disable"});
  EXPECT_FALSE(registry.KeyExists(RegRoot::CurrentUser,
                                  "Software\\Microsoft\\Internet Explorer\\MenuExt\\加入黑名单"));
}

TEST_F(OrvanelAppTest, StartLoadsTheIEPageAndTheBrowserPagesLoadWhenShown) {
  {
    auto main = registry.OpenKey(RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", true);
    ASSERT_TRUE(main && main->SetValue("Start Page", {kRegSz, "about:home"}));
  }
  files.SetFile("C:\\Orvanel\\conf\\antix_data.ini", "[List]\r\nx0=one\r\nv0=c0\r\n");
  files.SetFile("C:\\Orvanel\\conf\\urlShortcut.ini", "[UrlShortcut]\r\ns0=a\r\nv0=http://a/\r\n");
  app.form().FormCreate();
  EXPECT_EQ(app.ie_settings_page().text(kIEPage), "about:home");
  EXPECT_EQ(app.activex_page().mainlist().size(), 0);
  app.form().MenuTreeChange(kActiveXPageIndex);
  EXPECT_EQ(app.activex_page().mainlist().size(), 1);
  app.form().MenuTreeChange(kUrlShortcutPageIndex);
  EXPECT_EQ(app.url_shortcut_page().UrlShortcut().size(), 3);
  // An error of a page event is shown once, with the application's title.
  files.RemoveFile("C:\\Orvanel\\conf\\urlShortcut.ini");
  EXPECT_FALSE(app.Run([&] { app.url_shortcut_page().TabSheet10Show(); }));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "C:\\Orvanel\\conf\\urlShortcut.ini didn't exists.");
  EXPECT_EQ(boxes.shown[0].caption, "Tavrosel Orvanel");
}

TEST_F(OrvanelAppTest, InventoryPagesReloadWhenChosenAndWhenTheWindowIsShownOnThem) {
  app.form().FormCreate();
  const struct {
    int index;
    const InventoryPage& page;
  } cases[] = {{kMenuExtPageIndex, app.menu_ext_page()},
               {kToolbarPageIndex, app.toolbar_page()},
               {kHelperObjectPageIndex, app.helper_object_page()},
               {kAutoRunPageIndex, app.auto_run_page()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    app.form().MenuTreeChange(c.index);
    const int shown = c.page.list().size();
    // One entry more for every page: a context-menu key, a toolbar, a search hook, a program.
    const std::string x = "x" + std::to_string(c.index);
    RegKey::Open(registry, RegRoot::CurrentUser, std::string(kMenuExtListKey) + "\\" + x, true);
    RegKey::Open(registry, RegRoot::LocalMachine, kToolbarListKey, true).WriteString(x, "");
    RegKey::Open(registry, RegRoot::CurrentUser, kSearchHookListKey, true).WriteString(x, "");
    RegKey::Open(registry, RegRoot::CurrentUser, kRunListKey, true).WriteString(x, "");
    app.form().FormShow();  // the window shown from the tray with the page current
    EXPECT_EQ(c.page.list().size(), shown + 1);
  }
}

TEST_F(OrvanelAppTest, APickOpensTheAddressTheMenuShowedWhateverArrivedSince) {
  app.form().FormCreate();
  Report("http://a.example/");
  Report("http://b.example/");
  // The menu opens with the engine's history, oldest first.
  std::vector<std::string> shown;
  for (const HistoryEntry& e : app.form().icon_menu().BlockedWindows()) shown.push_back(e.hint);
  ASSERT_EQ(shown, (std::vector<std::string>{"http://a.example/", "http://b.example/"}));
  // While it is open, a report moves the first address to the end of the history.
  Report("http://a.example/");
  app.BlockedHistoryItemClick(0);  // the user picks the entry shown first
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].parameters, "\"http://a.example/\"");
  EXPECT_EQ(Stored("temp"), std::vector<std::string>{"http://a.example/"});
  app.BlockedHistoryItemClick(2);  // no such entry in that menu
  EXPECT_EQ(shell.calls.size(), 1u);
  EXPECT_TRUE(boxes.shown.empty());
}

// A start-up that stopped before or inside LoadAdPage leaves the page's views empty: neither
// the apply button nor the exit may then replace the stored lists and switches with them.
TEST(OrvanelAppFailedStart, ApplyAndExitKeepTheStoredListsAndSwitches) {
  const std::string ini = "[POPUPAD]\r\nad0=*ads*\r\npass0=*good*\r\n";
  using Step = std::function<void(InMemoryProgram&)>;
  const struct {
    const char* step;
    Step spoil, mend;  // before the start; before apply and exit
  } cases[] = {
      {"InitSettings: a value cannot be written", [](InMemoryProgram& p) { p.registry.FailWritesFrom(1); },
       [](InMemoryProgram& p) { p.registry.FailWritesFrom(0); }},
      {"LoadGeneralPage: AutoRun stored as text",
       [](InMemoryProgram& p) { settings::OpenKey(p.registry).WriteString("AutoRun", "1"); }, {}},
      {"LoadAdPage: conf\\KillAD.ini missing", [](InMemoryProgram& p) { p.files.RemoveFile(kIni); },
       [&ini](InMemoryProgram& p) { p.files.SetFile(kIni, ini); }},
      {"LoadAdPage: conf\\KillAD.ini unreadable", [](InMemoryProgram& p) { p.files.FailReadAt(1); }, {}},
      {"LoadAdPage: KillAd_Notice stored as text",
       [](InMemoryProgram& p) { settings::OpenKey(p.registry).WriteString("KillAd_Notice", "1"); }, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    InMemoryProgram p;
    p.files.SetFile(kIni, ini);
    RegKey key = settings::OpenKey(p.registry);
    key.WriteString("FirstRun", "1.2");
    key.WriteBool("AutoRun", false);
    key.WriteBool("AllowIEMenu", true);
    key.WriteBool("AllowKillAD", true);
    key.WriteBool("KillAd_Notice", true);
    c.spoil(p);
    RegValue kill_ad, notice;
    ASSERT_TRUE(key.raw()->QueryValue("AllowKillAD", &kill_ad));
    ASSERT_TRUE(key.raw()->QueryValue("KillAd_Notice", &notice));

    p.app.form().FormCreate();
    ASSERT_EQ(p.boxes.shown.size(), 1u);  // the start-up error
    if (c.mend) c.mend(p);
    p.app.Run([&] { p.app.ad_page().btn_ad_saveClick(); });
    p.app.form().FormClose();
    EXPECT_EQ(p.boxes.shown.size(), 1u);
    EXPECT_EQ(p.Stored("ad"), std::vector<std::string>{"*ads*"});
    EXPECT_EQ(p.Stored("pass"), std::vector<std::string>{"*good*"});
    RegValue value;
    ASSERT_TRUE(key.raw()->QueryValue("AllowKillAD", &value));
    EXPECT_TRUE(value.type == kill_ad.type && value.data == kill_ad.data);
    ASSERT_TRUE(key.raw()->QueryValue("KillAd_Notice", &value));
    EXPECT_TRUE(value.type == notice.type && value.data == notice.data);
  }
}

}  // namespace
}  // namespace orv
