// The matcher's index (WildcardSet::MatchesAny) against a plain scan over every pattern and
// against a reference matcher written here from the rules alone, on large random and
// adversarial corpora with fixed seeds.
#include "lists/wildcard.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/ansi.h"
#include "lists/ini_array.h"

namespace orv {
namespace {

// The rules of wildcard.h read directly: normalise, fold A-Z (never the second byte of a
// double-byte character) in pattern and text, then "*" any run of bytes and "?" any one byte,
// by dynamic programming.
bool Reference(const std::string& pattern, const std::string& text, bool fold_case) {
  std::string p = NormalizeWildcards(pattern), t = text;
  if (fold_case) {
    p = AnsiLowerAscii(p);
    t = AnsiLowerAscii(t);
  }
  std::vector<char> row(t.size() + 1, 0), next(t.size() + 1);
  row[0] = 1;
  for (char c : p) {
    next.assign(t.size() + 1, 0);
    if (c == '*') {
      char any = 0;
      for (size_t j = 0; j <= t.size(); ++j) next[j] = any = any || row[j];
    } else {
      for (size_t j = 1; j <= t.size(); ++j) next[j] = row[j - 1] && (c == '?' || c == t[j - 1]);
    }
    row.swap(next);
  }
  return row[t.size()] != 0;
}

class Corpus {
 public:
  explicit Corpus(unsigned seed) : random_(seed) {}
  size_t Below(size_t n) { return random_() % n; }
  char From(const std::string& alphabet) { return alphabet[Below(alphabet.size())]; }

