#include "maintenance/activex_page.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/errors.h"
#include "lists/ini_array.h"
#include "maintenance/kill_bits.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"

namespace orv {
namespace {

const std::string kIni = "C:\\Orvanel\\conf\\antix_data.ini";
using Items = std::vector<std::string>;

// Class identifiers of the test entries.
const char kA[] = "AAAAAAAA-0000-0000-0000-000000000001";
const char kB[] = "BBBBBBBB-0000-0000-0000-000000000002";
const char kC[] = "CCCCCCCC-0000-0000-0000-000000000003";

class ActiveXPageTest : public ::testing::Test {
 protected:
  ActiveXPageTest() { WriteList({"one", "two", "three"}, {kA, kB, kC}); }

  void WriteList(const Items& names, const Items& clsids) {
    std::string text = "[List]\r\n";
    for (size_t i = 0; i < names.size(); ++i) text += "x" + std::to_string(i) + "=" + names[i] + "\r\n";
    for (size_t i = 0; i < clsids.size(); ++i) text += "v" + std::to_string(i) + "=" + clsids[i] + "\r\n";
    files.SetFile(kIni, text);
  }
  Items Run(const char* prefix) { return TIniArray(files, kIni, "List", prefix).Items(); }
  // In the given views; by default in both, as a kill-bit update writes it.
  void SetFlags(const std::string& clsid, const RegValue& value,
                std::vector<RegView> views = {RegView::Bits32, RegView::Bits64}) {
    for (RegView view : views) {
      auto key = registry.OpenKey(RegRoot::LocalMachine, KillBitKeyPath(clsid), true,
                                  RegAccess::Full, view);
      ASSERT_TRUE(key && key->SetValue(kCompatibilityFlags, value));
    }
  }
  static RegValue Dword(uint32_t v) { return {kRegDword, std::string(reinterpret_cast<char*>(&v), 4)}; }
  bool Exists(const std::string& clsid, RegView view = RegView::Own) {
    return registry.KeyExists(RegRoot::LocalMachine, KillBitKeyPath(clsid), view);
  }
  uint32_t Flags(const std::string& clsid, RegView view = RegView::Own) {
    RegValue v;
    auto key = registry.OpenKey(RegRoot::LocalMachine, KillBitKeyPath(clsid), false,
                                RegAccess::Read, view);
    if (!key || !key->QueryValue(kCompatibilityFlags, &v) || v.type != kRegDword) return 0;
    uint32_t u;
    std::memcpy(&u, v.data.data(), 4);
    return u;
  }
  std::string State(int row) { return page.mainlist().row(row).cells[kActiveXState]; }
  void Tick(std::initializer_list<int> rows) {
    for (int r : rows) page.SetTicked(r, true);
  }

