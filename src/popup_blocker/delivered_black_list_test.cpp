// The delivered black list against the address corpora of tests/data/urls/ (written by
// tools/make_url_corpus.py): it closes no ordinary page, and every pop-up window of the ad
// servers it names.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "popup_blocker/ad_page.h"
#include "popup_blocker/blocker_test_support.h"
#include "lists/ini_array.h"

namespace orv {
namespace {

using blocker_test::BlockerStorage;
using blocker_test::kFolder;
using blocker_test::kIniPath;

std::string SourceRoot() {
  const std::string here = __FILE__;  // .../src/popup_blocker/delivered_black_list_test.cpp
  return here.substr(0, here.rfind("/src/"));
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The addresses of one corpus file: every line but the empty ones and the "#" comments.
std::vector<std::string> Corpus(const std::string& name) {
  std::vector<std::string> addresses;
  for (const std::string& line : Lines(FileBytes(SourceRoot() + "/tests/data/urls/" + name))) {
    if (!line.empty() && line[0] != '#') addresses.push_back(line);
  }
  return addresses;
}

std::vector<std::string> CommentLines(const std::string& text) {
  std::vector<std::string> comments;
  for (const std::string& line : Lines(text)) {
    if (!line.empty() && line[0] == ';') comments.push_back(line);
  }
  return comments;
}

class DeliveredBlackList : public ::testing::Test {
 protected:
  void SetUp() override {
    text_ = FileBytes(SourceRoot() + "/conf/KillAD.ini");
    ASSERT_FALSE(text_.empty());
    store_.files.SetFile(kIniPath, text_);
  }
  std::vector<std::string> Patterns() { return store_.Run(kBlackListPrefix); }

  BlockerStorage store_;
  std::string text_;
};

TEST_F(DeliveredBlackList, ClosesNoOrdinaryPage) {
  const std::vector<std::string> ordinary = Corpus("ordinary.txt");
  ASSERT_GE(ordinary.size(), 1000u);
  const TAdIniArray black(store_.files, kIniPath, kAdSection, kBlackListPrefix);
  const std::vector<std::string> patterns = Patterns();
  int closed = 0;
  for (const std::string& address : ordinary) {
    if (!black.MatchesAny(address)) continue;
    ++closed;
    for (const std::string& pattern : patterns) {
      if (TAdIniArray::MatchPattern(pattern, address, false)) {
        ADD_FAILURE() << pattern << " closes the ordinary page " << address;
      }
    }
  }
  EXPECT_EQ(closed, 0);
}

TEST_F(DeliveredBlackList, ClosesEveryPopUpOfTheServersItNamesAndEachPatternServes) {
  const std::vector<std::string> ads = Corpus("popup_ads.txt");
  ASSERT_GE(ads.size(), 200u);
  const TAdIniArray black(store_.files, kIniPath, kAdSection, kBlackListPrefix);
  for (const std::string& address : ads) EXPECT_TRUE(black.MatchesAny(address)) << address;
  // A pattern that closes none of them names a server wrongly (a typo, a missing "/").
  for (const std::string& pattern : Patterns()) {
    bool used = false;
    for (const std::string& address : ads) {
      used = used || TAdIniArray::MatchPattern(pattern, address, false);
    }
    EXPECT_TRUE(used) << pattern << " closes none of the pop-up ads";
  }
}

// A pattern names a server when scheme and host are written out up to the "/" after the host:
// then only that server's addresses begin with it, whatever other addresses hold further on.
TEST_F(DeliveredBlackList, EveryPatternBeginsWithSchemeAndWholeHost) {
  const std::vector<std::string> patterns = Patterns();
  ASSERT_GE(patterns.size(), 20u);
  for (const std::string& pattern : patterns) {
    const std::string head = pattern.substr(0, pattern.find('*'));
    const bool scheme = head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
    EXPECT_TRUE(scheme && head.find('/', head.find("//") + 2) != std::string::npos) << pattern;
  }
}

TEST_F(DeliveredBlackList, EachPatternHasAReasonAboveItNamingItsHost) {
  const std::vector<std::string> lines = Lines(text_);
  std::string reason;
  int keys = 0;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (line[0] == ';') {
      reason = line;
      // Without "=" a comment is no key even to a reader that took it for one.
      EXPECT_EQ(line.find('='), std::string::npos) << line;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;  // the section line
    ++keys;
    const std::string pattern = line.substr(eq + 1);
    const size_t host = pattern.find("//") + 2;
    const std::string host_name = pattern.substr(host, pattern.find('/', host) - host);
    EXPECT_NE(reason.find(" " + host_name + ":"), std::string::npos)
        << line << " has no reason naming " << host_name << " above it";
  }
  // Every key of the file is in the run: no gap hides an entry, no white or temporary entry.
  EXPECT_EQ(keys, static_cast<int>(Patterns().size()));
  EXPECT_TRUE(store_.Run(kWhiteListPrefix).empty());
  EXPECT_TRUE(store_.Run(kTempWhiteListPrefix).empty());
}

TEST_F(DeliveredBlackList, SettingsPageSavesKeepTheReasons) {
  AdPage page(store_.files, store_.registry, kFolder);
  page.LoadAdPage();
  page.SaveAdPage();
  EXPECT_EQ(store_.IniText(), text_) << "a save without changes rewrote the file";

  // The user deletes a pattern and adds one of their own; 0x501 adds another.
  std::vector<std::string> expected = Patterns();
  page.LoadAdPage();
  page.blacklist.Select(2);
  page.KillAd_DelClick();
  page.blacklist.Append("http://ads.example.com/*");
  page.SaveAdPage();
  TIniArray(store_.files, kIniPath, kAdSection, kBlackListPrefix).Add("http://pop.example.net/*");
  expected.erase(expected.begin() + 2);
  expected.push_back("http://ads.example.com/*");
  expected.push_back("http://pop.example.net/*");
  EXPECT_EQ(Patterns(), expected);
  EXPECT_EQ(CommentLines(store_.IniText()), CommentLines(text_));
}

}  // namespace
}  // namespace orv
