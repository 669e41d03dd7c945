// Every page action in a session without elevation (a standard user, or an administrator under
// UAC, after the per-machine install): HKEY_LOCAL_MACHINE and the program folder outside "conf"
// refuse writes with access denied. For each action: the user's own data (settings, the lists
// in "conf", values under HKEY_CURRENT_USER) is saved; what could not be done is not shown as
// done; and the boxes shown are exactly the right texts.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "maintenance/activex_page.h"
#include "maintenance/kill_bits.h"
#include "platform/memory/session_without_elevation.h"
#include "popup_blocker/ad_messages.h"
#include "shell/general_page.h"
#include "shell/settings.h"
#include "shell/startup_integration.h"
#include "shell/url_shortcut_file.h"

namespace orv {
namespace {

using app_test::kExe;
using app_test::kFolder;

const std::string kAntiX = kFolder + kAntiXIniName;
const std::string kShortcuts = kFolder + kUrlShortcutIniName;
const char kImmuneClsid[] = "00000000-0000-0000-0000-0000000000a1";
const char kOpenClsid[] = "00000000-0000-0000-0000-0000000000b2";
const char kIEKey[] = "Software\\Microsoft\\Internet Explorer";
const char kIEMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";

struct LimitedSession : app_test::InMemoryProgram {
  // What the elevated install (and `elevated`, an earlier elevated run) left, then the start of
  // the program in a session without elevation.
  void Start(const std::function<void(LimitedSession&)>& elevated) {
    files.SetFile(app_test::kIni, "[POPUPAD]\r\nad0=*ads*\r\npass0=*good*\r\n");
    files.SetFile(kAntiX, "[List]\r\nx0=Immune\r\nv0=" + std::string(kImmuneClsid) +
                              "\r\nx1=Open\r\nv1=" + kOpenClsid + "\r\n");
    files.SetFile(kShortcuts, "[UrlShortcut]\r\ns0=a\r\nv0=http://a/\r\n");
    RegKey::Open(registry, RegRoot::LocalMachine, kRunKeyPath, true);
    RegKey::Open(registry, RegRoot::ClassesRoot, "CLSID", true);
    RegKey::Open(registry, RegRoot::LocalMachine, kIEKey, true).WriteString("Version", "11.0");
    SetKillBit(registry, kImmuneClsid);
    if (elevated) elevated(*this);
    PlaySessionWithoutElevation(registry, files, kFolder);
    app.form().FormCreate();
    EXPECT_TRUE(boxes.shown.empty()) << "the start-up showed " << boxes.shown[0].text;
    boxes.shown.clear();
  }
  RegKey Settings() { return settings::OpenKey(registry); }
  std::string RunValue(RegRoot root) {
    return RegKey::Open(registry, root, kRunKeyPath, false, RegAccess::Read).ReadString(kRunValueName);
  }
  bool MenuKeysPresent() {
    return registry.KeyExists(RegRoot::CurrentUser, kMenuExtCurrentPageKey) &&
           registry.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey);
  }
  std::string Ini(const std::string& path, const char* section, const char* prefix) {
    std::string joined;
    for (const std::string& item : TIniArray(files, path, section, prefix).Items()) joined += item + "|";
    return joined;
  }
  GeneralPage& General() { return app.form().general_page(); }
  // The general page's apply with the start-up box as given.
  void ApplyStartup(bool ticked) {
    General().chkAutoStartMouseDown();
    General().SetAutoStartChecked(ticked);
    app.Run([&] { General().btn_gen_saveClick(); });
  }
};

using Step = std::function<void(LimitedSession&)>;

struct PageAction {
  const char* name;
  Step elevated;   // left by an earlier elevated run, or empty
  Step act;        // the user's action, through the event boundary as its view sends it
  Step saved;      // the user's own data is stored
  Step truthful;   // what could not be done is not shown as done
  std::vector<std::string> boxes;  // the texts shown, in order
};

std::vector<PageAction> Actions() {
  return {
      {"start-up", {}, [](LimitedSession&) {},
       [](LimitedSession& p) {
         EXPECT_EQ(p.Settings().ReadString(settings::kFirstRun), "1.2");
         EXPECT_EQ(p.RunValue(RegRoot::CurrentUser), kExe) << "starts with Windows for this user";
         EXPECT_TRUE(p.MenuKeysPresent());
       },
       [](LimitedSession& p) {
         EXPECT_TRUE(p.General().state().auto_start_checked);
         EXPECT_EQ(p.RunValue(RegRoot::LocalMachine), "");
         // HKEY_CLASSES_ROOT\CLSID cannot be opened for writing: RegSvr32 is not started.
         EXPECT_TRUE(p.shell.calls.empty());
       },
       {}},
      {"general page: start-up ticked", {},
       [](LimitedSession& p) {
         p.ApplyStartup(false);
         p.ApplyStartup(true);
       },
       [](LimitedSession& p) {
         EXPECT_TRUE(p.Settings().ReadBool(settings::kAutoRun));
         EXPECT_EQ(p.RunValue(RegRoot::CurrentUser), kExe);
       },
       [](LimitedSession& p) { EXPECT_FALSE(p.General().state().save_enabled); }, {}},
      {"general page: start-up unticked, the machine's value left",
       [](LimitedSession& p) {
         RegKey::Open(p.registry, RegRoot::LocalMachine, kRunKeyPath, false).WriteString(kRunValueName, kExe);
       },
       [](LimitedSession& p) { p.ApplyStartup(false); },
       [](LimitedSession& p) {
         EXPECT_FALSE(p.Settings().ReadBool(settings::kAutoRun));
         EXPECT_EQ(p.RunValue(RegRoot::CurrentUser), "");
       },
       [](LimitedSession& p) { EXPECT_EQ(p.RunValue(RegRoot::LocalMachine), kExe); },
       {kStartupLeftText}},
      {"general page: context menu off", {},
       [](LimitedSession& p) {
         p.General().chkAutoStartMouseDown();
         p.General().SetMenuChecked(false);
         p.app.Run([&] { p.General().btn_gen_saveClick(); });
       },
       [](LimitedSession& p) {
         EXPECT_FALSE(p.Settings().ReadBool(settings::kAllowIEMenu));
         EXPECT_FALSE(p.MenuKeysPresent());
       },
       [](LimitedSession&) {}, {}},
      {"ad page: apply", {},
       [](LimitedSession& p) {
         AdPage& ad = p.app.ad_page();
         ad.blacklist.Append("*new-ad*");
         ad.WhiteList.Append("*new-good*");
         ad.chkKillADMouseDown();
         ad.ToggleSwitch(AdSwitch::KillAD);
         p.app.Run([&] { ad.btn_ad_saveClick(); });
       },
       [](LimitedSession& p) {
         EXPECT_EQ(p.Stored("ad"), (std::vector<std::string>{"*ads*", "*new-ad*"}));
         EXPECT_EQ(p.Stored("pass"), (std::vector<std::string>{"*good*", "*new-good*"}));
         EXPECT_FALSE(p.Settings().ReadBool(settings::kAllowKillAD));
       },
       [](LimitedSession& p) { EXPECT_FALSE(p.app.ad_page().btn_ad_save_enabled); }, {}},
      {"exit: the ad page saved without apply", {},
       [](LimitedSession& p) {
         p.app.ad_page().blacklist.Append("*at-exit*");
         p.app.form().FormClose();
       },
       [](LimitedSession& p) {
         EXPECT_EQ(p.Stored("ad"), (std::vector<std::string>{"*ads*", "*at-exit*"}));
         EXPECT_FALSE(p.MenuKeysPresent());
       },
       [](LimitedSession& p) { EXPECT_TRUE(p.shell.calls.empty()) << "no RegSvr32 /u"; }, {}},
      {"log-off: the same close, no box", {},
       [](LimitedSession& p) {
         p.app.ad_page().blacklist.Append("*at-log-off*");
         p.app.form().FormEndSession();
       },
       [](LimitedSession& p) {
         EXPECT_EQ(p.Stored("ad"), (std::vector<std::string>{"*ads*", "*at-log-off*"}));
         EXPECT_FALSE(p.MenuKeysPresent());
       },
       [](LimitedSession&) {}, {}},
      {"browser: add to the black list", {},
       [](LimitedSession& p) {
         p.Settings().WriteString(settings::kLastAddUrl, "http://pop.example/");
         p.app.OnPrivateMessage(WM_AD_ADDURL, 0);
       },
       [](LimitedSession& p) {
         EXPECT_EQ(p.Stored("ad"), (std::vector<std::string>{"*ads*", "http://pop.example/"}));
       },
       [](LimitedSession& p) {
         ASSERT_EQ(p.tray.balloons.size(), 1u);  // said once it is stored
         EXPECT_EQ(p.tray.balloons[0].title, "网址已添加进黑名单");
       },
       {}},
      {"tray: a blocked window reopened", {},
       [](LimitedSession& p) {
         p.Settings().WriteString(settings::kLastBlockURL, "http://ads.example/1");
         p.app.OnPrivateMessage(WM_AD_REPORT, 0);
         p.app.form().icon_menu().BlockedWindows();  // the tray menu opened
         p.app.BlockedHistoryItemClick(0);
       },
       [](LimitedSession& p) {
         EXPECT_EQ(p.Stored("temp"), std::vector<std::string>{"http://ads.example/1"});
       },
       [](LimitedSession& p) { EXPECT_EQ(p.shell.calls.size(), 1u) << "opened in the browser"; },
       {}},
      {"mouse page: apply", {},
       [](LimitedSession& p) {
         p.app.mouse_page().Mouse_ActionLeftChange(Gesture::Left, 9);
         p.app.Run([&] { p.app.mouse_page().btn_mouse_saveClick(); });
       },
       [](LimitedSession& p) { EXPECT_EQ(p.Settings().ReadInteger(settings::kMouseActionLeft), 9); },
       [](LimitedSession& p) { EXPECT_FALSE(p.app.mouse_page().state().save_enabled); }, {}},
      {"ActiveX page: add", {},
       [](LimitedSession& p) {
         p.app.activex_page().btnRefreshClick();
         p.app.Run([&] { p.app.activex_page().btnAddClick("New", "00000000-0000-0000-0000-0000000000c3"); });
       },
       [](LimitedSession& p) {
         EXPECT_EQ(p.Ini(kAntiX, kAntiXSection, kAntiXNamePrefix), "Immune|Open|New|");
       },
       [](LimitedSession&) {}, {"新的免疫项目已添加。"}},
      {"ActiveX page: delete", {},
       [](LimitedSession& p) {
         p.app.activex_page().btnRefreshClick();
         p.app.activex_page().SetTicked(0, true);
         p.boxes.script = {BoxAnswer::Yes};
         p.app.Run([&] { p.app.activex_page().btnDelClick(); });
       },
       [](LimitedSession& p) {
         EXPECT_EQ(p.Ini(kAntiX, kAntiXSection, kAntiXNamePrefix), "Open|");
         EXPECT_EQ(p.Ini(kAntiX, kAntiXSection, kAntiXClsidPrefix), std::string(kOpenClsid) + "|");
       },
       [](LimitedSession&) {}, {"你想删除所选的项目吗？\r\n删除后将不可恢复！"}},
      {"ActiveX page: immunise (machine-wide)", {},
       [](LimitedSession& p) {
         p.app.activex_page().btnRefreshClick();
         p.app.activex_page().SetTicked(1, true);
         p.app.Run([&] { p.app.activex_page().btnSetClick(); });
       },
       [](LimitedSession&) {},
       [](LimitedSession& p) {
         EXPECT_FALSE(HasKillBit(p.registry, kOpenClsid));
         EXPECT_EQ(p.app.activex_page().mainlist().row(1).cells[kActiveXState], kNotImmune);
       },
       {"Failed to set data for 'Compatibility Flags'"}},
      {"ActiveX page: remove immunity (machine-wide)", {},
       [](LimitedSession& p) {
         p.app.activex_page().btnRefreshClick();
         p.app.activex_page().SetTicked(0, true);
         p.app.Run([&] { p.app.activex_page().btnUnSetClick(); });
       },
       [](LimitedSession&) {},
       [](LimitedSession& p) {
         EXPECT_TRUE(HasKillBit(p.registry, kImmuneClsid));
         EXPECT_EQ(p.app.activex_page().mainlist().row(0).cells[kActiveXState], kImmune);
       },
       {"已取消免疫项目：0"}},
      {"IE settings page: apply", {},
       [](LimitedSession& p) {
         IESettingsPage& ie = p.app.ie_settings_page();
         ie.SetText(kIEPage, "http://home.example/");
         ie.SetText(kIEVer, "12.0");
         ie.IE_verKeyPress();
         p.app.Run([&] { ie.btn_ie_saveClick(); });
       },
       [](LimitedSession& p) {
         EXPECT_EQ(RegKey::Open(p.registry, RegRoot::CurrentUser, kIEMainKey, false).ReadString("Start Page"),
                   "http://home.example/");
       },
       [](LimitedSession& p) {
         EXPECT_EQ(RegKey::Open(p.registry, RegRoot::LocalMachine, kIEKey, false, RegAccess::Read)
                       .ReadString("Version"),
                   "11.0");
         EXPECT_TRUE(p.app.ie_settings_page().apply_enabled()) << "not all of it was applied";
       },
       {"Failed to set data for 'Version'"}},
      {"URL shortcuts page: add", {},
       [](LimitedSession& p) {
         p.app.url_shortcut_page().TabSheet10Show();
         p.app.Run([&] { p.app.url_shortcut_page().ShortcutAddClick("b", "http://b/"); });
       },
       [](LimitedSession& p) {
         EXPECT_EQ(p.Ini(kShortcuts, kUrlShortcutSection, kShortcutNamePrefix), "a|b|");
         EXPECT_EQ(p.Ini(kShortcuts, kUrlShortcutSection, kShortcutUrlPrefix), "http://a/|http://b/|");
       },
       [](LimitedSession&) {}, {"新的快捷网址已添加。"}},
      {"URL shortcuts page: delete", {},
       [](LimitedSession& p) {
         p.app.url_shortcut_page().TabSheet10Show();
         p.app.url_shortcut_page().SetTicked(kBuiltInShortcuts, true);
         p.boxes.script = {BoxAnswer::Yes};
         p.app.Run([&] { p.app.url_shortcut_page().ShortcutDelClick(); });
       },
       [](LimitedSession& p) { EXPECT_EQ(p.Ini(kShortcuts, kUrlShortcutSection, kShortcutNamePrefix), ""); },
       [](LimitedSession& p) { EXPECT_EQ(p.app.url_shortcut_page().UrlShortcut().size(), kBuiltInShortcuts); },
       {"你想删除所选的快捷网址吗？"}},
      // The four inventory pages (delete, unregister, export) and their reports go here, one
      // row per action: an export lands in the user's own folder, a machine-wide entry that
      // could not be removed is counted as such.
  };
}

TEST(SessionWithoutElevation, EveryPageActionSavesTheUsersDataAndShowsOnlyWhatWasDone) {
  for (const PageAction& action : Actions()) {
    SCOPED_TRACE(action.name);
    LimitedSession p;
    p.Start(action.elevated);
    action.act(p);
    action.saved(p);
    action.truthful(p);
    std::vector<std::string> shown;
    for (const BoxCall& box : p.boxes.shown) shown.push_back(box.text);
    EXPECT_EQ(shown, action.boxes);
  }
}

}  // namespace
}  // namespace orv
