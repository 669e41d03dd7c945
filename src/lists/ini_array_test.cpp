#include "lists/ini_array.h"

#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "platform/memory/memory_files.h"
#include "lists/ini_file.h"

namespace orv {
namespace {

const std::string kPath = "C:\\Program Files\\Orvanel\\conf\\KillAD.ini";

std::string IniText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

class IniArrayTest : public ::testing::Test {
 protected:
  void Write(const std::vector<std::string>& lines) { files_.SetFile(kPath, IniText(lines)); }
  std::vector<std::string> Run(const std::string& prefix = "ad") {
    return TIniArray(files_, kPath, "POPUPAD", prefix).Items();
  }
  std::string Key(const std::string& key) {
    IniFile ini(files_, kPath);
    return ini.ReadString("POPUPAD", key, "<none>");
  }
  MemoryFileSystem files_;
};

using Items = std::vector<std::string>;

TEST_F(IniArrayTest, LoadStopsAtTheFirstMissingOrEmptyKey) {
  Write({"[POPUPAD]", "ad1=b", "ad2=c"});
  EXPECT_TRUE(Run().empty());
  Write({"[POPUPAD]", "ad0=a", "ad1=b", "ad3=d"});
  EXPECT_EQ(Run(), (Items{"a", "b"}));
  Write({"[POPUPAD]", "ad0=a", "ad1=", "ad2=c"});
  EXPECT_EQ(Run(), (Items{"a"}));
  Write({"[POPUPAD]", "AD1=b", "Ad0 = a ", "pass0=p", "ad2=\"c\""});
  EXPECT_EQ(Run(), (Items{"a", "b", "c"}));
  EXPECT_EQ(Run("pass"), (Items{"p"}));
}

TEST_F(IniArrayTest, MissingFileIsReportedAndNotCreated) {
  try {
    TIniArray list(files_, kPath, "POPUPAD", "ad");
    FAIL() << "constructed on a missing file";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), kPath + " didn't exists.");
  }
  EXPECT_FALSE(files_.FileExists(kPath));
}

TEST_F(IniArrayTest, UnreadableFileIsReportedAndLeftAlone) {
  Write({"[POPUPAD]", "ad0=a"});
  files_.FailReadAt(1);
  EXPECT_THROW(TIniArray(files_, kPath, "POPUPAD", "ad"), FileError);
  EXPECT_EQ(files_.FileBytes(kPath), IniText({"[POPUPAD]", "ad0=a"}));
}

TEST_F(IniArrayTest, AddWritesTheKeyAfterTheRun) {
  Write({"[POPUPAD]", "ad0=a", "ad1=b", "ad2=c", "pass0=p"});
  TIniArray list(files_, kPath, "POPUPAD", "ad");
  EXPECT_EQ(list.Add("d"), 3);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(files_.FileBytes(kPath),
            IniText({"[POPUPAD]", "ad0=a", "ad1=b", "ad2=c", "pass0=p", "ad3=d"}));
  EXPECT_EQ(Run(), (Items{"a", "b", "c", "d"}));
}

TEST_F(IniArrayTest, DeleteRenumbersTheKeysAfterIt) {
  Write({"[POPUPAD]", "ad0=a", "ad1=b", "ad2=c"});
  TIniArray list(files_, kPath, "POPUPAD", "ad");
  list.Delete(1);
  EXPECT_EQ(list.Items(), (Items{"a", "c"}));
  EXPECT_EQ(Key("ad0"), "a");
  EXPECT_EQ(Key("ad1"), "c");
  EXPECT_EQ(Key("ad2"), "<none>");
  list.Delete(1);
  list.Delete(0);
  EXPECT_EQ(files_.FileBytes(kPath), IniText({"[POPUPAD]"}));
  EXPECT_THROW(list.Delete(0), std::out_of_range);
}

// Two lists kept side by side as pairs (names and identifiers), both open at once: neither
// list's writes undo the other's.
TEST_F(IniArrayTest, TwoListsOpenOnOneFileKeepEachOthersChanges) {
  Write({"[List]", "x0=a", "x1=b", "v0=1", "v1=2"});
  TIniArray names(files_, kPath, "List", "x");
  TIniArray ids(files_, kPath, "List", "v");
  names.Delete(0);
  ids.Delete(0);
  names.Add("c");
  ids.Add("3");
  EXPECT_EQ(TIniArray(files_, kPath, "List", "x").Items(), (Items{"b", "c"}));
  EXPECT_EQ(TIniArray(files_, kPath, "List", "v").Items(), (Items{"2", "3"}));
}

