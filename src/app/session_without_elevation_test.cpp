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
#include "maintenance/auto_run_page.h"
#include "maintenance/helper_object_page.h"
#include "maintenance/kill_bits.h"
#include "maintenance/registry_backup.h"
#include "maintenance/toolbar_page.h"
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
using app_test::kUserFolder;

const std::string kAntiX = kFolder + kAntiXIniName;
const std::string kShortcuts = kFolder + kUrlShortcutIniName;
const char kImmuneClsid[] = "00000000-0000-0000-0000-0000000000a1";
const char kOpenClsid[] = "00000000-0000-0000-0000-0000000000b2";
const char kIEKey[] = "Software\\Microsoft\\Internet Explorer";
const char kIEMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
const char kMachineBho[] = "{00000000-0000-0000-0000-0000000000d4}";
// FixedClock's moment, as the backups are named.
const std::string kBackups = kUserFolder + kBackupFolder + "20251209-120000 ";

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
    Put(RegRoot::LocalMachine, kIEKey, "Version", "11.0");
    SetKillBit(registry, kImmuneClsid);
    if (elevated) elevated(*this);
    PlaySessionWithoutElevation(registry, files, kFolder);
    app.form().FormCreate();
    EXPECT_EQ(boxes.shown.size(), 0u) << "the start-up showed a box";
    boxes.shown.clear();
  }
  RegKey Settings() { return settings::OpenKey(registry); }
  std::string Value(RegRoot root, const std::string& key, const char* name) {
    return RegKey::Open(registry, root, key, false, RegAccess::Read).ReadString(name);
  }
  std::string RunValue(RegRoot root) { return Value(root, kRunKeyPath, kRunValueName); }
  void Put(RegRoot root, const std::string& key, const char* name, const std::string& data) {
    RegKey::Open(registry, root, key, true).WriteString(name, data);
  }
  bool MenuKeysPresent() {
    return registry.KeyExists(RegRoot::CurrentUser, kMenuExtCurrentPageKey) &&
           registry.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey);
  }
  std::string Ini(const std::string& path, const char* section, const char* prefix) {
    TIniArray run(files, path, section, prefix);
    std::string joined;
    for (const std::string& item : run.Items()) joined += item + "|";
    return joined;
  }
  GeneralPage& General() { return app.form().general_page(); }
  // The general page's apply with the two boxes as given.
  void ApplyGeneral(bool start_up, bool menu = true) {
    General().chkAutoStartMouseDown();
    General().SetAutoStartChecked(start_up);
    General().SetMenuChecked(menu);
    app.Run([&] { General().btn_gen_saveClick(); });
  }
  // The ActiveX page refreshed, one row ticked.
  ActiveXPage& ActiveXTicked(int row) {
    app.activex_page().btnRefreshClick();
    app.activex_page().SetTicked(row, true);
    return app.activex_page();
  }
  // An inventory page shown, every row ticked, its action confirmed.
  void ActOnEveryRow(InventoryPage& page, const std::function<void()>& action) {
    page.Refresh();
    for (int row = 0; row < page.list().size(); ++row) page.SetTicked(row, true);
    boxes.script = {BoxAnswer::Yes};
    app.Run(action);
  }
  bool Exists(RegRoot root, const std::string& key, const char* value = nullptr) {
    RegKey k = RegKey::Open(registry, root, key, false, RegAccess::Read);
    return k && (!value || k.ValueExists(value));
  }
};

using Step = std::function<void(LimitedSession&)>;

struct PageAction {
  const char* name;
  Step act;    // the user's action, through the event boundary as its view sends it
  Step check;  // the user's own data is stored; what could not be done is not shown as done
  std::vector<std::string> boxes;  // the texts shown, in order
  Step elevated = {};              // left by an earlier elevated run
};