  MemoryFileSystem files;
  MemoryRegistry registry;
  ScriptedMessageBoxes boxes;
  ActiveXPage page{files, registry, boxes, "C:\\Orvanel\\"};
};

TEST_F(ActiveXPageTest, OnlyExactly0x400DwordCountsAsImmune) {
  struct Case {
    const char* what;
    RegValue flags;
    bool immune;
  } cases[] = {
      {"0x400", Dword(0x400), true},
      {"0x401: equality, not a bit test", Dword(0x401), false},
      {"a text value", {kRegSz, "1024"}, false},
      {"an eight-byte value of the DWORD type", {kRegDword, std::string(8, '\0')}, false},
  };
  for (const Case& c : cases) {
    SetFlags(kA, c.flags);
    EXPECT_EQ(HasKillBit(registry, kA), c.immune) << c.what;
  }
  EXPECT_FALSE(HasKillBit(registry, kB)) << "no key";
  EXPECT_EQ(KillBitKeyPath(kA),
            std::string("\\SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{") + kA + "}");
}

TEST(KillBitViews, ImmuneOnlyWhenEveryViewOfTheMachineHoldsTheKillBit) {
  const RegValue on{kRegDword, std::string("\x00\x04\x00\x00", 4)};
  struct Case {
    MemoryRegistry::Machine machine;
    std::vector<RegView> set_in;
    bool immune;
  } cases[] = {
      {MemoryRegistry::Machine::OneView, {RegView::Own}, true},
      {MemoryRegistry::Machine::TwoViewsOwn32, {RegView::Bits32}, false},
      {MemoryRegistry::Machine::TwoViewsOwn32, {RegView::Bits64}, false},
      {MemoryRegistry::Machine::TwoViewsOwn32, {RegView::Bits32, RegView::Bits64}, true},
      {MemoryRegistry::Machine::TwoViewsOwn64, {RegView::Bits64}, false},
      {MemoryRegistry::Machine::TwoViewsOwn64, {RegView::Bits64, RegView::Bits32}, true},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry(c.machine);
    for (RegView view : c.set_in)
      ASSERT_TRUE(registry.OpenKey(RegRoot::LocalMachine, KillBitKeyPath(kA), true,
                                   RegAccess::Full, view)->SetValue(kCompatibilityFlags, on));
    EXPECT_EQ(HasKillBit(registry, kA), c.immune) << static_cast<int>(c.machine) << " "
                                                  << c.set_in.size();
  }
}

TEST_F(ActiveXPageTest, ImmuniseAndReleaseCoverBothViews) {
  SetFlags(kA, Dword(0x400), {RegView::Bits64});  // only a 64-bit browser is kept from kA
  page.btnRefreshClick();
  EXPECT_EQ(State(0), kNotImmune);
  Tick({0, 1});
  page.btnSetClick();
  for (RegView view : {RegView::Bits32, RegView::Bits64}) {
    EXPECT_EQ(Flags(kA, view), 0x400u);
    EXPECT_EQ(Flags(kB, view), 0x400u);
  }
  page.btnRefreshClick();
  EXPECT_EQ(State(0), kImmune);

  ASSERT_TRUE(registry.DeleteKey(RegRoot::LocalMachine, KillBitKeyPath(kB), RegView::Bits32));
  Tick({0, 1, 2});
  boxes.shown.clear();
  page.btnUnSetClick();
  for (RegView view : {RegView::Bits32, RegView::Bits64}) {
    EXPECT_FALSE(Exists(kA, view));
    EXPECT_FALSE(Exists(kB, view));
  }
  EXPECT_EQ(boxes.shown[0].text, "已取消免疫项目：2") << "kB counts: removed from one view";
}

TEST_F(ActiveXPageTest, FirstShowFillsRowsInFileOrderAndLaterShowsKeepThem) {
  SetFlags(kB, Dword(0x400));
  page.TabSheet4Show();
  ASSERT_EQ(page.mainlist().size(), 3);
  EXPECT_EQ(page.mainlist().row(1).cells, (Items{"two", kB, kImmune}));
  EXPECT_EQ(State(0), kNotImmune);
  EXPECT_TRUE(page.DrawsAsNotImmune(0));
  EXPECT_FALSE(page.DrawsAsNotImmune(1));
  EXPECT_FALSE(page.DrawsAsNotImmune(7));

  SetFlags(kA, Dword(0x400));  // changed outside: shows only after 刷新
  page.SetTicked(2, true);
  page.TabSheet4Show();
  EXPECT_EQ(State(0), kNotImmune);
  EXPECT_TRUE(page.mainlist().IsTicked(2));
  page.btnRefreshClick();
  EXPECT_EQ(State(0), kImmune);
  EXPECT_TRUE(page.mainlist().TickedFromLast().empty());
}

TEST_F(ActiveXPageTest, ANameWithoutClassIdentifierShowsAnEmptyCell) {
  WriteList({"one", "two"}, {kA});
  page.btnRefreshClick();
  ASSERT_EQ(page.mainlist().size(), 2);
  EXPECT_EQ(page.mainlist().row(1).cells, (Items{"two", "", kNotImmune}));
  // Deleting that row removes the name only; the runs stay paired.
  boxes.script = {BoxAnswer::Yes};
  Tick({1});
  page.btnDelClick();
  EXPECT_EQ(Run("x"), Items{"one"});
  EXPECT_EQ(Run("v"), Items{kA});
}

TEST_F(ActiveXPageTest, ImmuniseWritesExactly0x400AndCountsEveryTickedRow) {
  SetFlags(kA, Dword(0x401));
  SetFlags(kB, Dword(0x400));
  page.btnRefreshClick();
  Tick({0, 1});
  page.btnSetClick();
  EXPECT_EQ(Flags(kA), 0x400u);
  EXPECT_EQ(Flags(kB), 0x400u);
  EXPECT_FALSE(Exists(kC));
  EXPECT_EQ(State(0), kImmune);
  EXPECT_EQ(State(2), kNotImmune);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "已免疫项目：2");
  EXPECT_EQ(boxes.shown[0].caption, "免疫完成");
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Information);
}