TEST_F(IniArrayTest, ClearRemovesOnlyTheLoadedKeys) {
  Write({"[POPUPAD]", "ad0=a", "ad1=b", "ad5=stray", "pass0=p"});
  TIniArray list(files_, kPath, "POPUPAD", "ad");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(files_.FileBytes(kPath), IniText({"[POPUPAD]", "ad5=stray", "pass0=p"}));
}

TEST_F(IniArrayTest, ReplaceAllLeavesOtherRunsAndLinesAsTheyWere) {
  Write({"; rules", "[POPUPAD]", "ad0=a", "pass0=p", "ad1=b", "temp0=t", "", "[Other]", "ad0=o"});
  TIniArray list(files_, kPath, "POPUPAD", "ad");
  list.ReplaceAll({"x", "y", "z"});
  EXPECT_EQ(list.Items(), (Items{"x", "y", "z"}));
  EXPECT_EQ(files_.FileBytes(kPath), IniText({"; rules", "[POPUPAD]", "ad0=x", "pass0=p", "ad1=y",
                                              "temp0=t", "ad2=z", "", "[Other]", "ad0=o"}));
  list.ReplaceAll({"only"});
  EXPECT_EQ(Run(), (Items{"only"}));
  EXPECT_EQ(Run("pass"), (Items{"p"}));
  EXPECT_EQ(Run("temp"), (Items{"t"}));
  list.ReplaceAll({});
  EXPECT_TRUE(Run().empty());
}

TEST_F(IniArrayTest, IndexOfIsExact) {
  Write({"[POPUPAD]", "ad0=abc", "ad1=ABC"});
  TIniArray list(files_, kPath, "POPUPAD", "ad");
  EXPECT_EQ(list.IndexOf("ABC"), 1);
  EXPECT_EQ(list.IndexOf("abc"), 0);
  EXPECT_EQ(list.IndexOf("Abc"), -1);
  Write({"[POPUPAD]", "ad0=abc"});
  EXPECT_EQ(TIniArray(files_, kPath, "POPUPAD", "ad").IndexOf("ABC"), -1);
}

TEST_F(IniArrayTest, EntryWithALineBreakCannotAddKeys) {
  Write({"[POPUPAD]"});
  TIniArray list(files_, kPath, "POPUPAD", "ad");
  list.Add("http://a/\r\nad1=*");
  EXPECT_EQ(list.Items(), Run());
  EXPECT_EQ(Run(), (Items{"http://a/  ad1=*"}));
}

// Every operation is one atomic replacement of the file: whichever write fails, the file holds
// the whole old run or the whole new one, and the object claims only what the file holds.
TEST_F(IniArrayTest, FailedWritesLeaveTheWholeOldRun) {
  const std::vector<std::string> before = {"[POPUPAD]", "ad0=a", "pass0=p", "ad1=b", "ad2=c",
                                           "ad3=d"};
  struct Case {
    const char* name;
    void (*op)(TIniArray&);
    Items after;
  };
  const Case cases[] = {
      {"ReplaceAll", [](TIniArray& l) { l.ReplaceAll({"w", "x"}); }, {"w", "x"}},
      {"ReplaceAll longer", [](TIniArray& l) { l.ReplaceAll({"1", "2", "3", "4", "5"}); },
       {"1", "2", "3", "4", "5"}},
      {"Delete", [](TIniArray& l) { l.Delete(1); }, {"a", "c", "d"}},
      {"Clear", [](TIniArray& l) { l.Clear(); }, {}},
      {"Add", [](TIniArray& l) { l.Add("e"); }, {"a", "b", "c", "d", "e"}},
  };
  for (const Case& c : cases) {
    for (bool persistent : {false, true}) {
      for (int n = 1;; ++n) {
        Write(before);
        const std::string old_bytes = files_.FileBytes(kPath);
        TIniArray list(files_, kPath, "POPUPAD", "ad");
        files_.FailWriteAt(n, persistent);
        bool failed = false;
        try {
          c.op(list);
        } catch (const FileError& e) {
          failed = true;
          EXPECT_EQ(std::string(e.what()), "Unable to write to " + kPath) << c.name;
        }
        const bool fired = files_.failures() > 0;
        files_.FailWriteAt(0);
        EXPECT_EQ(failed, fired) << c.name << " at " << n;
        if (!fired) {
          EXPECT_EQ(Run(), c.after) << c.name;
          EXPECT_EQ(list.Items(), c.after) << c.name;
          break;
        }
        EXPECT_EQ(files_.FileBytes(kPath), old_bytes) << c.name << " at " << n;
        EXPECT_EQ(list.Items(), (Items{"a", "b", "c", "d"})) << c.name << " at " << n;
        // The object goes on from what the file holds.
        list.Add("next");
        EXPECT_EQ(Run(), (Items{"a", "b", "c", "d", "next"})) << c.name;
        EXPECT_EQ(Run("pass"), (Items{"p"})) << c.name;
      }
    }
  }
}