std::vector<PageAction> Actions() {
  using P = LimitedSession&;
  const std::vector<std::string> none;
  return {
      {"start-up", [](P) {},
       [](P p) {
         EXPECT_EQ(p.Settings().ReadString(settings::kFirstRun), "1.2");
         EXPECT_EQ(p.RunValue(RegRoot::CurrentUser), kExe) << "starts with Windows for this user";
         EXPECT_EQ(p.RunValue(RegRoot::LocalMachine), "");
         EXPECT_TRUE(p.General().state().auto_start_checked && p.MenuKeysPresent());
         EXPECT_TRUE(p.shell.calls.empty()) << "CLSID cannot be opened for writing: no RegSvr32";
       },
       none},
      {"general page: start-up ticked", [](P p) {
         p.ApplyGeneral(false);
         p.ApplyGeneral(true);
       },
       [](P p) {
         EXPECT_TRUE(p.Settings().ReadBool(settings::kAutoRun));
         EXPECT_EQ(p.RunValue(RegRoot::CurrentUser), kExe);
       },
       none},
      {"general page: start-up unticked, the machine's value left", [](P p) { p.ApplyGeneral(false); },
       [](P p) {
         EXPECT_FALSE(p.Settings().ReadBool(settings::kAutoRun));
         EXPECT_EQ(p.RunValue(RegRoot::CurrentUser), "");
         EXPECT_EQ(p.RunValue(RegRoot::LocalMachine), kExe);
       },
       {kStartupLeftText},
       [](P p) { p.Put(RegRoot::LocalMachine, kRunKeyPath, kRunValueName, kExe); }},
      {"general page: context menu off", [](P p) { p.ApplyGeneral(true, false); },
       [](P p) {
         EXPECT_FALSE(p.Settings().ReadBool(settings::kAllowIEMenu));
         EXPECT_FALSE(p.MenuKeysPresent());
       },
       none},
      {"ad page: apply",
       [](P p) {
         AdPage& ad = p.app.ad_page();
         ad.blacklist.Append("*new-ad*");
         ad.chkKillADMouseDown();
         ad.ToggleSwitch(AdSwitch::KillAD);
         p.app.Run([&] { ad.btn_ad_saveClick(); });
       },
       [](P p) {
         EXPECT_EQ(p.Stored("ad"), (std::vector<std::string>{"*ads*", "*new-ad*"}));
         EXPECT_FALSE(p.Settings().ReadBool(settings::kAllowKillAD));
         EXPECT_FALSE(p.app.ad_page().btn_ad_save_enabled);
       },
       none},
      {"exit: the ad page saved without apply",
       [](P p) {
         p.app.ad_page().blacklist.Append("*at-exit*");
         p.app.form().FormClose();
       },
       [](P p) {
         EXPECT_EQ(p.Stored("ad"), (std::vector<std::string>{"*ads*", "*at-exit*"}));
         EXPECT_FALSE(p.MenuKeysPresent());
         EXPECT_TRUE(p.shell.calls.empty()) << "no RegSvr32 /u";
       },
       none},
      {"log-off: the same close, no box",
       [](P p) {
         p.app.ad_page().blacklist.Append("*at-log-off*");
         p.app.form().FormEndSession();
       },
       [](P p) {
         EXPECT_EQ(p.Stored("ad"), (std::vector<std::string>{"*ads*", "*at-log-off*"}));
         EXPECT_FALSE(p.MenuKeysPresent());
       },
       none},
      {"browser: add to the black list",
       [](P p) {
         p.Settings().WriteString(settings::kLastAddUrl, "http://pop.example/");
         p.app.OnPrivateMessage(WM_AD_ADDURL, 0);
       },
       [](P p) {
         EXPECT_EQ(p.Stored("ad"), (std::vector<std::string>{"*ads*", "http://pop.example/"}));
         ASSERT_EQ(p.tray.balloons.size(), 1u);  // said once it is stored
         EXPECT_EQ(p.tray.balloons[0].title, "网址已添加进黑名单");
       },
       none},
      {"tray: a blocked window reopened",
       [](P p) {
         p.Settings().WriteString(settings::kLastBlockURL, "http://ads.example/1");
         p.app.OnPrivateMessage(WM_AD_REPORT, 0);
         p.app.form().icon_menu().BlockedWindows();  // the tray menu opened
         p.app.BlockedHistoryItemClick(0);
       },
       [](P p) {
         EXPECT_EQ(p.Stored("temp"), std::vector<std::string>{"http://ads.example/1"});
         EXPECT_EQ(p.shell.calls.size(), 1u) << "opened in the browser";
       },
       none},
      {"mouse page: apply",
       [](P p) {
         p.app.mouse_page().Mouse_ActionLeftChange(Gesture::Left, 9);
         p.app.Run([&] { p.app.mouse_page().btn_mouse_saveClick(); });
       },
       [](P p) {
         EXPECT_EQ(p.Settings().ReadInteger(settings::kMouseActionLeft), 9);
         EXPECT_FALSE(p.app.mouse_page().state().save_enabled);
       },
       none},
      {"ActiveX page: add",
       [](P p) {
         p.app.activex_page().btnRefreshClick();
         p.app.Run([&] { p.app.activex_page().btnAddClick("New", "00000000-0000-0000-0000-0000000000c3"); });
       },
       [](P p) { EXPECT_EQ(p.Ini(kAntiX, kAntiXSection, kAntiXNamePrefix), "Immune|Open|New|"); },
       {"新的免疫项目已添加。"}},
      {"ActiveX page: delete",
       [](P p) {
         p.boxes.script = {BoxAnswer::Yes};
         p.app.Run([&] { p.ActiveXTicked(0).btnDelClick(); });
       },
       [](P p) {
         EXPECT_EQ(p.Ini(kAntiX, kAntiXSection, kAntiXNamePrefix), "Open|");
         EXPECT_EQ(p.Ini(kAntiX, kAntiXSection, kAntiXClsidPrefix), std::string(kOpenClsid) + "|");
       },
       {"你想删除所选的项目吗？\r\n删除后将不可恢复！"}},
      {"ActiveX page: immunise (machine-wide)", [](P p) { p.app.Run([&] { p.ActiveXTicked(1).btnSetClick(); }); },
       [](P p) {
         EXPECT_FALSE(HasKillBit(p.registry, kOpenClsid));
         EXPECT_EQ(p.app.activex_page().mainlist().row(1).cells[kActiveXState], kNotImmune);
       },
       {"Failed to set data for 'Compatibility Flags'"}},
      {"ActiveX page: remove immunity (machine-wide)",
       [](P p) { p.app.Run([&] { p.ActiveXTicked(0).btnUnSetClick(); }); },
       [](P p) {
         EXPECT_TRUE(HasKillBit(p.registry, kImmuneClsid));
         EXPECT_EQ(p.app.activex_page().mainlist().row(0).cells[kActiveXState], kImmune);
         EXPECT_TRUE(p.files.FileExists(kBackups + "antiX.reg"));
       },
       {"已取消免疫项目：0\r\n" + NotRemovedText(1, "取消免疫")}},
      {"IE settings page: apply",
       [](P p) {
         IESettingsPage& ie = p.app.ie_settings_page();
         ie.SetText(kIEPage, "http://home.example/");
         ie.SetText(kIEVer, "12.0");
         ie.IE_verKeyPress();
         p.app.Run([&] { ie.btn_ie_saveClick(); });
       },
       [](P p) {
         EXPECT_EQ(p.Value(RegRoot::CurrentUser, kIEMainKey, "Start Page"), "http://home.example/");
         EXPECT_EQ(p.Value(RegRoot::LocalMachine, kIEKey, "Version"), "11.0");
         EXPECT_TRUE(p.app.ie_settings_page().apply_enabled()) << "not all of it was applied";
       },
       {"Failed to set data for 'Version'"}},
      {"URL shortcuts page: add",
       [](P p) {
         p.app.url_shortcut_page().TabSheet10Show();
         p.app.Run([&] { p.app.url_shortcut_page().ShortcutAddClick("b", "http://b/"); });
       },
       [](P p) {
         EXPECT_EQ(p.Ini(kShortcuts, kUrlShortcutSection, kShortcutNamePrefix), "a|b|");
         EXPECT_EQ(p.Ini(kShortcuts, kUrlShortcutSection, kShortcutUrlPrefix), "http://a/|http://b/|");
       },
       {"新的快捷网址已添加。"}},
      {"URL shortcuts page: delete",
       [](P p) {
         p.app.url_shortcut_page().TabSheet10Show();
         p.app.url_shortcut_page().SetTicked(kBuiltInShortcuts, true);
         p.boxes.script = {BoxAnswer::Yes};
         p.app.Run([&] { p.app.url_shortcut_page().ShortcutDelClick(); });
       },
       [](P p) {
         EXPECT_EQ(p.Ini(kShortcuts, kUrlShortcutSection, kShortcutNamePrefix), "");
         EXPECT_EQ(p.app.url_shortcut_page().UrlShortcut().size(), kBuiltInShortcuts);
       },
       {"你想删除所选的快捷网址吗？"}},
      {"context-menu page: delete (the user's own)",
       [](P p) { p.ActOnEveryRow(p.app.menu_ext_page(), [&] { p.app.menu_ext_page().btn_IE_delMenuClick(); }); },
       [](P p) {
         EXPECT_FALSE(p.MenuKeysPresent());
         EXPECT_TRUE(p.files.FileExists(kBackups + "menu.reg"));
       },
       {"你想删除所选的项目吗？\r\n删除后将不可恢复！"}},
      {"toolbar page: delete a button (machine-wide)",
       [](P p) { p.ActOnEveryRow(p.app.toolbar_page(), [&] { p.app.toolbar_page().btn_IE_delToolbarClick(); }); },
       [](P p) {
         EXPECT_TRUE(p.Exists(RegRoot::LocalMachine, std::string(kButtonListKey) + "\\{B1}"));
         EXPECT_EQ(p.app.toolbar_page().list().size(), 1u);
       },
       {"你想删除或卸载所选的项目吗？\r\n删除后将不可恢复！", NotRemovedText(1, "删除")},
       [](P p) { p.Put(RegRoot::LocalMachine, std::string(kButtonListKey) + "\\{B1}", "ButtonText", "B"); }},
      {"helper-object page: unload (machine-wide)",
       [](P p) { p.ActOnEveryRow(p.app.helper_object_page(), [&] { p.app.helper_object_page().btn_IE_delbhoClick(); }); },
       [](P p) {
         EXPECT_TRUE(p.Exists(RegRoot::LocalMachine, std::string(kHelperObjectListKey) + "\\" + kMachineBho));
         EXPECT_TRUE(p.files.FileExists(kBackups + "bho.reg")) << "written before RegSvr32 ran";
       },
       {"你想卸载所选的浏览器辅助或扩展程序吗？", NotRemovedText(1, "卸载")},
       [](P p) {
         RegKey::Open(p.registry, RegRoot::LocalMachine, std::string(kHelperObjectListKey) + "\\" + kMachineBho, true);
         p.Put(RegRoot::LocalMachine,
               std::string(kMachineClassIdKey) + "\\" + kMachineBho + "\\InprocServer32", "", "C:\\x\\bho.dll");
       }},
      {"start-up page: delete, the user's entries go and the machine's stay",
       [](P p) { p.ActOnEveryRow(p.app.auto_run_page(), [&] { p.app.auto_run_page().btn_IE_delAutoStartClick(); }); },
       [](P p) {
         EXPECT_FALSE(p.Exists(RegRoot::CurrentUser, kRunListKey, "Mine"));
         EXPECT_EQ(p.RunValue(RegRoot::CurrentUser), "");
         EXPECT_TRUE(p.Exists(RegRoot::LocalMachine, kRunListKey, "Machine's"));
         EXPECT_TRUE(p.files.FileExists(kBackups + "autorun.reg"));
       },
       {"你想取消开机自动运行所选的程序吗？", NotRemovedText(1, "删除")},
       [](P p) {
         p.Put(RegRoot::LocalMachine, kRunListKey, "Machine's", "m.exe");
         p.Put(RegRoot::CurrentUser, kRunListKey, "Mine", "u.exe");
       }},
      {"start-up page: export, into the user's own folder",
       [](P p) {
         p.app.auto_run_page().Refresh();
         p.app.Run([&] { p.app.auto_run_page().btn_AutoStart_SaveAsClick(); });
       },
       [](P p) {
         EXPECT_FALSE(p.files.FileExists(kFolder + kAutoRunExportFile));
         EXPECT_NE(p.files.FileBytes(kUserFolder + kAutoRunExportFile).find("u.exe"), std::string::npos);
         ASSERT_EQ(p.shell.calls.size(), 1u);
         EXPECT_EQ(p.shell.calls[0].parameters, "\"" + kUserFolder + kAutoRunExportFile + "\"");
       },
       {kExportedText + kUserFolder + kAutoRunExportFile},
       [](P p) { p.Put(RegRoot::CurrentUser, kRunListKey, "Mine", "u.exe"); }},
  };
}

TEST(SessionWithoutElevation, EveryPageActionSavesTheUsersDataAndShowsOnlyWhatWasDone) {
  for (const PageAction& action : Actions()) {
    SCOPED_TRACE(action.name);
    LimitedSession p;
    p.Start(action.elevated);
    action.act(p);
    action.check(p);
    std::vector<std::string> shown;
    for (const BoxCall& box : p.boxes.shown) shown.push_back(box.text);
    EXPECT_EQ(shown, action.boxes);
  }
}

}  // namespace
}  // namespace orv
