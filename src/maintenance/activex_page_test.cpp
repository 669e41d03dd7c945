#include "maintenance/activex_page.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "lists/ini_array.h"
#include "maintenance/kill_bits.h"
#include "maintenance/registry_backup.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"

namespace orv {
namespace {

const std::string kIni = "C:\\Orvanel\\conf\\antix_data.ini";
const std::string kUserFolder = "C:\\Users\\u\\AppData\\Local\\Tavrosel\\Orvanel\\";
using Items = std::vector<std::string>;
constexpr RegView kBoth[] = {RegView::Bits32, RegView::Bits64};
const RegValue kOn{kRegDword, std::string("\x00\x04\x00\x00", 4)};

class ActiveXPageTest : public ::testing::Test {
 protected:
  ActiveXPageTest() { WriteList({"a", "b", "c"}, {"ca", "cb", "cc"}); }
  void WriteList(const Items& names, const Items& clsids) {
    std::string text = "[List]\r\n";
    for (size_t i = 0; i < names.size(); ++i) text += "x" + std::to_string(i) + "=" + names[i] + "\r\n";
    for (size_t i = 0; i < clsids.size(); ++i) text += "v" + std::to_string(i) + "=" + clsids[i] + "\r\n";
    files.SetFile(kIni, text);
  }
  Items Run(const char* prefix) { return TIniArray(files, kIni, "List", prefix).Items(); }
  void SetFlags(const std::string& clsid, const RegValue& value,
                std::vector<RegView> views = {kBoth[0], kBoth[1]}) {
    for (RegView view : views)
      registry.OpenKey(RegRoot::LocalMachine, KillBitKeyPath(clsid), true, RegAccess::Full, view)
          ->SetValue(kCompatibilityFlags, value);
  }
  RegValue Flags(const std::string& clsid, RegView view) {
    RegValue v;
    auto key = registry.OpenKey(RegRoot::LocalMachine, KillBitKeyPath(clsid), false, RegAccess::Read, view);
    if (!key || !key->QueryValue(kCompatibilityFlags, &v)) v.type = kRegNone;
    return v;
  }
  std::string State(int row) { return page.mainlist().row(row).cells[kActiveXState]; }
  void Tick(std::initializer_list<int> rows) {
    for (int r : rows) page.SetTicked(r, true);
  }