TEST_F(IniArrayTest, ReadOnlyFileRefusesEveryChange) {
  Write({"[POPUPAD]", "ad0=a"});
  files_.SetReadOnly(kPath, true);
  TIniArray list(files_, kPath, "POPUPAD", "ad");
  EXPECT_THROW(list.Add("b"), FileError);
  EXPECT_THROW(list.ReplaceAll({"x"}), FileError);
  EXPECT_THROW(list.Delete(0), FileError);
  EXPECT_EQ(list.Items(), (Items{"a"}));
}

TEST_F(IniArrayTest, LoadingAgainAlwaysSeesTheCurrentFile) {
  Write({"[POPUPAD]", "ad0=*one*"});
  TAdIniArray first(files_, kPath, "POPUPAD", "ad");
  EXPECT_TRUE(first.MatchesAny("http://one/"));
  Write({"[POPUPAD]", "ad0=*two*"});  // changed behind the program's back
  TAdIniArray second(files_, kPath, "POPUPAD", "ad");
  EXPECT_EQ(second.Items(), (Items{"*two*"}));
  EXPECT_FALSE(second.MatchesAny("http://one/"));
  EXPECT_TRUE(second.MatchesAny("http://two/"));
  second.Add("*three*");
  EXPECT_TRUE(second.MatchesAny("http://three/"));
  TAdIniArray third(files_, kPath, "POPUPAD", "ad");
  EXPECT_TRUE(third.MatchesAny("http://three/"));
  EXPECT_TRUE(first.MatchesAny("http://one/"));  // an object keeps what it loaded
  // Same bytes under another folder: its own list.
  files_.SetFile("D:\\KillAD.ini", IniText({"[POPUPAD]", "ad0=*other*"}));
  EXPECT_TRUE(TAdIniArray(files_, "D:\\KillAD.ini", "POPUPAD", "ad").MatchesAny("other"));
}

// ---------------------------------------------------------------------------------------------
// Wildcard matching

bool Match(const std::string& pattern, const std::string& text, bool case_sensitive = false) {
  return TAdIniArray::MatchPattern(pattern, text, case_sensitive);
}

TEST(MatchPattern, StarsAndQuestionMarks) {
  EXPECT_TRUE(Match("*", ""));
  EXPECT_TRUE(Match("*", "anything at all"));
  EXPECT_TRUE(Match("", ""));
  EXPECT_FALSE(Match("", "a"));
  EXPECT_TRUE(Match("abc*", "abc"));
  EXPECT_TRUE(Match("abc*", "abcdef"));
  EXPECT_FALSE(Match("abc*", "xabc"));
  EXPECT_TRUE(Match("a*b*c", "axbyc"));
  EXPECT_TRUE(Match("a*b*c", "abc"));
  EXPECT_FALSE(Match("a*b*c", "acb"));
  EXPECT_TRUE(Match("a?c", "abc"));
  EXPECT_FALSE(Match("a?c", "ac"));
  EXPECT_FALSE(Match("a?c", "abbc"));
  EXPECT_TRUE(Match("ab*?", "ab"));
  EXPECT_TRUE(Match("ab?*", "ab"));
  EXPECT_TRUE(Match("a***b", "axyzb"));
  EXPECT_TRUE(Match("a*?*?b", "ab"));
  EXPECT_FALSE(Match("a??b", "ab"));
}

TEST(MatchPattern, LastPieceMustEndTheText) {
  EXPECT_TRUE(Match("*.html", "x.html"));
  EXPECT_FALSE(Match("*.html", "x.html.bak"));
  EXPECT_TRUE(Match("*.html", "a.html.b.html"));
  EXPECT_TRUE(Match("*/ad/*.gif", "http://x/ad/a.gif?b.gif"));
  EXPECT_TRUE(Match("a*b*ab", "abab"));
  EXPECT_FALSE(Match("ab*ba", "aba"));  // head and tail may not share a byte
  EXPECT_TRUE(Match("*a?", "aaa"));
}