TEST_F(ActiveXPageTest, ImmuniseWithoutAdministratorRightsStopsWithTheRegistryError) {
  page.btnRefreshClick();
  Tick({0, 1, 2});
  // kB's key may not be written in the 64-bit view: the 32-bit one is written first.
  SetFlags(kB, Dword(0));
  registry.SetAccess(RegRoot::LocalMachine, KillBitKeyPath(kB).substr(1),
                     MemoryRegistry::Rule::ReadOnly, RegView::Bits64);
  try {
    page.btnSetClick();
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Compatibility Flags'");
  }
  EXPECT_TRUE(boxes.shown.empty()) << "no summary after the error";
  EXPECT_EQ(State(0), kImmune) << "rows before the failure keep their new state";
  EXPECT_EQ(State(1), kNotImmune);
  EXPECT_EQ(Flags(kB, RegView::Bits32), 0x400u);
  EXPECT_EQ(Flags(kB, RegView::Bits64), 0u);
  EXPECT_FALSE(Exists(kC)) << "the rows after it are not reached";
}

TEST_F(ActiveXPageTest, RemoveImmunityDeletesWholeKeysAndCountsOnlyRemovedOnes) {
  SetFlags(kA, Dword(0x400));
  ASSERT_TRUE(registry.OpenKey(RegRoot::LocalMachine, KillBitKeyPath(kA), false)
                  ->SetValue("AlternateCLSID", {kRegSz, "{x}"}));
  SetFlags(kC, Dword(0x400));
  page.btnRefreshClick();
  registry.SetAccess(RegRoot::LocalMachine, KillBitKeyPath(kC).substr(1),
                     MemoryRegistry::Rule::ReadOnly);
  Tick({0, 1, 2});  // kB has no key; kC's may not be deleted
  page.btnUnSetClick();
  EXPECT_FALSE(Exists(kA)) << "the whole key, with its other values";
  EXPECT_EQ(Flags(kC), 0x400u);
  EXPECT_EQ(State(0), kNotImmune);
  EXPECT_EQ(State(2), kImmune);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "已取消免疫项目：1");
  EXPECT_EQ(boxes.shown[0].caption, "取消免疫");
}

TEST_F(ActiveXPageTest, DeleteRenumbersBothRunsFromTheBottomAndLeavesTheRegistry) {
  WriteList({"e0", "e1", "e2", "e3", "e4"}, {"c0", "c1", "c2", "c3", "c4"});
  SetFlags("c1", Dword(0x400));
  page.btnRefreshClick();
  Tick({1, 3});
  boxes.script = {BoxAnswer::No};
  page.btnDelClick();
  EXPECT_EQ(Run("x").size(), 5u) << "No cancels";

  boxes.script = {BoxAnswer::Yes};
  page.btnDelClick();
  EXPECT_EQ(boxes.shown.back().text, "你想删除所选的项目吗？\r\n删除后将不可恢复！");
  EXPECT_EQ(boxes.shown.back().buttons, BoxButtons::YesNo);
  EXPECT_EQ(boxes.shown.back().icon, BoxIcon::Warning);
  EXPECT_EQ(Run("x"), (Items{"e0", "e2", "e4"}));
  EXPECT_EQ(Run("v"), (Items{"c0", "c2", "c4"}));
  std::string text;
  ASSERT_TRUE(files.ReadFile(kIni, &text));
  EXPECT_EQ(text.find("x3="), std::string::npos);
  EXPECT_EQ(text.find("v4="), std::string::npos);
  ASSERT_EQ(page.mainlist().size(), 3);
  EXPECT_EQ(page.mainlist().row(2).cells[kActiveXName], "e4");
  EXPECT_EQ(Flags("c1"), 0x400u) << "a deleted entry keeps its kill bit";
  EXPECT_EQ(boxes.shown.size(), 2u) << "no message follows";
}

