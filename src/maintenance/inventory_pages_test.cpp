// The four inventory pages over the in-memory registry (a 32-bit program on 64-bit Windows):
// one table per behaviour they share, each row a page. Reading a value as text is the registry
// service's ReadString, checked in its conformance suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "maintenance/auto_run_page.h"
#include "maintenance/helper_object_page.h"
#include "maintenance/menu_ext_page.h"
#include "maintenance/registry_backup.h"
#include "maintenance/toolbar_page.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"

namespace orv {
namespace {

using Lines = std::vector<std::string>;
constexpr RegRoot kUser = RegRoot::CurrentUser;
constexpr RegRoot kMachine = RegRoot::LocalMachine;
constexpr RegView kOwn = RegView::Own, k64 = RegView::Bits64;
const std::string kFolder = "C:\\Orvanel\\";
const std::string kUserFolder = "C:\\Users\\u\\AppData\\Local\\Tavrosel\\Orvanel\\";
const std::string kRun = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUserRun = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kMarkedHook = "系统扩展，勿卸载！{cfbfae00-17a6-11d0-99cb-00c04fd64497}";
const std::string kUnregister = "RegSvr32.exe /s /u ";

RegValue Sz(const std::string& text) { return {kRegSz, text}; }
RegValue Expand(const std::string& text) { return {kRegExpandSz, text}; }
RegValue Dword() { return {kRegDword, std::string(4, '\1')}; }

// The text of the error that f raises, or "" when it raises none.
std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const OrvError& e) {
    return e.what();
  }
  return "";
}

enum Kind { kMenu, kToolbar, kHelpers, kAutoRun };

