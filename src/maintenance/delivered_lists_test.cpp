// The delivered ActiveX list and URL shortcuts through the program's own list reader: pairs
// complete, class identifiers in their 36-character form, each entry's source in the comment
// above it, and the comments kept by the program's rewrites.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "lists/ini_array.h"
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

TEST(DeliveredLists, EveryActiveXEntryIsAWellFormedPairBelowItsSource) {
  Delivered list("antix_data.ini");
  const Items names = list.Run(kAntiXSection, kAntiXNamePrefix);
  const Items clsids = list.Run(kAntiXSection, kAntiXClsidPrefix);
  EXPECT_GE(names.size(), 30u);
  ASSERT_EQ(names.size(), clsids.size());
  const std::regex guid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  const std::regex source("; MS[0-9]{2}-[0-9]{3} .*Kill Bits \\([0-9]{6}\\): .+");
  const Items lines = list.Lines();
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(clsids[i].size(), kClsidLength);
    EXPECT_TRUE(std::regex_match(clsids[i], guid)) << clsids[i];
    EXPECT_EQ(std::count(clsids.begin(), clsids.end(), clsids[i]), 1) << clsids[i];
    auto at = std::find(lines.begin(), lines.end(), "x" + std::to_string(i) + "=" + names[i]);
    ASSERT_TRUE(at > lines.begin() && at + 1 < lines.end()) << names[i];
    EXPECT_TRUE(std::regex_match(*(at - 1), source)) << *(at - 1);
    EXPECT_EQ(*(at + 1), "v" + std::to_string(i) + "=" + clsids[i]);
  }
}

TEST(DeliveredLists, TheProgramsDeleteAndAddKeepTheCommentsAndReadNoneAsAnEntry) {
  Delivered list("antix_data.ini");
  const Items comments = list.Lines(true);
  const Items names = list.Run(kAntiXSection, kAntiXNamePrefix);
  for (const char* prefix : {kAntiXNamePrefix, kAntiXClsidPrefix}) {
    TIniArray run(list.files, list.path, kAntiXSection, prefix);
    run.Delete(0);
    run.Add("added");
  }
  EXPECT_EQ(list.Lines(true), comments);
  Items after = list.Run(kAntiXSection, kAntiXNamePrefix);
  Items want(names.begin() + 1, names.end());
  want.push_back("added");
  EXPECT_EQ(after, want);
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