TEST_F(ActiveXPageTest, AddChecksTheEditsInOrder) {
  page.btnRefreshClick();
  struct Case {
    const char *name, *clsid;
    AddFocus focus;
    const char *text, *caption;
  } cases[] = {
      {"", "", AddFocus::Name, "请输入要添加的名称", "请输入"},
      {"n", "", AddFocus::Clsid, "请输入要添加的CLSID", "请输入"},
      {"n", "{AAAAAAAA-0000-0000-0000-000000000001}", AddFocus::ClsidSelectAll, "输入的CLSID有误", "错误"},
      {"n", "AAAAAAAA-0000-0000-0000-00000000001", AddFocus::ClsidSelectAll, "输入的CLSID有误", "错误"},
  };
  for (const Case& c : cases) {
    boxes.shown.clear();
    EXPECT_EQ(page.btnAddClick(c.name, c.clsid), c.focus) << c.clsid;
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, c.text);
    EXPECT_EQ(boxes.shown[0].caption, c.caption);
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);
  }
  EXPECT_EQ(Run("x").size(), 3u) << "nothing written";
}

TEST_F(ActiveXPageTest, AddAcceptsAny36CharactersAndRepeatedEntries) {
  page.btnRefreshClick();
  const std::string odd(36, 'z');
  SetFlags(odd, Dword(0x400));
  EXPECT_EQ(page.btnAddClick("新控件", odd), AddFocus::None);
  EXPECT_EQ(page.btnAddClick("one", kA), AddFocus::None);
  EXPECT_EQ(Run("x"), (Items{"one", "two", "three", "新控件", "one"}));
  EXPECT_EQ(Run("v"), (Items{kA, kB, kC, odd, kA}));
  ASSERT_EQ(page.mainlist().size(), 5);
  EXPECT_EQ(page.mainlist().row(3).cells, (Items{"新控件", odd, kImmune}));
  EXPECT_EQ(boxes.shown.back().text, "新的免疫项目已添加。");
  EXPECT_EQ(boxes.shown.back().caption, "已添加");
}

TEST_F(ActiveXPageTest, AddToRunsOutOfStepShowsTheFilesPairs) {
  WriteList({"one", "two"}, {kA});
  page.btnRefreshClick();
  page.btnAddClick("new", kC);
  // v1 pairs with x1: the rows follow the file, not the edits.
  ASSERT_EQ(page.mainlist().size(), 3);
  EXPECT_EQ(page.mainlist().row(1).cells[kActiveXClsid], kC);
  EXPECT_EQ(page.mainlist().row(2).cells[kActiveXClsid], "");
}

TEST_F(ActiveXPageTest, AMissingListFileStopsEachFileActionAndKeepsTheRows) {
  page.btnRefreshClick();
  files.RemoveFile(kIni);
  Tick({0});
  EXPECT_THROW(page.btnRefreshClick(), FileError);
  EXPECT_THROW(page.btnAddClick("n", kA), FileError);
  boxes.shown.clear();
  boxes.script = {BoxAnswer::Yes};
  try {
    page.btnDelClick();
  } catch (const FileError& e) {
    EXPECT_EQ(e.what(), kIni + " didn't exists.");
  }
  EXPECT_EQ(boxes.shown.size(), 1u) << "the question comes first";
  EXPECT_EQ(page.mainlist().size(), 3);
  EXPECT_FALSE(files.FileExists(kIni));
}

TEST_F(ActiveXPageTest, AdviceAndTickButtons) {
  page.btnRefreshClick();
  page.btnSelAllClick();
  EXPECT_EQ(page.mainlist().TickedFromLast(), (std::vector<int>{2, 1, 0}));
  page.SetTicked(1, false);
  page.btnRevSelClick();
  EXPECT_EQ(page.mainlist().TickedFromLast(), std::vector<int>{1});
  page.btnUnSelAllClick();
  EXPECT_TRUE(page.mainlist().TickedFromLast().empty());
  page.btn_antiXhelpClick();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "如何选择免疫的插件");
  EXPECT_EQ(boxes.shown[0].text.rfind("我们并不建议您免疫上列所有的插件。", 0), 0u);
}

}  // namespace
}  // namespace orv
