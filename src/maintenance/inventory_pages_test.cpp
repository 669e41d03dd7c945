// The four inventory pages over the in-memory registry: one table per behaviour they share
// (rows, reading values as text, the batch action, the export), then what single pages add.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "maintenance/auto_run_page.h"
#include "maintenance/helper_object_page.h"
#include "maintenance/menu_ext_page.h"
#include "maintenance/toolbar_page.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"

namespace orv {
namespace {

constexpr RegRoot kUser = RegRoot::CurrentUser;
constexpr RegRoot kMachine = RegRoot::LocalMachine;
const std::string kFolder = "C:\\Orvanel\\";
const std::string kRun = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunOnce = kRun + "Once";
const std::string kUserRun = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUserRunOnce = kUserRun + "Once";

RegValue Sz(const std::string& text) { return {kRegSz, text}; }
RegValue Expand(const std::string& text) { return {kRegExpandSz, text}; }
RegValue Dword() { return {kRegDword, std::string(4, '\1')}; }

enum Kind { kMenu, kToolbar, kHelpers, kAutoRun };

class InventoryPagesTest : public ::testing::Test {
 protected:
  InventoryPage& Page(Kind kind) {
    InventoryPage* pages[] = {&menu, &toolbar, &helpers, &autorun};
    return *pages[kind];
  }
  void Put(RegRoot root, const std::string& path, const std::string& name, const RegValue& v) {
    auto key = registry.OpenKey(root, path, true);
    ASSERT_NE(key, nullptr) << path;
    ASSERT_TRUE(key->SetValue(name, v)) << path << " " << name;
  }
  void MakeKey(RegRoot root, const std::string& path) { ASSERT_NE(registry.OpenKey(root, path, true), nullptr); }
  void MenuEntry(const std::string& name, const RegValue* file) {
    const std::string path = std::string(kMenuExtListKey) + "\\" + name;
    if (file) Put(kUser, path, "", *file); else MakeKey(kUser, path);
  }
  void Button(const std::string& id, const std::string& text, const std::string& exec) {
    const std::string path = std::string(kButtonListKey) + "\\" + id;
    Put(kMachine, path, "ButtonText", Sz(text));
    if (!exec.empty()) Put(kMachine, path, "Exec", Sz(exec));
  }
  void ClassFile(const std::string& id, const RegValue& file) {
    Put(kMachine, "Software\\Classes\\CLSID\\" + id + "\\InprocServer32", "", file);
  }
  void HelperObject(const std::string& id) {
    MakeKey(kMachine, std::string(kHelperObjectListKey) + "\\" + id);
  }
  void SearchHook(const std::string& id) { Put(kUser, kSearchHookListKey, id, Sz("")); }
  void Tick(Kind kind, std::initializer_list<int> rows) {
    for (int row : rows) Page(kind).SetTicked(row, true);
  }
  std::vector<std::string> Lines(Kind kind) {
    std::vector<std::string> lines;
    for (const CheckRow& row : Page(kind).list().rows()) lines.push_back(InventoryPage::ReportLine(row));
    return lines;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const BoxCall& box : boxes.shown) captions.push_back(box.caption);
    return captions;
  }
  std::vector<std::string> ShellParameters() const {
    std::vector<std::string> parameters;
    for (const ShellCall& call : shell.calls) parameters.push_back(call.file + " " + call.parameters);
    return parameters;
  }
  // A machine with entries in every source of every page.
  void FillMachine() {
    RegValue page = Sz("C:\\a.htm");
    MenuEntry("当前页面 | 加入", &page);
    MenuEntry("Blank", nullptr);
    Button("{B1}", "按钮一", "C:\\b1.exe");
    Button("{B2}", "", "");
    Put(kMachine, kToolbarListKey, "{T1}", Sz("栏"));
    ClassFile("{T1}", Sz("C:\\t1.dll"));
    Put(kMachine, kToolbarListKey, "{T2}", Expand("%x%"));
    HelperObject("{H1}");
    ClassFile("{H1}", Sz("C:\\h1.dll"));
    HelperObject(kProtectedSearchHook);  // a helper object is never the protected hook
    SearchHook("{cfbfae00-17a6-11d0-99cb-00c04fd64497}");
    SearchHook("{S2}");
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
  InventoryServices services{registry, files, shell, boxes};
  MenuExtPage menu{services, kFolder};
  ToolbarPage toolbar{services, kFolder};
  HelperObjectPage helpers{services, kFolder};
  AutoRunPage autorun{services, kFolder};
};

TEST_F(InventoryPagesTest, RowsAreNumberedAcrossSourcesWithEveryCellPresent) {
  FillMachine();
  const std::string marked = std::string(kProtectedMarker) + "{cfbfae00-17a6-11d0-99cb-00c04fd64497}";
  const struct {
    Kind kind;
    std::vector<std::string> lines;
  } cases[] = {
      {kMenu, {"1. Blank | ", "2. 当前页面 | 加入 | C:\\a.htm"}},
      {kToolbar,
       {"1. {B1} | 按钮 | 按钮一 | C:\\b1.exe", "2. {B2} | 按钮 |  | ", "3. {T1} | 工具栏 | 栏 | C:\\t1.dll",
        "4. {T2} | 工具栏 |  | "}},
      {kHelpers,
       {std::string("1. ") + kProtectedSearchHook + " | BHO | ", "2. {H1} | BHO | C:\\h1.dll",
        "3. " + marked + " | 网址监控 | ", "4. {S2} | 网址监控 | C:\\s2.dll"}},
      {kAutoRun,
       {"1. Both | C:\\m.exe /a | b | " + kRun, "2. Once | %windir%\\o.exe | " + kRunOnce,
        "3. Both | C:\\u.exe | " + kUserRun, "4.  | C:\\uo.exe | " + kUserRunOnce}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Page(c.kind).Refresh();
    EXPECT_EQ(Lines(c.kind), c.lines);
    for (const CheckRow& row : Page(c.kind).list().rows())
      EXPECT_EQ(row.cells.size(), Page(c.kind).layout().columns.size());
    Tick(c.kind, {0, 1});
    Page(c.kind).Refresh();  // the same rows again, ticks gone
    EXPECT_EQ(Lines(c.kind), c.lines);
    EXPECT_TRUE(Page(c.kind).list().TickedFromLast().empty());
  }
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(InventoryPagesTest, ValuesReadAsTextUnderOneRule) {
  const struct {
    const char* what;
    bool present;
    RegValue value;
    std::string cell;  // or the error's text
    bool error;
  } cases[] = {
      {"absent", false, {}, "", false},
      {"string without data", true, {kRegSz, ""}, "", false},
      {"cut at the first NUL", true, {kRegSz, std::string("a.htm\0junk", 10)}, "a.htm", false},
      {"expandable, unexpanded", true, Expand("%windir%\\a.htm"), "%windir%\\a.htm", false},
      {"binary without data", true, {kRegBinary, ""}, "", false},
      {"number", true, Dword(), "Invalid data type for ''", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registry.DeleteKey(kUser, kMenuExtListKey);
    MenuEntry("A first", nullptr);
    MenuEntry("B entry", c.present ? &c.value : nullptr);
    MenuEntry("C after", nullptr);
    if (c.error) {
      try {
        menu.Refresh();
        ADD_FAILURE() << "no error";
      } catch (const RegistryError& e) {
        EXPECT_EQ(std::string(e.what()), c.cell);
      }
      EXPECT_EQ(Lines(kMenu), std::vector<std::string>{"1. A first | "});  // rows before it stay
    } else {
      menu.Refresh();
      ASSERT_EQ(menu.list().size(), 3);
      EXPECT_EQ(menu.list().row(1).cells[MenuExtPage::kFile], c.cell);
    }
  }
}

TEST_F(InventoryPagesTest, AWrongValueTypeStopsEveryPageAtThatRowAndTheListIsRedrawn) {
  FillMachine();
  const struct {
    Kind kind;
    std::function<void()> spoil;
    std::string error;
    int rows_kept;
  } cases[] = {
      {kToolbar, [&] { Put(kMachine, std::string(kButtonListKey) + "\\{B2}", "Exec", Dword()); },
       "Invalid data type for 'Exec'", 1},
      {kHelpers, [&] { ClassFile("{S2}", Dword()); }, "Invalid data type for ''", 3},
      {kAutoRun, [&] { Put(kUser, kRunListKey, "Both", Dword()); }, "Invalid data type for 'Both'", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    c.spoil();
    int redrawn = 0;
    Page(c.kind).SetRowsChanged([&] { ++redrawn; });
    try {
      Page(c.kind).Refresh();
      ADD_FAILURE() << "no error";
    } catch (const RegistryError& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
    EXPECT_EQ(Page(c.kind).list().size(), c.rows_kept);
    EXPECT_EQ(redrawn, 1);
  }
}

TEST_F(InventoryPagesTest, TheActionWalksTheTickedRowsFromTheLastThenRebuildsTheList) {
  FillMachine();
  const std::string unregister = "RegSvr32.exe /s /u ";
  const struct {
    const char* what;
    Kind kind;
    std::vector<int> ticks;
    BoxAnswer answer;
    std::vector<std::string> captions;
    std::vector<std::string> started;
    std::vector<std::string> lines_after;
  } cases[] = {
      {"menu: no", kMenu, {0, 1}, BoxAnswer::No, {"确认删除"}, {},
       {"1. Blank | ", "2. 当前页面 | 加入 | C:\\a.htm"}},
      {"menu: nothing ticked", kMenu, {}, BoxAnswer::Yes, {"确认删除"}, {},
       {"1. Blank | ", "2. 当前页面 | 加入 | C:\\a.htm"}},
      {"menu: delete", kMenu, {0}, BoxAnswer::Yes, {"确认删除"}, {},
       {"1. 当前页面 | 加入 | C:\\a.htm"}},
      {"toolbar: nothing ticked", kToolbar, {}, BoxAnswer::Yes, {"确认删除", "已完成"}, {},
       {"1. {B1} | 按钮 | 按钮一 | C:\\b1.exe", "2. {B2} | 按钮 |  | ",
        "3. {T1} | 工具栏 | 栏 | C:\\t1.dll", "4. {T2} | 工具栏 |  | "}},
      {"toolbar: a button and two toolbars", kToolbar, {0, 2, 3}, BoxAnswer::Yes,
       {"确认删除", "已完成"}, {unregister + "\"\"", unregister + "\"C:\\t1.dll\""},
       {"1. {B2} | 按钮 |  | "}},
      {"helpers: no", kHelpers, {3}, BoxAnswer::No, {"确认卸载"}, {}, {}},
      {"helpers: protected hook, object and hook", kHelpers, {1, 2, 3}, BoxAnswer::Yes,
       {"确认卸载", "禁止卸载", "已完成"},
       {unregister + "\"C:\\s2.dll\"", unregister + "\"C:\\h1.dll\""}, {}},
      {"autorun: the user's value of a name both roots hold", kAutoRun, {2}, BoxAnswer::Yes,
       {"确认删除", "已完成"}, {},
       {"1. Both | C:\\m.exe /a | b | " + kRun, "2. Once | %windir%\\o.exe | " + kRunOnce,
        "3.  | C:\\uo.exe | " + kUserRunOnce}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Page(c.kind).Refresh();
    const std::vector<std::string> before = Lines(c.kind);
    for (int row : c.ticks) Page(c.kind).SetTicked(row, true);
    boxes.shown.clear();
    shell.calls.clear();
    boxes.script = {c.answer};
    Page(c.kind).RunAction();
    EXPECT_EQ(Captions(), c.captions);
    EXPECT_EQ(ShellParameters(), c.started);
    for (const ShellCall& call : shell.calls) EXPECT_EQ(call.show, ShowCommand::Hide);
    // The helper page deletes nothing: its list is rebuilt as it was. On No nothing changes.
    const bool unchanged = c.kind == kHelpers || c.answer == BoxAnswer::No;
    EXPECT_EQ(Lines(c.kind), unchanged ? before : c.lines_after);
    EXPECT_EQ(Page(c.kind).list().TickedFromLast().empty(), c.answer == BoxAnswer::Yes);
  }
  // The deleted button took its key with everything below it.
  EXPECT_FALSE(registry.KeyExists(kMachine, std::string(kButtonListKey) + "\\{B1}"));
}

TEST_F(InventoryPagesTest, DeniedMachineKeysKeepTheirRowsAndTheResultIsShownAllTheSame) {
  FillMachine();
  registry.SetAccess(kMachine, "Software", MemoryRegistry::Rule::ReadOnly);
  for (Kind kind : {kToolbar, kAutoRun}) {
    SCOPED_TRACE(kind);
    Page(kind).Refresh();
    const std::vector<std::string> before = Lines(kind);
    Tick(kind, {0, 1});
    boxes.shown.clear();
    boxes.script = {BoxAnswer::Yes};
    Page(kind).RunAction();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"确认删除", "已完成"}));
    EXPECT_EQ(Lines(kind), before);
  }
}

TEST_F(InventoryPagesTest, ExportWritesTheReportOpensItAndStopsWhenTheFileCannotBeMade) {
  FillMachine();
  const struct {
    Kind kind;
    const char* file;
    std::string bytes;
  } cases[] = {
      {kMenu, "menu.txt", "1. Blank | \r\n2. 当前页面 | 加入 | C:\\a.htm\r\n"},
      {kToolbar, "toolbar.txt", ""},
      {kHelpers, "ExtentProgram.txt", ""},
      {kAutoRun, "AutoStart.txt", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = kFolder + c.file;
    Page(c.kind).Refresh();
    boxes.shown.clear();
    shell.calls.clear();
    Page(c.kind).Export();
    std::string expected = c.bytes;
    if (expected.empty())
      for (const std::string& line : Lines(c.kind)) expected += line + "\r\n";
    EXPECT_EQ(files.FileBytes(path), expected);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "文件生成在：" + path);
    EXPECT_EQ(boxes.shown[0].caption, "已导出");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Information);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(ShellParameters()[0], "notepad.exe \"" + path + "\"");
    EXPECT_EQ(shell.calls[0].operation, "open");
    EXPECT_EQ(shell.calls[0].show, ShowCommand::Restore);

    // A file that cannot be made: the error, no dialog, no editor, the old file kept.
    files.FailWriteAt(1);
    boxes.shown.clear();
    shell.calls.clear();
    try {
      Page(c.kind).Export();
      ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file " + path);
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(files.FileBytes(path), expected);
  }

  // No rows: no file, no dialog, no editor.
  registry.DeleteKey(kUser, kMenuExtListKey);
  files.RemoveFile(kFolder + "menu.txt");
  menu.Refresh();
  boxes.shown.clear();
  shell.calls.clear();
  menu.Export();
  EXPECT_FALSE(files.FileExists(kFolder + "menu.txt"));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(InventoryPagesTest, AFileTextThatCannotStandInQuotesIsNeverHandedToRegSvr32) {
  HelperObject("{Q1}");
  ClassFile("{Q1}", Sz("C:\\a.dll\" /i \"x"));
  HelperObject("{Q2}");
  ClassFile("{Q2}", Sz("C:\\dir\\"));
  HelperObject("{Q3}");
  ClassFile("{Q3}", Sz("C:\\ok.dll"));
  helpers.Refresh();
  Tick(kHelpers, {0, 1, 2});
  boxes.script = {BoxAnswer::Yes};
  helpers.RunAction();
  EXPECT_EQ(ShellParameters(), std::vector<std::string>{"RegSvr32.exe /s /u \"C:\\ok.dll\""});
  EXPECT_EQ(Captions(), (std::vector<std::string>{"确认卸载", "已完成"}));
}

TEST_F(InventoryPagesTest, TheProtectedHookIsRefusedByName) {
  SearchHook("{CFBFAE00-17A6-11D0-99CB-00C04FD64497}");
  helpers.Refresh();
  Tick(kHelpers, {0});
  boxes.script = {BoxAnswer::Yes};
  helpers.RunAction();
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[1].text,
            "系统扩展，勿卸载！{CFBFAE00-17A6-11D0-99CB-00C04FD64497}\r\n"
            "此程序为默认的系统扩展程序，不能卸载！");
  EXPECT_EQ(boxes.shown[1].icon, BoxIcon::Warning);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_FALSE(IsProtectedSearchHook("{CFBFAE00-17A6-11D0-99CB-00C04FD6449}"));
}

}  // namespace
}  // namespace orv