  // A pattern of pieces from a small alphabet (so that keys are shared and found often), with
  // stars and question marks, runs of every length around the index's windows of 2 to 8 bytes.
  std::string Pattern(const std::string& alphabet) {
    std::string p;
    if (Below(2)) p.push_back('*');
    for (int pieces = 1 + Below(4); pieces > 0; --pieces) {
      for (int n = 1 + Below(12); n > 0; --n) p.push_back(Below(6) == 0 ? '?' : From(alphabet));
      if (pieces > 1 || Below(2)) p.push_back(Below(8) == 0 ? '?' : '*');
    }
    return p;
  }
  // A text the pattern matches or nearly matches: its stars filled, its "?" any byte, and then
  // maybe one byte changed, added or removed.
  std::string Near(const std::string& pattern, const std::string& alphabet) {
    std::string t;
    for (char c : pattern) {
      if (c == '*') {
        for (int n = Below(6); n > 0; --n) t.push_back(From(alphabet));
      } else if (c == '?') {
        t.push_back(From(alphabet));
      } else {
        t.push_back(Below(8) == 0 && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
      }
    }
    switch (Below(4)) {
      case 0: if (!t.empty()) t[Below(t.size())] = From(alphabet); break;
      case 1: t.insert(t.begin() + Below(t.size() + 1), From(alphabet)); break;
      case 2: if (!t.empty()) t.erase(t.begin() + Below(t.size())); break;
      default: break;
    }
    return t;
  }
  std::string Text(const std::string& alphabet, size_t longest) {
    std::string t;
    for (size_t n = Below(longest + 1); n > 0; --n) t.push_back(From(alphabet));
    return t;
  }

 private:
  std::mt19937 random_;
};

void ExpectSameAnswers(const std::vector<std::string>& patterns,
                       const std::vector<std::string>& texts, bool fold_case, bool reference) {
  const WildcardSet set(patterns, fold_case);
  for (const std::string& t : texts) {
    const bool scan = set.MatchesAnyByScan(t);
    ASSERT_EQ(set.MatchesAny(t), scan) << "text " << t << " over " << patterns.size();
    if (reference) {
      bool expected = false;
      for (const std::string& p : patterns) expected = expected || Reference(p, t, fold_case);
      ASSERT_EQ(scan, expected) << "text " << t;
    }
  }
}

TEST(WildcardIndex, ReferenceMatcherAgreesWithEachPatternOnItsOwn) {
  Corpus corpus(1);
  const std::string alphabet = "abcAB?*./\x81";
  for (int i = 0; i < 20000; ++i) {
    const std::string p = corpus.Pattern("abcAB./\x81");
    const std::string t = corpus.Below(2) ? corpus.Near(p, alphabet) : corpus.Text("abcAB?*", 12);
    const bool fold = corpus.Below(2);
    ASSERT_EQ(WildcardSet({p}, fold).Matches(0, t), Reference(p, t, fold)) << p << " / " << t;
  }
}

TEST(WildcardIndex, AgreesWithThePlainScanOnRandomLists) {
  Corpus corpus(2);
  for (int round = 0; round < 60; ++round) {
    const std::string alphabet = round % 3 == 0 ? "abAB" : round % 3 == 1 ? "abcdeAB./" : "ab\x81\xfe" "AZ?*";
    const size_t count = 16 + corpus.Below(round % 5 == 0 ? 3000 : 300);
    std::vector<std::string> patterns;
    for (size_t i = 0; i < count; ++i) patterns.push_back(corpus.Pattern(alphabet));
    std::vector<std::string> texts;
    for (int k = 0; k < 300; ++k) {
      texts.push_back(k % 2 ? corpus.Near(patterns[corpus.Below(count)], alphabet)
                            : corpus.Text(alphabet, k % 10 == 0 ? 400 : 24));
    }
    ExpectSameAnswers(patterns, texts, round % 2 == 0, count < 400);
  }
}

// Lists made to defeat an index: one key shared by every pattern, keys the text holds at every
// place, patterns with no two literal bytes near each other, only stars, "?" at window edges,
// pieces just shorter and longer than the 8-byte window, double-byte characters whose second
// byte is a capital letter.
TEST(WildcardIndex, AgreesWithThePlainScanOnAdversarialLists) {
  Corpus corpus(3);
  std::vector<std::vector<std::string>> lists(8);
  for (int i = 0; i < 2000; ++i) {
    const std::string n = std::to_string(i);
    lists[0].push_back("*aaaaaaaa*" + n + "*");
    lists[1].push_back("*a?a?a?a?" + n + "?*");
    lists[2].push_back(std::string("*") + "htpw"[i % 4] + "*" + "xyz"[i % 3] + "*" + n);
    lists[3].push_back(i % 50 == 0 ? "*" : i % 50 == 1 ? "?*?" : "*" + n + "?????????" + n + "*");
    lists[4].push_back("http://" + std::string(1 + i % 9, 'w') + n + "/*");
    lists[5].push_back("*\x81" "A" + n + "\x81" "b*");
    lists[6].push_back("*" + std::string(7 + i % 3, 'a') + "b" + n);
    lists[7].push_back("?" + n + "??????????????a*b?");
  }
  std::vector<std::string> texts = {"", "a", std::string(70000, 'a'),
                                    std::string(64 * 1024, 'a') + "b1999",
                                    "http://wwwwwwwww1/x", "\x81" "A7\x81" "b", "\x81" "a7\x81" "b"};
  for (int k = 0; k < 400; ++k) {
    const auto& list = lists[k % lists.size()];
    texts.push_back(corpus.Near(list[corpus.Below(list.size())], "aAbhtpwxyz0123456789\x81"));
    texts.push_back(corpus.Text("aAbx01\x81", 40));
  }
  for (const auto& list : lists) {
    ExpectSameAnswers(list, texts, true, false);
    ExpectSameAnswers(list, texts, false, false);
  }
}

// A 64 KiB address (and one of 2 KiB) through the index and through a rule list: matched as any
// other, in time linear in its length.
TEST(WildcardIndex, HugeAddressesAreMatchedLikeAnyOther) {
  std::vector<std::string> patterns;
  for (int i = 0; i < 1000; ++i) patterns.push_back("*ads" + std::to_string(i) + ".example/*");
  const WildcardSet set(patterns, true);
  for (size_t length : {size_t{2048}, size_t{64 * 1024}}) {
    const std::string filler(length, 'x');
    EXPECT_FALSE(set.MatchesAny("http://www.example/" + filler));
    EXPECT_TRUE(set.MatchesAny("http://ADS999.example/" + filler));
    EXPECT_TRUE(set.MatchesAny("http://x/" + filler + "/ads5.example/"));
    EXPECT_EQ(set.MatchesAny("http://x/" + filler + "\"ads7.example/\t\x01"),
              set.MatchesAnyByScan("http://x/" + filler + "\"ads7.example/\t\x01"));
  }
}

}  // namespace
}  // namespace orv
