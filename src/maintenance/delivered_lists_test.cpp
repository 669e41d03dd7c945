// The delivered ActiveX immunity list and URL shortcuts, read through the program's own list
// reader: every pair complete, every class identifier in its 36-character form, every entry's
// source named in the comment line above it, and the comments kept by the program's rewrites.
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

const std::string kFolder = "C:\\Orvanel\\";

std::string Delivered(const std::string& name) {
  const std::string here = __FILE__;  // .../src/maintenance/delivered_lists_test.cpp
  std::ifstream in(here.substr(0, here.rfind("/src/")) + "/conf/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << "not CR LF: " << line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> ReadRun(MemoryFileSystem& files, const std::string& path,
                                 const char* section, const char* prefix) {
  return TIniArray(files, path, section, prefix).Items();
}

TEST(DeliveredLists, ActiveXListPairsNamesWithWellFormedIdentifiersAndNamesEachSource) {
  const std::string text = Delivered("antix_data.ini");
  MemoryFileSystem files;
  const std::string path = kFolder + kAntiXIniName;
  files.SetFile(path, text);
  const auto names = ReadRun(files, path, kAntiXSection, kAntiXNamePrefix);
  const auto clsids = ReadRun(files, path, kAntiXSection, kAntiXClsidPrefix);
  EXPECT_GE(names.size(), 30u);
  ASSERT_EQ(names.size(), clsids.size());
  const std::regex guid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  const std::regex source("; MS[0-9]{2}-[0-9]{3} .*Kill Bits \\([0-9]{6}\\): .+");
  const std::vector<std::string> lines = Lines(text);
  for (size_t i = 0; i < clsids.size(); ++i) {
    EXPECT_EQ(clsids[i].size(), kClsidLength) << clsids[i];
    EXPECT_TRUE(std::regex_match(clsids[i], guid)) << clsids[i];
    EXPECT_EQ(std::count(clsids.begin(), clsids.end(), clsids[i]), 1) << "twice: " << clsids[i];
    // Each pair is "; <bulletin> <title> (<KB>): <file>", x<i>, v<i>.
    const std::string x = "x" + std::to_string(i) + "=" + names[i];
    auto at = std::find(lines.begin(), lines.end(), x);
    ASSERT_NE(at, lines.end()) << x;
    ASSERT_NE(at, lines.begin());
    EXPECT_TRUE(std::regex_match(*(at - 1), source)) << *(at - 1);
    ASSERT_NE(at + 1, lines.end());
    EXPECT_EQ(*(at + 1), "v" + std::to_string(i) + "=" + clsids[i]);
  }
}

TEST(DeliveredLists, ActiveXCommentsSurviveTheProgramsDeleteAndAdd) {
  MemoryFileSystem files;
  const std::string path = kFolder + kAntiXIniName;
  files.SetFile(path, Delivered("antix_data.ini"));
  auto comments = [&] {
    std::vector<std::string> out;
    for (const std::string& line : Lines(files.FileBytes(path)))
      if (!line.empty() && line[0] == ';') out.push_back(line);
    return out;
  };
  const auto before = comments();
  const auto names = ReadRun(files, path, kAntiXSection, kAntiXNamePrefix);
  {
    TIniArray x(files, path, kAntiXSection, kAntiXNamePrefix);
    x.Delete(0);
    x.Add("Added");
  }
  {
    TIniArray v(files, path, kAntiXSection, kAntiXClsidPrefix);
    v.Delete(0);
    v.Add("ADDED000-0000-0000-0000-000000000000");
  }
  EXPECT_EQ(comments(), before);
  // No comment line is read as an entry: the runs are the entries, moved up by one.
  auto after = ReadRun(files, path, kAntiXSection, kAntiXNamePrefix);
  ASSERT_EQ(after.size(), names.size());
  EXPECT_EQ(after.front(), names[1]);
  EXPECT_EQ(after.back(), "Added");
}

TEST(DeliveredLists, UrlShortcutsAreLetterNamesWithWebAddresses) {
  MemoryFileSystem files;
  const std::string path = kFolder + kUrlShortcutIniName;
  files.SetFile(path, Delivered("urlShortcut.ini"));
  Lines(files.FileBytes(path));  // CR LF throughout
  const auto names = ReadRun(files, path, kUrlShortcutSection, kShortcutNamePrefix);
  const auto urls = ReadRun(files, path, kUrlShortcutSection, kShortcutUrlPrefix);
  EXPECT_GE(names.size(), 3u);
  ASSERT_EQ(names.size(), urls.size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_TRUE(std::regex_match(names[i], std::regex("[a-z]+"))) << names[i];
    EXPECT_NE(names[i], "tavrosel");
    EXPECT_NE(names[i], "tv");
    EXPECT_TRUE(std::regex_match(urls[i], std::regex("http://[a-z0-9.]+/"))) << urls[i];
  }
}

}  // namespace
}  // namespace orv