TEST(MatchPattern, CaseFoldsOnlyAsciiLettersOutsideDoubleByteCharacters) {
  EXPECT_TRUE(Match("*ADS*", "/top/ads/1"));
  EXPECT_TRUE(Match("*ads*", "/TOP/ADS/1"));
  EXPECT_FALSE(Match("*ADS*", "/top/ads/1", true));
  EXPECT_TRUE(Match("*ads*", "/top/ads/1", true));
  // 0x81 0x41 is one character whose trail byte is "A": it is never folded to "a".
  EXPECT_FALSE(Match("*\x81\x61*", "x\x81\x41y"));
  EXPECT_FALSE(Match("*a*", "\x81\x41"));
  EXPECT_TRUE(Match("*\x81\x41*", "X\x81\x41Y"));
  EXPECT_TRUE(Match("*\xC0\xB9\xBD\xD8*", "http://x/\xC0\xB9\xBD\xD8.htm"));
}

TEST(MatchPattern, WildcardBytesInTheTextAreLiteral) {
  EXPECT_FALSE(Match("a?c", "a*"));
  EXPECT_TRUE(Match("*?q=*", "x?q=1"));
  EXPECT_FALSE(Match("abc", "a*c"));
  EXPECT_TRUE(Match("a*c", "a*c"));
  EXPECT_FALSE(Match("*x*", std::string(100000, '*') + std::string(100000, '?')));
}

// A pattern's meaning: the text begins with the head, ends with the tail, and holds the middle
// pieces in order in between ("?" any byte), once star runs are normalised. Checked against an
// exhaustive matcher, and against the earlier rule (pieces taken leftmost, the last included):
// every text that rule accepted is still accepted.
bool Exhaustive(const std::string& p, const std::string& t) {
  std::vector<std::vector<char>> ok(p.size() + 1, std::vector<char>(t.size() + 1, 0));
  ok[p.size()][t.size()] = 1;
  for (size_t i = p.size(); i-- > 0;) {
    for (size_t j = t.size() + 1; j-- > 0;) {
      if (p[i] == '*') {
        ok[i][j] = ok[i + 1][j] || (j < t.size() && ok[i][j + 1]);
      } else {
        ok[i][j] = j < t.size() && (p[i] == '?' || p[i] == t[j]) && ok[i + 1][j + 1];
      }
    }
  }
  return ok[0][0];
}

std::string Normalised(std::string p) {
  for (bool changed = true; changed;) {
    changed = false;
    for (const char* pair : {"**", "*?", "?*"}) {
      for (size_t at; (at = p.find(pair)) != std::string::npos;) {
        p.replace(at, 2, "*");
        changed = true;
      }
    }
  }
  return p;
}

bool EarlierRule(const std::string& pattern, const std::string& text) {
  const std::string p = Normalised(pattern);
  const size_t star = p.find('*');
  if (star == std::string::npos) return p.size() == text.size() && WildPos(p, text) == 1;
  const std::string head = p.substr(0, star);
  if (text.size() < head.size() || WildPos(head, text.substr(0, head.size())) != 1) return false;
  size_t cursor = head.size();
  for (size_t s = star; s != std::string::npos;) {
    const size_t next = p.find('*', s + 1);
    const std::string piece = p.substr(s + 1, next == std::string::npos ? next : next - s - 1);
    if (piece.empty()) return true;
    const int at = WildPos(piece, text.substr(cursor));
    if (at == 0) return false;
    cursor += at - 1 + piece.size();
    s = next;
  }
  return cursor == text.size();
}

TEST(MatchPattern, AgreesWithAnExhaustiveMatcherAndKeepsEveryEarlierMatch) {
  std::mt19937 random(20240611);
  const std::string alphabet = "ab*?";
  int earlier = 0;
  for (int round = 0; round < 60000; ++round) {
    std::string pattern, text;
    for (int i = random() % 8; i > 0; --i) pattern.push_back(alphabet[random() % 4]);
    for (int i = random() % 10; i > 0; --i) text.push_back(alphabet[random() % 4]);
    const bool got = Match(pattern, text, true);
    ASSERT_EQ(got, Exhaustive(Normalised(pattern), text)) << pattern << " / " << text;
    if (EarlierRule(pattern, text)) {
      ++earlier;
      ASSERT_TRUE(got) << pattern << " / " << text;
    }
  }
  EXPECT_GT(earlier, 1000);
}