  MemoryFileSystem files;
  MemoryRegistry registry;  // a 64-bit machine as the shipped 32-bit program sees it
  ScriptedMessageBoxes boxes;
  FixedClock clock;
  ActiveXPage page{files, registry, boxes, clock, "C:\\Orvanel\\", kUserFolder};
};

TEST(KillBits, ImmuneOnlyWhenEveryViewOfTheMachineHoldsExactly0x400) {
  using M = MemoryRegistry::Machine;
  struct Case {
    M machine;
    std::vector<RegView> views;
    RegValue flags;
    bool immune;
  } cases[] = {
      {M::OneView, {RegView::Own}, kOn, true},
      {M::OneView, {RegView::Own}, {kRegDword, std::string("\x01\x04\x00\x00", 4)}, false},  // 0x401
      {M::OneView, {RegView::Own}, {kRegSz, "1024"}, false},
      {M::OneView, {RegView::Own}, {kRegDword, std::string(8, '\0')}, false},
      {M::TwoViewsOwn32, {RegView::Bits32}, kOn, false},
      {M::TwoViewsOwn32, {RegView::Bits64}, kOn, false},
      {M::TwoViewsOwn32, {RegView::Bits32, RegView::Bits64}, kOn, true},
      {M::TwoViewsOwn64, {RegView::Bits64, RegView::Bits32}, kOn, true},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry(c.machine);
    for (RegView view : c.views)
      registry.OpenKey(RegRoot::LocalMachine, KillBitKeyPath("X"), true, RegAccess::Full, view)
          ->SetValue(kCompatibilityFlags, c.flags);
    EXPECT_EQ(HasKillBit(registry, "X"), c.immune) << &c - cases;
  }
  EXPECT_EQ(KillBitKeyPath("X"), "\\SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{X}");
}

TEST_F(ActiveXPageTest, FirstShowFillsRowsAndLaterShowsKeepThemUntilRefresh) {
  SetFlags("cb", kOn);
  WriteList({"a", "b", "c"}, {"ca", "cb"});  // a name without a class identifier
  page.TabSheet4Show();
  ASSERT_EQ(page.mainlist().size(), 3);
  EXPECT_EQ(page.mainlist().row(1).cells, (Items{"b", "cb", kImmune}));
  EXPECT_EQ(page.mainlist().row(2).cells, (Items{"c", "", kNotImmune}));
  EXPECT_TRUE(page.DrawsAsNotImmune(0));
  EXPECT_FALSE(page.DrawsAsNotImmune(1));
  SetFlags("ca", kOn);
  page.TabSheet4Show();
  EXPECT_EQ(State(0), kNotImmune);
  page.btnRefreshClick();
  EXPECT_EQ(State(0), kImmune);
}

TEST_F(ActiveXPageTest, ImmuniseWritesExactly0x400InBothViewsAndCountsEveryTickedRow) {
  SetFlags("ca", {kRegDword, std::string("\x01\x04\x00\x00", 4)});
  SetFlags("cb", kOn, {RegView::Bits64});
  page.btnRefreshClick();
  Tick({0, 1});
  page.btnSetClick();
  for (RegView view : kBoth) {
    EXPECT_EQ(Flags("ca", view).data, kOn.data);
    EXPECT_EQ(Flags("cb", view).data, kOn.data);
    EXPECT_EQ(Flags("cc", view).type, kRegNone);
  }
  EXPECT_EQ(State(0), kImmune);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "已免疫项目：2");
  EXPECT_EQ(boxes.shown[0].caption, "免疫完成");
}

TEST_F(ActiveXPageTest, ImmuniseWithoutAdministratorRightsStopsAtThatRowWithTheRegistryError) {
  page.btnRefreshClick();
  Tick({0, 1, 2});
  registry.SetAccess(RegRoot::LocalMachine, KillBitKeyPath("cb").substr(1),
                     MemoryRegistry::Rule::ReadOnly, RegView::Bits64);
  try {
    page.btnSetClick();
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Compatibility Flags'");
  }
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(State(0), kImmune);
  EXPECT_EQ(State(1), kNotImmune);
  EXPECT_EQ(Flags("cc", RegView::Bits32).type, kRegNone);
}

TEST_F(ActiveXPageTest, RemoveImmunityDeletesWholeKeysInBothViewsAndCountsRemovedOnes) {
  SetFlags("ca", kOn);
  registry.OpenKey(RegRoot::LocalMachine, KillBitKeyPath("ca"), false)->SetValue("AlternateCLSID", {kRegSz, "x"});
  SetFlags("cb", kOn, {RegView::Bits64});
  SetFlags("cc", kOn);
  registry.SetAccess(RegRoot::LocalMachine, KillBitKeyPath("cc").substr(1), MemoryRegistry::Rule::ReadOnly);
  page.btnRefreshClick();
  Tick({0, 1, 2});
  page.btnUnSetClick();
  for (RegView view : kBoth) {
    EXPECT_FALSE(registry.KeyExists(RegRoot::LocalMachine, KillBitKeyPath("ca"), view));
    EXPECT_FALSE(registry.KeyExists(RegRoot::LocalMachine, KillBitKeyPath("cb"), view));
  }
  EXPECT_EQ(State(2), kImmune);
  // The key that stayed (no administrator rights) is told apart.
  EXPECT_EQ(boxes.shown[0].text, "已取消免疫项目：2\r\n" + NotRemovedText(1, "取消免疫"));
  EXPECT_EQ(boxes.shown[0].caption, "取消免疫");
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Warning);

  // Every key that went is in the backup written first, in its view; ca kept its second value.
  const std::string backup = files.FileBytes(kUserFolder + "backup\\20251209-120000 antiX.reg");
  const std::string key = "ActiveX Compatibility\\{ca}]\r\n\"Compatibility Flags\"=dword:00000400";
  EXPECT_NE(backup.find("SOFTWARE\\WOW6432Node\\Microsoft\\Internet Explorer\\" + key +
                        "\r\n\"AlternateCLSID\"=\"x\"\r\n"),
            std::string::npos)
      << backup;
  EXPECT_NE(backup.find("SOFTWARE\\Microsoft\\Internet Explorer\\" + key), std::string::npos);
  EXPECT_NE(backup.find("{cb}]"), std::string::npos);

  // Everything removed: the report as it was.
  boxes.shown.clear();
  page.btnUnSetClick();
  EXPECT_EQ(boxes.shown[0].text, "已取消免疫项目：0\r\n" + NotRemovedText(1, "取消免疫"));
  page.SetTicked(2, false);
  page.btnUnSetClick();
  EXPECT_EQ(boxes.shown[1].text, "已取消免疫项目：0");
  EXPECT_EQ(boxes.shown[1].icon, BoxIcon::Information);
}

