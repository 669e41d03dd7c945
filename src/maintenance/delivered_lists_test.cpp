// The delivered ActiveX list and URL shortcuts through the program's own list reader: pairs
// complete, class identifiers in their 36-character form, each entry's source in its name, so
// that the program's rewrites cannot part an entry from its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "lists/ini_array.h"
#include "lists/ini_pairs.h"
#include "maintenance/activex_page.h"
#include "maintenance/url_shortcut_page.h"
#include "platform/memory/memory_files.h"

namespace orv {
namespace {

using Items = std::vector<std::string>;

// The delivered file, in memory at its place in the program folder.
struct Delivered {
  explicit Delivered(const std::string& name) : path("C:\\Orvanel\\conf\\" + name) {
    const std::string here = __FILE__;  // .../src/maintenance/delivered_lists_test.cpp
    std::ifstream in(here.substr(0, here.rfind("/src/")) + "/conf/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files.SetFile(path, bytes.str());
  }
  Items Run(const char* section, const char* prefix) {
    return TIniArray(files, path, section, prefix).Items();
  }
  Items Lines(bool comments_only = false) {
    Items lines;
    std::istringstream in(files.FileBytes(path));
    for (std::string line; std::getline(in, line);) {
      EXPECT_EQ(line.back(), '\r') << "not CR LF: " << line;
      line.pop_back();
      if (!comments_only || line[0] == ';') lines.push_back(line);
    }
    return lines;
  }
  MemoryFileSystem files;
  std::string path;
};

TEST(DeliveredLists, EveryActiveXEntryIsAWellFormedPairThatNamesItsSource) {
  Delivered list("antix_data.ini");
  const Items names = list.Run(kAntiXSection, kAntiXNamePrefix);
  const Items clsids = list.Run(kAntiXSection, kAntiXClsidPrefix);
  EXPECT_GE(names.size(), 30u);
  ASSERT_EQ(names.size(), clsids.size());
  const std::regex guid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  // The bulletin and the control's file end the name; the bulletin is listed in the head.
  const std::regex source(".+ \\((MS[0-9]{2}-[0-9]{3}), ([^()]+\\.dll|third-party kill bit)\\)");
  const std::string bytes = list.files.FileBytes(list.path);
  const std::string head = bytes.substr(0, bytes.find("[List]"));
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(clsids[i].size(), kClsidLength);
    EXPECT_TRUE(std::regex_match(clsids[i], guid)) << clsids[i];
    EXPECT_EQ(std::count(clsids.begin(), clsids.end(), clsids[i]), 1) << clsids[i];
    std::smatch m;
    ASSERT_TRUE(std::regex_match(names[i], m, source)) << names[i];
    const std::regex bulletin(";   " + m[1].str() + " .*Kill Bits \\([0-9]{6}\\)");
    EXPECT_TRUE(std::regex_search(head, bulletin)) << m[1];
  }
  for (const std::string& line : list.Lines())
    EXPECT_TRUE(line[0] != ';' || head.find(line) != std::string::npos) << "a comment in the list";
}

TEST(DeliveredLists, AfterDeletesAndAddsEveryNameStillPairsWithItsIdentifier) {
  Delivered list("antix_data.ini");
  const Items comments = list.Lines(true);
  const Items names = list.Run(kAntiXSection, kAntiXNamePrefix);
  const Items clsids = list.Run(kAntiXSection, kAntiXClsidPrefix);
  {
    TIniPairs pairs(list.files, list.path, kAntiXSection, kAntiXNamePrefix, kAntiXClsidPrefix);
    pairs.Delete({0, 5});
    pairs.Add("added", std::string(36, 'A'));
  }
  EXPECT_EQ(list.Lines(true), comments);
  const Items after = list.Run(kAntiXSection, kAntiXNamePrefix);
  const Items after_clsids = list.Run(kAntiXSection, kAntiXClsidPrefix);
  ASSERT_EQ(after.size(), names.size() - 1);
  ASSERT_EQ(after_clsids.size(), after.size());
  for (size_t i = 0; i + 1 < after.size(); ++i) {
    const size_t was = std::find(names.begin(), names.end(), after[i]) - names.begin();
    ASSERT_LT(was, names.size());
    EXPECT_EQ(after_clsids[i], clsids[was]) << after[i];
  }
  EXPECT_EQ(after.back(), "added");
}

TEST(DeliveredLists, UrlShortcutsAreLetterNamesWithWebAddresses) {
  Delivered list("urlShortcut.ini");
  list.Lines();
  const Items names = list.Run(kUrlShortcutSection, kShortcutNamePrefix);
  const Items urls = list.Run(kUrlShortcutSection, kShortcutUrlPrefix);
  EXPECT_GE(names.size(), 3u);
  ASSERT_EQ(names.size(), urls.size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_TRUE(std::regex_match(names[i], std::regex("[a-z]+"))) << names[i];
    EXPECT_TRUE(names[i] != "tavrosel" && names[i] != "tv");
    EXPECT_TRUE(std::regex_match(urls[i], std::regex("http://[a-z0-9.]+/"))) << urls[i];
  }
}

}  // namespace
}  // namespace orv
