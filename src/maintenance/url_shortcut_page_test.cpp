#include "maintenance/url_shortcut_page.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "lists/ini_array.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/recorders.h"
#include "shell/maker_site.h"

namespace orv {
namespace {

const std::string kIni = "C:\\Orvanel\\conf\\urlShortcut.ini";
using Items = std::vector<std::string>;

class UrlShortcutPageTest : public ::testing::Test {
 protected:
  void WriteFile(const std::string& body) { files.SetFile(kIni, "[UrlShortcut]\r\n" + body); }
  Items Run(const char* prefix) { return TIniArray(files, kIni, "UrlShortcut", prefix).Items(); }
  Items Column(int column) {
    Items out;
    for (const CheckRow& row : page.UrlShortcut().rows()) out.push_back(row.cells[column]);
    return out;
  }

  MemoryFileSystem files;
  ScriptedMessageBoxes boxes;
  UrlShortcutPage page{files, boxes, "C:\\Orvanel\\"};
};

TEST_F(UrlShortcutPageTest, AFileWithoutEntriesShowsTheTwoBuiltInRows) {
  WriteFile("");
  page.TabSheet10Show();
  ASSERT_EQ(page.UrlShortcut().size(), 2);
  EXPECT_EQ(page.UrlShortcut().row(0).cells, (Items{"", "tavrosel", MakerHomePage()}));
  EXPECT_EQ(page.UrlShortcut().row(1).cells, (Items{"", "tv", MakerHomePage()}));
}

TEST_F(UrlShortcutPageTest, LoadNumbersStoredRowsAndShowsAMissingAddressAsEmpty) {
  WriteFile("s0=a\r\nv0=http://a/\r\ns1=b\r\n");
  page.TabSheet10Show();
  EXPECT_EQ(Column(kShortcutNumber), (Items{"", "", "1", "2"}));
  EXPECT_EQ(Column(kShortcutUrl), (Items{MakerHomePage(), MakerHomePage(), "http://a/", ""}));
}

TEST_F(UrlShortcutPageTest, AddWritesTheNextPairAndAppendsANumberedRow) {
  WriteFile("s0=a\r\nv0=http://a/\r\ns1=b\r\nv1=http://b/\r\n");
  page.TabSheet10Show();
  // Anything goes as a name: digits, Chinese, a built-in one.
  EXPECT_EQ(page.ShortcutAddClick("tavrosel", "http://x/"), ShortcutFocus::None);
  EXPECT_EQ(page.ShortcutAddClick("新浪9", "新浪"), ShortcutFocus::None);
  EXPECT_EQ(Run("s"), (Items{"a", "b", "tavrosel", "新浪9"}));
  EXPECT_EQ(Run("v"), (Items{"http://a/", "http://b/", "http://x/", "新浪"}));
  EXPECT_EQ(Column(kShortcutNumber), (Items{"", "", "1", "2", "3", "4"}));
  EXPECT_EQ(boxes.shown.back().text, "新的快捷网址已添加。");
  EXPECT_EQ(boxes.shown.back().caption, "已添加");
  EXPECT_EQ(boxes.shown.back().icon, BoxIcon::Information);
}

TEST_F(UrlShortcutPageTest, AddRefusesEmptyEdits) {
  WriteFile("");
  page.TabSheet10Show();
  struct Case {
    const char *name, *url;
    ShortcutFocus focus;
    const char* text;
  } cases[] = {{"", "http://a/", ShortcutFocus::Name, "请输入快捷名称"},
               {"a", "", ShortcutFocus::Url, "请输入访问网址"}};
  for (const Case& c : cases) {
    boxes.shown.clear();
    EXPECT_EQ(page.ShortcutAddClick(c.name, c.url), c.focus);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, c.text);
    EXPECT_EQ(boxes.shown[0].caption, "请输入");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);
  }
  EXPECT_TRUE(Run("s").empty());
}

TEST_F(UrlShortcutPageTest, DeleteRemovesTickedStoredRowsFromTheBottomWithoutReloading) {
  WriteFile("s0=a\r\nv0=http://a/\r\ns1=b\r\nv1=http://b/\r\ns2=c\r\nv2=http://c/\r\n");
  page.TabSheet10Show();
  for (int row : {0, 1, 2, 4}) page.SetTicked(row, true);  // built-ins and the rows numbered 1, 3
  boxes.script = {BoxAnswer::Yes};
  page.ShortcutDelClick();
  EXPECT_EQ(boxes.shown[0].text, "你想删除所选的快捷网址吗？");
  EXPECT_EQ(boxes.shown[0].caption, "确认删除");
  EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::YesNo);
  EXPECT_EQ(Run("s"), Items{"b"});
  EXPECT_EQ(Run("v"), Items{"http://b/"});
  const std::string text = files.FileBytes(kIni);
  EXPECT_EQ(text.find("s1="), std::string::npos);
  EXPECT_EQ(text.find("v2="), std::string::npos);
  EXPECT_EQ(Column(kShortcutName), (Items{"tavrosel", "tv", "b"}));
  EXPECT_EQ(Column(kShortcutNumber), (Items{"", "", "2"})) << "numbers stay until the next load";
}

TEST_F(UrlShortcutPageTest, OnlyBuiltInTicksOrNoChangeNothing) {
  WriteFile("s0=a\r\nv0=http://a/\r\n");
  page.TabSheet10Show();
  page.SetTicked(0, true);
  page.SetTicked(1, true);
  const std::string before = files.FileBytes(kIni);
  boxes.script = {BoxAnswer::Yes};
  page.ShortcutDelClick();
  page.SetTicked(2, true);
  boxes.script = {BoxAnswer::No};
  page.ShortcutDelClick();
  EXPECT_EQ(files.FileBytes(kIni), before);
  EXPECT_EQ(page.UrlShortcut().size(), 3);
}

TEST_F(UrlShortcutPageTest, AMissingFileStopsLoadAddAndDeleteAfterItsQuestion) {
  WriteFile("s0=a\r\nv0=http://a/\r\n");
  page.TabSheet10Show();
  files.RemoveFile(kIni);
  EXPECT_THROW(page.TabSheet10Show(), FileError);
  EXPECT_THROW(page.ShortcutAddClick("n", "http://n/"), FileError);
  boxes.script = {BoxAnswer::Yes};
  EXPECT_THROW(page.ShortcutDelClick(), FileError);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(page.UrlShortcut().size(), 3);
  EXPECT_FALSE(files.FileExists(kIni));
}

}  // namespace
}  // namespace orv