class InventoryPagesTest : public ::testing::Test {
 protected:
  InventoryPage& Page(Kind kind) {
    InventoryPage* pages[] = {&menu, &toolbar, &helpers, &autorun};
    return *pages[kind];
  }
  // A value, or with name nullptr only the key, made along its path.
  void Put(RegRoot root, const std::string& path, const char* name, const RegValue& v = {},
           RegView view = kOwn) {
    auto key = registry.OpenKey(root, path, true, RegAccess::Full, view);
    ASSERT_NE(key, nullptr) << path;
    if (name) {
      ASSERT_TRUE(key->SetValue(name, v)) << path << " " << name;
    }
  }
  void ClassFile(const std::string& id, const RegValue& file, RegView view = kOwn) {
    Put(kMachine, "Software\\Classes\\CLSID\\" + id + "\\InprocServer32", "", file, view);
  }
  std::string Sub(const char* key, const std::string& name) { return key + ("\\" + name); }
  Lines Report(Kind kind) {
    Lines lines;
    for (const CheckRow& row : Page(kind).list().rows())
      lines.push_back(InventoryPage::ReportLine(row));
    return lines;
  }
  // What the page showed (caption: text) and started (program parameters), since the last look.
  Lines Shown() {
    Lines out;
    for (const BoxCall& box : boxes.shown) out.push_back(box.caption + ": " + box.text);
    boxes.shown.clear();
    return out;
  }
  Lines Started() {
    Lines out;
    for (const ShellCall& call : shell.calls)
      out.push_back(call.file + " " + call.parameters +
                    (call.show == ShowCommand::Restore ? " restored"
                     : call.show == ShowCommand::Hide  ? ""
                                                       : " shown"));
    shell.calls.clear();
    return out;
  }
  void Act(Kind kind, const std::vector<int>& ticks, BoxAnswer answer) {
    for (int row : ticks) Page(kind).SetTicked(row, true);
    boxes.script = {answer};
    Page(kind).RunAction();
  }
  // Entries in every source of every page.
  void FillMachine() {
    Put(kUser, Sub(kMenuExtListKey, "当前页面 | 加入"), "", Sz("C:\\a.htm"));
    Put(kUser, Sub(kMenuExtListKey, "Blank"), nullptr);
    Put(kMachine, Sub(kButtonListKey, "{B1}"), "ButtonText", Sz("按钮一"));
    Put(kMachine, Sub(kButtonListKey, "{B1}"), "Exec", Sz("C:\\b1.exe"));
    Put(kMachine, Sub(kButtonListKey, "{B2}"), nullptr);
    Put(kMachine, kToolbarListKey, "{T1}", Sz("栏"));
    ClassFile("{T1}", Sz("C:\\t1.dll"));
    Put(kMachine, kToolbarListKey, "{T2}", Expand("%x%"));  // not a plain string: no text
    Put(kMachine, Sub(kHelperObjectListKey, "{H1}"), nullptr);
    ClassFile("{H1}", Sz("C:\\h1.dll"));
    Put(kMachine, Sub(kHelperObjectListKey, "{H2}"), nullptr);
    ClassFile("{H2}", Sz("C:\\a.dll\" /i \"x"));  // would end RegSvr32's quotes: no file name
    // A helper object is never the protected hook; a hook is in any case of its letters.
    Put(kMachine, Sub(kHelperObjectListKey, kProtectedSearchHook), nullptr);
    Put(kUser, kSearchHookListKey, "{cfbfae00-17a6-11d0-99cb-00c04fd64497}", Sz(""));
    Put(kUser, kSearchHookListKey, "{S2}", Sz(""));
    ClassFile("{S2}", Sz("C:\\s2.dll"));
    Put(kMachine, kRunListKey, "Both", Sz("C:\\m.exe /a | b"));
    Put(kMachine, kRunOnceListKey, "Once", Expand("%windir%\\o.exe"));
    Put(kUser, kRunListKey, "Both", Sz("C:\\u.exe"));
    Put(kUser, kRunOnceListKey, "", Sz("C:\\uo.exe"));
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  RecordingShell shell;
  ScriptedMessageBoxes boxes;
  FixedClock clock;
  InventoryServices services{registry, files, shell, boxes, clock};
  MenuExtPage menu{services, kFolder, kUserFolder};
  ToolbarPage toolbar{services, kFolder, kUserFolder};
  HelperObjectPage helpers{services, kFolder, kUserFolder};
  AutoRunPage autorun{services, kFolder, kUserFolder};
};

const Lines kMenuRows{"1. Blank | ", "2. 当前页面 | 加入 | C:\\a.htm"};
const Lines kToolbarRows{"1. {B1} | 按钮 | 按钮一 | C:\\b1.exe", "2. {B2} | 按钮 |  | ",
                         "3. {T1} | 工具栏 | 栏 | C:\\t1.dll", "4. {T2} | 工具栏 |  | "};
const Lines kHelperRows{std::string("1. ") + kProtectedSearchHook + " | BHO | ",
                        "2. {H1} | BHO | C:\\h1.dll", "3. {H2} | BHO | C:\\a.dll\" /i \"x",
                        "4. " + kMarkedHook + " | 网址监控 | ", "5. {S2} | 网址监控 | C:\\s2.dll"};
const Lines kAutoRunRows{"1. Both | C:\\m.exe /a | b | " + kRun,
                         "2. Once | %windir%\\o.exe | " + kRun + "Once",
                         "3. Both | C:\\u.exe | " + kUserRun, "4.  | C:\\uo.exe | " + kUserRun + "Once"};

TEST_F(InventoryPagesTest, RowsAreNumberedAcrossSourcesAndExportedAsTheReport) {
  FillMachine();
  const struct {
    Kind kind;
    Lines rows;
    const char* file;
  } cases[] = {{kMenu, kMenuRows, "menu.txt"}, {kToolbar, kToolbarRows, "toolbar.txt"},
               {kHelpers, kHelperRows, "ExtentProgram.txt"},
               {kAutoRun, kAutoRunRows, "AutoStart.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Page(c.kind).SetTicked(1, true);
    Page(c.kind).Refresh();  // twice: the same rows, the ticks gone
    Page(c.kind).SetTicked(1, true);
    Page(c.kind).Refresh();
    EXPECT_EQ(Report(c.kind), c.rows);
    EXPECT_TRUE(Page(c.kind).list().TickedFromLast().empty());

    const std::string path = kFolder + c.file;
    Page(c.kind).Export();
    std::string expected;
    for (const std::string& line : c.rows) expected += line + "\r\n";
    EXPECT_EQ(files.FileBytes(path), expected);
    EXPECT_EQ(Shown(), Lines{"已导出: 文件生成在：" + path});
    EXPECT_EQ(Started(), Lines{"notepad.exe \"" + path + "\" restored"});

    // A program folder that cannot be written (a session without elevation): the report goes
    // to the user's folder, and that is the file named and opened.
    const std::string user_path = kUserFolder + c.file;
    files.FailWriteAt(1);
    Page(c.kind).Export();
    EXPECT_EQ(files.FileBytes(user_path), expected);
    EXPECT_EQ(Shown(), Lines{"已导出: 文件生成在：" + user_path});
    EXPECT_EQ(Started(), Lines{"notepad.exe \"" + user_path + "\" restored"});

    // Neither can be written: the error, no dialog, no editor, the old files kept.
    files.RemoveFile(user_path);
    files.FailWriteAt(1, true);
    EXPECT_EQ(ErrorOf([&] { Page(c.kind).Export(); }), "Cannot create file " + user_path);
    files.FailWriteAt(0);
    EXPECT_TRUE(Shown().empty());
    EXPECT_TRUE(Started().empty());
    EXPECT_EQ(files.FileBytes(path), expected);
    EXPECT_FALSE(files.FileExists(user_path));
  }

  // No rows: no file, no dialog, no editor.
  registry.DeleteKey(kUser, kMenuExtListKey);
  files.RemoveFile(kFolder + "menu.txt");
  menu.Refresh();
  menu.Export();
  EXPECT_FALSE(files.FileExists(kFolder + "menu.txt"));
  EXPECT_TRUE(Shown().empty());
  EXPECT_TRUE(Started().empty());
}

TEST_F(InventoryPagesTest, AWrongValueTypeStopsTheRebuildAtItsRowAndTheRowsBeforeAreShown) {
  FillMachine();
  const struct {
    Kind kind;
    std::function<void()> spoil;
    std::string error;
    int rows_kept;
  } cases[] = {
      {kMenu, [&] { Put(kUser, Sub(kMenuExtListKey, "当前页面 | 加入"), "", Dword()); },
       "Invalid data type for ''", 1},
      {kToolbar, [&] { Put(kMachine, Sub(kButtonListKey, "{B2}"), "Exec", Dword()); },
       "Invalid data type for 'Exec'", 1},
      {kHelpers, [&] { ClassFile("{S2}", Dword()); }, "Invalid data type for ''", 4},
      {kAutoRun, [&] { Put(kUser, kRunListKey, "Both", Dword()); },
       "Invalid data type for 'Both'", 2},
      // In the other view such a value reads as empty: it hides no row of the own view.
      {kAutoRun, [&] {
         Put(kUser, kRunListKey, "Both", Sz("C:\\u.exe"));
         Put(kMachine, kRunListKey, "Bad64", Dword(), k64);
       }, "", 5},
      {kToolbar, [&] {
         Put(kMachine, Sub(kButtonListKey, "{B2}"), "Exec", Sz(""));
         Put(kMachine, Sub(kButtonListKey, "{B64}"), "Exec", Dword(), k64);
         ClassFile("{T64}", Dword(), k64);
         Put(kMachine, kToolbarListKey, "{T64}", Sz(""), k64);
       }, "", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    c.spoil();
    int redrawn = 0;
    Page(c.kind).SetRowsChanged([&] { ++redrawn; });
    EXPECT_EQ(ErrorOf([&] { Page(c.kind).Refresh(); }), c.error);
    EXPECT_EQ(Page(c.kind).list().size(), c.rows_kept);
    EXPECT_EQ(redrawn, 1);
  }
}

TEST_F(InventoryPagesTest, TheActionWalksTheTickedRowsFromTheLastThenRebuildsTheList) {
  FillMachine();
  const std::string refusal = "禁止卸载: " + kMarkedHook + "\r\n此程序为默认的系统扩展程序，不能卸载！";
  const struct {
    const char* what;
    Kind kind;
    std::vector<int> ticks;
    BoxAnswer answer;
    Lines shown, started, rows_after;
  } cases[] = {
      {"menu: no", kMenu, {0, 1}, BoxAnswer::No,
       {"确认删除: 你想删除所选的项目吗？\r\n删除后将不可恢复！"}, {}, kMenuRows},
      {"menu: nothing ticked", kMenu, {}, BoxAnswer::Yes, {"确认删除: "}, {}, kMenuRows},
      {"menu: delete", kMenu, {0}, BoxAnswer::Yes, {"确认删除: "}, {},
       {"1. 当前页面 | 加入 | C:\\a.htm"}},
      {"toolbar: nothing ticked", kToolbar, {}, BoxAnswer::Yes,
       {"确认删除: 你想删除或卸载所选的项目吗？\r\n删除后将不可恢复！",
        "已完成: 所选的工具栏/菜单已卸载。\r\n请关闭所有的IE及文件夹窗口再重新打开！"},
       {}, kToolbarRows},
      {"toolbar: a button and two toolbars", kToolbar, {0, 2, 3}, BoxAnswer::Yes,
       {"确认删除: ", "已完成: "}, {kUnregister + "\"\"", kUnregister + "\"C:\\t1.dll\""},
       {"1. {B2} | 按钮 |  | "}},
      {"helpers: no", kHelpers, {3}, BoxAnswer::No,
       {"确认卸载: 你想卸载所选的浏览器辅助或扩展程序吗？"}, {}, kHelperRows},
      // Nothing deleted: the rebuilt list is as before. {H2}'s file cannot be given to
      // RegSvr32, so it cannot be unloaded.
      {"helpers: objects, the protected hook, a hook", kHelpers, {1, 2, 3, 4}, BoxAnswer::Yes,
       {"确认卸载: ", refusal, "未完成: " + NotRemovedText(1, "卸载")},
       {kUnregister + "\"C:\\s2.dll\"", kUnregister + "\"C:\\h1.dll\""}, kHelperRows},
      {"helpers: a hook", kHelpers, {4}, BoxAnswer::Yes,
       {"确认卸载: ", "已完成: 所选的程序已卸载。\r\n请关闭所有的IE及文件夹窗口再重新打开！"},
       {kUnregister + "\"C:\\s2.dll\""}, kHelperRows},
      {"autorun: the user's value of a name both roots hold", kAutoRun, {2}, BoxAnswer::Yes,
       {"确认删除: 你想取消开机自动运行所选的程序吗？", "已完成: 所选的程序已取消开机自动运行。"},
       {}, {kAutoRunRows[0], kAutoRunRows[1], "3.  | C:\\uo.exe | " + kUserRun + "Once"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Page(c.kind).Refresh();
    Act(c.kind, c.ticks, c.answer);
    Lines shown = Shown();
    for (size_t i = 0; i < shown.size() && i < c.shown.size(); ++i)  // "caption: " alone: any text
      if (c.shown[i].back() == ' ') shown[i].resize(std::min(shown[i].size(), c.shown[i].size()));
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(Started(), c.started);
    EXPECT_EQ(Report(c.kind), c.rows_after);
    EXPECT_EQ(Page(c.kind).list().TickedFromLast().empty(), c.answer == BoxAnswer::Yes);
  }
  EXPECT_FALSE(registry.KeyExists(kMachine, Sub(kButtonListKey, "{B1}")));  // with its tree
}

// A session without elevation may not change HKEY_LOCAL_MACHINE: the entries stay, and the
// closing box says how many and why instead of "已完成".
TEST_F(InventoryPagesTest, EntriesStillThereAfterTheActionAreCountedInTheClosingBox) {
  FillMachine();
  registry.SetAccess(kMachine, "Software", MemoryRegistry::Rule::ReadOnly);
  registry.SetAccess(kUser, Sub(kMenuExtListKey, "Blank"), MemoryRegistry::Rule::ReadOnly);
  const struct {
    Kind kind;
    std::vector<int> ticks;
    std::string verb;
    int left;
  } cases[] = {
      {kMenu, {0, 1}, "删除", 1},          // the user's own key goes, the locked one stays
      {kToolbar, {0, 1, 2}, "删除", 3},    // two buttons and a toolbar of the machine
      {kHelpers, {1, 3, 4}, "卸载", 2},    // the protected hook is no entry acted on
      {kAutoRun, {0, 1, 2}, "删除", 2},    // the machine's two; the user's one goes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Page(c.kind).Refresh();
    const int rows = Page(c.kind).list().size();
    Act(c.kind, c.ticks, BoxAnswer::Yes);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().icon, BoxIcon::Warning);
    const Lines shown = Shown();
    ASSERT_EQ(shown.size(), c.kind == kHelpers ? 3u : 2u);
    EXPECT_EQ(shown.back(), "未完成: " + NotRemovedText(c.left, c.verb));
    const int gone = c.kind == kHelpers ? 0 : static_cast<int>(c.ticks.size()) - c.left;
    EXPECT_EQ(Page(c.kind).list().size(), rows - gone);
  }
  EXPECT_EQ(NotRemovedText(2, "删除"),
            "所选的项目中有2项未能删除，需要管理员权限。\r\n请以管理员身份运行本程序后再试。");
}

// The own view's rows come first, exactly as on a machine with one view; the other view's
// follow, and each acts in its own view, a library by the RegSvr32 of its view.
TEST_F(InventoryPagesTest, MachineSourcesAreReadInBothViewsAndActedOnWhereEachRowLives) {
  Put(kMachine, Sub(kButtonListKey, "{B1}"), "ButtonText", Sz("一"));
  Put(kMachine, Sub(kButtonListKey, "{B1}"), "ButtonText", Sz("六四"), k64);
  Put(kMachine, kToolbarListKey, "{T1}", Sz(""), k64);
  Put(kMachine, kToolbarListKey, "{T2}", Sz("二"));
  ClassFile("{T1}", Sz("C:\\64.dll"), k64);
  Put(kMachine, Sub(kHelperObjectListKey, "{H1}"), nullptr, {}, k64);
  ClassFile("{H1}", Sz("C:\\h64.dll"), k64);
  // A hook whose class only the 64-bit view has, and one of both views.
  Put(kUser, kSearchHookListKey, "{S64}", Sz(""));
  ClassFile("{S64}", Sz("C:\\s64.dll"), k64);
  Put(kUser, kSearchHookListKey, "{S2}", Sz(""));
  ClassFile("{S2}", Sz("C:\\s2.dll"));
  ClassFile("{S2}", Sz("C:\\s2-64.dll"), k64);
  Put(kMachine, kRunListKey, "A", Sz("a.exe"));
  Put(kMachine, kRunListKey, "A", Sz("a64.exe"), k64);
  Put(kUser, kRunListKey, "U", Sz("u.exe"));
  const std::string sysnative = "%windir%\\Sysnative\\regsvr32.exe /s /u ";
  const struct {
    Kind kind;
    Lines rows;
    std::vector<int> ticks;
    Lines rows_after, started;
  } cases[] = {
      {kToolbar,
       {"1. {B1} | 按钮 | 一 | ", "2. {T2} | 工具栏 | 二 | ", "3. [64位] {B1} | 按钮 | 六四 | ",
        "4. [64位] {T1} | 工具栏 |  | C:\\64.dll"},
       {2, 3}, {"1. {B1} | 按钮 | 一 | ", "2. {T2} | 工具栏 | 二 | "},
       {sysnative + "\"C:\\64.dll\""}},
      {kHelpers,
       {"1. {S64} | 网址监控 | ", "2. {S2} | 网址监控 | C:\\s2.dll",
        "3. [64位] {H1} | BHO | C:\\h64.dll", "4. [64位] {S64} | 网址监控 | C:\\s64.dll",
        "5. [64位] {S2} | 网址监控 | C:\\s2-64.dll"},
       {1, 2, 3}, {},
       {sysnative + "\"C:\\s64.dll\"", sysnative + "\"C:\\h64.dll\"", kUnregister + "\"C:\\s2.dll\""}},
      {kAutoRun,
       {"1. A | a.exe | " + kRun, "2. U | u.exe | " + kUserRun, "3. A | a64.exe | [64位] " + kRun},
       {2}, {"1. A | a.exe | " + kRun, "2. U | u.exe | " + kUserRun}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Page(c.kind).Refresh();
    EXPECT_EQ(Report(c.kind), c.rows);
    Act(c.kind, c.ticks, BoxAnswer::Yes);
    EXPECT_EQ(Report(c.kind), c.kind == kHelpers ? c.rows : c.rows_after);
    EXPECT_EQ(Started(), c.started);
  }
  RegValue kept;
  EXPECT_TRUE(registry.OpenKey(kMachine, kRunListKey, false, RegAccess::Read)->QueryValue("A", &kept));

  // A 64-bit program's other view is the 32-bit one, whose RegSvr32 is in SysWOW64.
  MemoryRegistry own64(MemoryRegistry::Machine::TwoViewsOwn64);
  HelperObjectPage helpers64({own64, files, shell, boxes, clock}, kFolder, kUserFolder);
  own64.OpenKey(kMachine, Sub(kHelperObjectListKey, "{H}"), true, RegAccess::Full, RegView::Bits32);
  own64.OpenKey(kMachine, "Software\\Classes\\CLSID\\{H}\\InprocServer32", true, RegAccess::Full,
                RegView::Bits32)->SetValue("", Sz("C:\\h32.dll"));
  helpers64.Refresh();
  helpers64.SetTicked(0, true);
  boxes.script = {BoxAnswer::Yes};
  helpers64.RunAction();
  EXPECT_EQ(Started(), Lines{"%windir%\\SysWOW64\\regsvr32.exe /s /u \"C:\\h32.dll\""});
  EXPECT_EQ(InventoryPage::ReportLine(helpers64.list().row(0)), "1. [32位] {H} | BHO | C:\\h32.dll");

  // On a machine with one view every view is that one: no row twice, none marked.
  MemoryRegistry one(MemoryRegistry::Machine::OneView);
  AutoRunPage single({one, files, shell, boxes, clock}, kFolder, kUserFolder);
  ASSERT_TRUE(one.OpenKey(kMachine, kRunListKey, true, RegAccess::Full, k64)->SetValue("A", Sz("a")));
  single.Refresh();
  ASSERT_EQ(single.list().size(), 1);
  EXPECT_EQ(InventoryPage::ReportLine(single.list().row(0)), "1. A | a | " + kRun);
}

// A name may begin with the text of a view's mark: the row still acts on its own entry.
TEST_F(InventoryPagesTest, AMarkInANameIsNoView) {
  Put(kMachine, kToolbarListKey, "[64位] {T}", Sz("own"));
  Put(kMachine, kToolbarListKey, "{T}", Sz("64"), k64);
  Put(kMachine, Sub(kButtonListKey, "[64位] {B}"), "ButtonText", Sz("own"));
  Put(kMachine, Sub(kButtonListKey, "{B}"), "ButtonText", Sz("64"), k64);
  toolbar.Refresh();
  EXPECT_EQ(Report(kToolbar),
            (Lines{"1. [64位] {B} | 按钮 | own | ", "2. [64位] {T} | 工具栏 | own | ",
                   "3. [64位] {B} | 按钮 | 64 | ", "4. [64位] {T} | 工具栏 | 64 | "}));
  Act(kToolbar, {0, 1}, BoxAnswer::Yes);
  EXPECT_EQ(Report(kToolbar),
            (Lines{"1. [64位] {B} | 按钮 | 64 | ", "2. [64位] {T} | 工具栏 | 64 | "}));
  EXPECT_EQ(Started(), Lines{kUnregister + "\"\""});  // the own view's RegSvr32
}

// A modal box during the walk lets the window be shown again, which rebuilds the list: the
// walk goes on with the rows that were ticked when it began.
TEST_F(InventoryPagesTest, ABoxDuringTheWalkCannotMakeItActOnOtherRows) {
  FillMachine();
  helpers.Refresh();
  // The tray's "显示" while "禁止卸载" is open, after {H1}'s entry went away meanwhile.
  boxes.while_open = [&](const BoxCall& box) {
    if (box.caption != "禁止卸载") return;
    registry.DeleteKey(kMachine, Sub(kHelperObjectListKey, "{H1}"));
    helpers.TabSheet8Show();
  };
  Act(kHelpers, {1, 3}, BoxAnswer::Yes);
  EXPECT_EQ(Started(), Lines{kUnregister + "\"C:\\h1.dll\""});
  EXPECT_EQ(Shown().back(), "已完成: 所选的程序已卸载。\r\n请关闭所有的IE及文件夹窗口再重新打开！");
  EXPECT_EQ(helpers.list().size(), 4);
}

// Before a delete the page writes what it is about to delete into a backup of its own.
TEST_F(InventoryPagesTest, EveryDeleteFirstWritesABackupOfWhatItDeletes) {
  FillMachine();
  Put(kUser, Sub(kMenuExtListKey, "Blank\\Sub"), "Contexts", Dword());
  ClassFile("{H1}", Sz("C:\\h1.dll"));
  const std::string folder = kUserFolder + "backup\\20251209-120000 ";
  const std::string run = "[HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\"
                          "CurrentVersion\\Run]\r\n\"Both\"=\"C:\\\\m.exe /a | b\"\r\n\r\n";
  const std::string classes = "[HKEY_LOCAL_MACHINE\\Software\\Classes\\WOW6432Node\\CLSID\\";
  const struct {
    Kind kind;
    std::vector<int> ticks;
    std::string file, text;
  } cases[] = {
      {kMenu, {0}, "menu.reg",
       "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\Blank]\r\n\r\n"
       "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\Blank\\Sub]\r\n"
       "\"Contexts\"=dword:01010101\r\n\r\n"},
      // The toolbar's class key goes with its unregistration.
      {kToolbar, {2}, "toolbar.reg",
       classes + "{T1}]\r\n\r\n" + classes + "{T1}\\InprocServer32]\r\n@=\"C:\\\\t1.dll\"\r\n\r\n"
       "[HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Internet Explorer\\Toolbar]\r\n"
       "\"{T1}\"=\"栏\"\r\n\r\n"},
      // The protected hook is not unloaded: nothing of it.
      {kHelpers, {1, 3}, "bho.reg",
       classes + "{H1}]\r\n\r\n" + classes + "{H1}\\InprocServer32]\r\n@=\"C:\\\\h1.dll\"\r\n\r\n"
       "[HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\"
       "Explorer\\Browser Helper Objects\\{H1}]\r\n\r\n"},
      {kAutoRun, {0}, "autorun.reg", run},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Page(c.kind).Refresh();
    Act(c.kind, c.ticks, BoxAnswer::Yes);
    EXPECT_EQ(files.FileBytes(folder + c.file), "REGEDIT4\r\n\r\n" + c.text);
  }
  EXPECT_FALSE(registry.KeyExists(kUser, Sub(kMenuExtListKey, "Blank")));

  // Nothing ticked, or only what is not acted on: nothing to back up, no file.
  Act(kHelpers, {3}, BoxAnswer::Yes);
  Act(kMenu, {}, BoxAnswer::Yes);
  EXPECT_FALSE(files.FileExists(folder + "bho (2).reg"));
  EXPECT_FALSE(files.FileExists(folder + "menu (2).reg"));
}

// A backup that cannot be written stops the delete before anything goes.
TEST_F(InventoryPagesTest, ABackupThatCannotBeWrittenStopsTheDelete) {
  FillMachine();
  for (Kind kind : {kMenu, kToolbar, kHelpers, kAutoRun}) {
    SCOPED_TRACE(kind);
    Page(kind).Refresh();
    const Lines before = Report(kind);
    files.FailWriteAt(1, true);
    for (int row = 0; row < Page(kind).list().size(); ++row) Page(kind).SetTicked(row, true);
    boxes.script = {BoxAnswer::Yes};
    const std::string error = ErrorOf([&] { Page(kind).RunAction(); });
    files.FailWriteAt(0);
    EXPECT_EQ(error.rfind("Cannot create file " + kUserFolder + "backup\\20251209-120000 ", 0), 0u)
        << error;
    EXPECT_EQ(Shown().size(), 1u);  // the question only
    EXPECT_TRUE(Started().empty());
    Page(kind).Refresh();
    EXPECT_EQ(Report(kind), before);
  }
}

}  // namespace
}  // namespace orv