TEST(WildPos, FirstOccurrenceWithQuestionMarks) {
  EXPECT_EQ(WildPos("b?d", "abcd"), 2);
  EXPECT_EQ(WildPos("", "abc"), 1);
  EXPECT_EQ(WildPos("", ""), 1);
  EXPECT_EQ(WildPos("?", ""), 0);
  EXPECT_EQ(WildPos("abcd", "abc"), 0);
  EXPECT_EQ(WildPos("x", "abc"), 0);
  EXPECT_EQ(WildPos("c", "abcc"), 3);
}

// Long pieces take other search paths (with and without "?", longer than a machine word).
TEST(WildPos, AgreesWithADirectSearchForLongPieces) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    const size_t length = 1 + random() % 90;
    std::string segment, text;
    for (size_t i = 0; i < length; ++i) segment.push_back("ab?"[random() % (round % 2 ? 3 : 2)]);
    for (int i = random() % 400; i > 0; --i) text.push_back("ab"[random() % 2]);
    if (random() % 2 && text.size() > length) {  // plant an occurrence
      const size_t at = random() % (text.size() - length);
      for (size_t i = 0; i < length; ++i) {
        if (segment[i] != '?') text[at + i] = segment[i];
      }
    }
    int expected = 0;
    for (size_t p = 0; expected == 0 && p + segment.size() <= text.size(); ++p) {
      bool all = true;
      for (size_t i = 0; all && i < segment.size(); ++i) {
        all = segment[i] == '?' || segment[i] == text[p + i];
      }
      if (all) expected = static_cast<int>(p) + 1;
    }
    ASSERT_EQ(WildPos(segment, text), expected) << segment << " in " << text;
  }
}

TEST_F(IniArrayTest, MatchesAnyTriesEveryEntryWithoutCase) {
  Write({"[POPUPAD]", "ad0=*doubleclick.net*", "ad1=*/ADSERVER/*", "ad2=http://pop?.example/*"});
  TAdIniArray list(files_, kPath, "POPUPAD", "ad");
  EXPECT_TRUE(list.MatchesAny("http://AD.DoubleClick.net/x"));
  EXPECT_TRUE(list.MatchesAny("http://x/adserver/y"));
  EXPECT_TRUE(list.MatchesAny("http://pop1.example/"));
  EXPECT_FALSE(list.MatchesAny("http://pop12.example/"));
  EXPECT_FALSE(list.MatchesAny("http://example.com/"));
  list.Delete(0);
  EXPECT_FALSE(list.MatchesAny("http://AD.DoubleClick.net/x"));
  list.Clear();
  EXPECT_FALSE(list.MatchesAny(""));
  Write({"[POPUPAD]", "pass0=*"});
  EXPECT_FALSE(TAdIniArray(files_, kPath, "POPUPAD", "ad").MatchesAny("anything"));
}

// A long list is searched through an index of one rare window of each pattern; the answer
// must stay that of trying every pattern in turn.
TEST_F(IniArrayTest, MatchesAnyOfALongListAgreesWithTryingEachPattern) {
  std::mt19937 random(99);
  const std::string alphabet = "abcdAB./*?";
  for (int round = 0; round < 40; ++round) {
    std::vector<std::string> lines = {"[POPUPAD]"};
    std::vector<std::string> patterns;
    for (int i = 0; i < 60; ++i) {
      std::string p;
      for (int n = 1 + random() % 12; n > 0; --n) p.push_back(alphabet[random() % alphabet.size()]);
      patterns.push_back(p);
      lines.push_back("ad" + std::to_string(i) + "=" + p);
    }
    Write(lines);
    TAdIniArray list(files_, kPath, "POPUPAD", "ad");
    ASSERT_EQ(list.Items(), patterns);
    for (int t = 0; t < 200; ++t) {
      std::string text;
      for (int n = random() % 16; n > 0; --n) text.push_back(alphabet[random() % 8]);
      bool expected = false;
      for (const std::string& p : patterns) expected = expected || Match(p, text);
      ASSERT_EQ(list.MatchesAny(text), expected) << text;
    }
  }
}

}  // namespace
}  // namespace orv