TEST_F(ActiveXPageTest, ABackupThatCannotBeWrittenStopsRemovingImmunity) {
  SetFlags("ca", kOn);
  page.btnRefreshClick();
  Tick({0});
  files.FailWriteAt(1, true);
  EXPECT_THROW(page.btnUnSetClick(), FileError);
  EXPECT_EQ(Flags("ca", RegView::Bits32).data, kOn.data);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ActiveXPageTest, DeleteRenumbersBothRunsFromTheBottomAndLeavesTheRegistry) {
  WriteList({"e0", "e1", "e2", "e3", "e4"}, {"c0", "c1", "c2", "c3", "c4"});
  SetFlags("c1", kOn);
  page.btnRefreshClick();
  Tick({1, 3});
  boxes.script = {BoxAnswer::No, BoxAnswer::Yes};
  page.btnDelClick();
  EXPECT_EQ(Run("x").size(), 5u) << "No cancels";
  page.btnDelClick();
  EXPECT_EQ(boxes.shown[1].text, "你想删除所选的项目吗？\r\n删除后将不可恢复！");
  EXPECT_EQ(boxes.shown[1].icon, BoxIcon::Warning);
  EXPECT_EQ(Run("x"), (Items{"e0", "e2", "e4"}));
  EXPECT_EQ(Run("v"), (Items{"c0", "c2", "c4"}));
  EXPECT_EQ(files.FileBytes(kIni).find("x3="), std::string::npos);
  EXPECT_EQ(files.FileBytes(kIni).find("v4="), std::string::npos);
  EXPECT_EQ(page.mainlist().row(2).cells[kActiveXName], "e4");
  EXPECT_EQ(Flags("c1", RegView::Bits32).data, kOn.data);
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(ActiveXPageTest, AddChecksTheEditsThenAppendsAnyThirtySixCharacters) {
  page.btnRefreshClick();
  struct Case {
    const char *name, *clsid;
    AddFocus focus;
    const char* text;
  } refused[] = {
      {"", "", AddFocus::Name, "请输入要添加的名称"},
      {"n", "", AddFocus::Clsid, "请输入要添加的CLSID"},
      {"n", "{AAAAAAAA-0000-0000-0000-000000000001}", AddFocus::ClsidSelectAll, "输入的CLSID有误"},
  };
  for (const Case& c : refused) {
    EXPECT_EQ(page.btnAddClick(c.name, c.clsid), c.focus);
    EXPECT_EQ(boxes.shown.back().text, c.text);
    EXPECT_EQ(boxes.shown.back().icon, BoxIcon::Error);
  }
  EXPECT_EQ(Run("x").size(), 3u);
  const std::string odd(36, 'z');
  SetFlags(odd, kOn);
  EXPECT_EQ(page.btnAddClick("新", odd), AddFocus::None);
  EXPECT_EQ(page.btnAddClick("新", odd), AddFocus::None) << "an entry already listed";
  EXPECT_EQ(Run("x"), (Items{"a", "b", "c", "新", "新"}));
  EXPECT_EQ(Run("v"), (Items{"ca", "cb", "cc", odd, odd}));
  EXPECT_EQ(page.mainlist().row(4).cells, (Items{"新", odd, kImmune}));
  EXPECT_EQ(boxes.shown.back().text, "新的免疫项目已添加。");
}

TEST_F(ActiveXPageTest, AddToRunsOfDifferentLengthsKeepsTheNewPairTogether) {
  WriteList({"a", "b"}, {"ca"});
  page.btnRefreshClick();
  page.btnAddClick("new", std::string(36, 'n'));
  ASSERT_EQ(page.mainlist().size(), 3);
  EXPECT_EQ(page.mainlist().row(1).cells, (Items{"new", std::string(36, 'n'), kNotImmune}));
  EXPECT_EQ(page.mainlist().row(2).cells, (Items{"b", "", kNotImmune}));
}

// A name or identifier that would read back empty would end its run, and every later add would
// pair a name with an earlier identifier (the kill bit of another control).
TEST_F(ActiveXPageTest, AnEntryThatReadsBackEmptyIsRefusedSoLaterPairsStayTogether) {
  const std::string b(36, 'b'), c(36, 'c');
  page.btnRefreshClick();
  const struct {
    std::string name, clsid;
    AddFocus focus;
    const char* text;
  } refused[] = {
      {"  ", b, AddFocus::Name, "请输入要添加的名称"},
      {"\"\"", b, AddFocus::Name, "请输入要添加的名称"},
      {"n", std::string(36, ' '), AddFocus::Clsid, "请输入要添加的CLSID"},
      {"n", " " + std::string(35, 'b'), AddFocus::ClsidSelectAll, "输入的CLSID有误"},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(page.btnAddClick(r.name, r.clsid), r.focus);
    EXPECT_EQ(boxes.shown.back().text, r.text);
  }
  page.btnRefreshClick();
  EXPECT_EQ(page.btnAddClick(" c ", c), AddFocus::None);
  page.btnRefreshClick();
  EXPECT_EQ(page.mainlist().row(3).cells, (Items{"c", c, kNotImmune}));
  EXPECT_EQ(Run("v"), (Items{"ca", "cb", "cc", c}));
}

TEST_F(ActiveXPageTest, AMissingListFileStopsEachFileActionAfterTheQuestion) {
  page.btnRefreshClick();
  files.RemoveFile(kIni);
  Tick({0});
  EXPECT_THROW(page.btnRefreshClick(), FileError);
  EXPECT_THROW(page.btnAddClick("n", std::string(36, 'n')), FileError);
  boxes.script = {BoxAnswer::Yes};
  EXPECT_THROW(page.btnDelClick(), FileError);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(page.mainlist().size(), 3);
  EXPECT_FALSE(files.FileExists(kIni));
}

}  // namespace
}  // namespace orv
