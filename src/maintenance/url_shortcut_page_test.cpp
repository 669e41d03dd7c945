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
  UrlShortcutPageTest() {
    files.SetFile(kIni, "[UrlShortcut]\r\ns0=a\r\nv0=http://a/\r\ns1=b\r\nv1=http://b/\r\ns2=c\r\n");
  }
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

TEST_F(UrlShortcutPageTest, LoadShowsTheBuiltInRowsThenTheNumberedEntries) {
  page.TabSheet10Show();
  EXPECT_EQ(Column(kShortcutNumber), (Items{"", "", "1", "2", "3"}));
  EXPECT_EQ(Column(kShortcutName), (Items{"tavrosel", "tv", "a", "b", "c"}));
  EXPECT_EQ(Column(kShortcutUrl),
            (Items{MakerHomePage(), MakerHomePage(), "http://a/", "http://b/", ""}));
  files.SetFile(kIni, "[UrlShortcut]\r\n");
  page.TabSheet10Show();
  EXPECT_EQ(page.UrlShortcut().size(), 2);
}

// An edit that is empty, or would read back empty (blanks, ""), is refused: an address of
// blanks would end the address run, and the next shortcut's address would go to this name.
TEST_F(UrlShortcutPageTest, AddRefusesEmptyEditsAndAppendsAnyOtherPair) {
  files.SetFile(kIni, "[UrlShortcut]\r\ns0=a\r\nv0=http://a/\r\ns1=b\r\nv1=http://b/\r\n");
  page.TabSheet10Show();
  const struct {
    const char *name, *url;
    ShortcutFocus focus;
    const char* text;
  } refused[] = {
      {"", "http://x/", ShortcutFocus::Name, "请输入快捷名称"},
      {"\"\"", "http://x/", ShortcutFocus::Name, "请输入快捷名称"},
      {"x", "", ShortcutFocus::Url, "请输入访问网址"},
      {"x", " ", ShortcutFocus::Url, "请输入访问网址"},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(page.ShortcutAddClick(r.name, r.url), r.focus);
    EXPECT_EQ(boxes.shown.back().text, r.text);
    EXPECT_EQ(boxes.shown.back().icon, BoxIcon::Error);
  }
  EXPECT_EQ(page.ShortcutAddClick("tavrosel", "http://x/"), ShortcutFocus::None);
  EXPECT_EQ(page.ShortcutAddClick("新浪9", "新浪"), ShortcutFocus::None);
  EXPECT_EQ(Run("s"), (Items{"a", "b", "tavrosel", "新浪9"}));
  EXPECT_EQ(Run("v"), (Items{"http://a/", "http://b/", "http://x/", "新浪"}));
  EXPECT_EQ(Column(kShortcutNumber), (Items{"", "", "1", "2", "3", "4"}));
  EXPECT_EQ(boxes.shown.back().text, "新的快捷网址已添加。");
  EXPECT_EQ(boxes.shown.back().caption, "已添加");
  page.TabSheet10Show();
  EXPECT_EQ(Column(kShortcutUrl), (Items{MakerHomePage(), MakerHomePage(), "http://a/",
                                         "http://b/", "http://x/", "新浪"}));
}

TEST_F(UrlShortcutPageTest, DeleteRemovesTickedStoredRowsFromTheBottomWithoutReloading) {
  files.SetFile(kIni, "[UrlShortcut]\r\ns0=a\r\nv0=http://a/\r\ns1=b\r\nv1=http://b/\r\n"
                      "s2=c\r\nv2=http://c/\r\n");
  page.TabSheet10Show();
  for (int row : {0, 1}) page.SetTicked(row, true);
  boxes.script = {BoxAnswer::Yes, BoxAnswer::No, BoxAnswer::Yes};
  page.ShortcutDelClick();  // only built-in rows: nothing
  for (int row : {2, 4}) page.SetTicked(row, true);
  page.ShortcutDelClick();  // No
  EXPECT_EQ(Run("s").size(), 3u);
  page.ShortcutDelClick();
  EXPECT_EQ(boxes.shown[0].text, "你想删除所选的快捷网址吗？");
  EXPECT_EQ(boxes.shown[0].caption, "确认删除");
  EXPECT_EQ(Run("s"), Items{"b"});
  EXPECT_EQ(Run("v"), Items{"http://b/"});
  EXPECT_EQ(files.FileBytes(kIni).find("v2="), std::string::npos);
  EXPECT_EQ(Column(kShortcutNumber), (Items{"", "", "2"})) << "numbers stay until the next load";
}

TEST_F(UrlShortcutPageTest, AMissingFileStopsLoadAddAndDeleteAfterItsQuestion) {
  page.TabSheet10Show();
  files.RemoveFile(kIni);
  EXPECT_THROW(page.TabSheet10Show(), FileError);
  EXPECT_THROW(page.ShortcutAddClick("n", "http://n/"), FileError);
  boxes.script = {BoxAnswer::Yes};
  EXPECT_THROW(page.ShortcutDelClick(), FileError);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(page.UrlShortcut().size(), 5);
  EXPECT_FALSE(files.FileExists(kIni));
}

}  // namespace
}  // namespace orv
