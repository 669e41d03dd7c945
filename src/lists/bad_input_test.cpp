// Bad input to the rule lists that no other test tries: a byte-order mark at the start of
// conf\KillAD.ini, huge and malformed lines in it, addresses with quotes, blanks and control
// characters, and addresses of 2 KiB and 64 KiB through a list long enough to use the index.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/ini_array.h"
#include "lists/wildcard.h"
#include "platform/memory/memory_files.h"

namespace orv {
namespace {

const std::string kPath = "C:\\Orvanel\\conf\\KillAD.ini";
using Items = std::vector<std::string>;

TEST(BadListInput, AByteOrderMarkAtTheStartOfKillAdIniIsNoPartOfTheSection) {
  MemoryFileSystem files;
  files.SetFile(kPath, "\xEF\xBB\xBF[POPUPAD]\r\nad0=*doubleclick.net*\r\nad1=*/adserver/*\r\n"
                       "pass0=*.gov*\r\n");
  TAdIniArray black(files, kPath, "POPUPAD", "ad");
  EXPECT_EQ(black.Items(), (Items{"*doubleclick.net*", "*/adserver/*"}));
  EXPECT_TRUE(black.MatchesAny("http://ad.doubleclick.net/x"));
  black.ReplaceAll({"*popads*"});
  const std::string bytes = files.FileBytes(kPath);
  // Written back as the ANSI file it is read as: without the mark, every other line kept.
  EXPECT_EQ(bytes, "[POPUPAD]\r\nad0=*popads*\r\npass0=*.gov*\r\n");
  EXPECT_EQ(TIniArray(files, kPath, "POPUPAD", "ad").Items(), Items{"*popads*"});
  EXPECT_EQ(TIniArray(files, kPath, "POPUPAD", "pass").Items(), Items{"*.gov*"});
}

TEST(BadListInput, HugeAndMalformedLinesLeaveTheRunReadable) {
  MemoryFileSystem files;
  const std::string huge(1 << 20, 'h');
  files.SetFile(kPath, "[POPUPAD\r\nno equals sign\r\n=nameless\r\n[POPUPAD]\r\n" + huge +
                           "\r\nad0=*one*\r\nad1=" + huge + "\r\n" + std::string("x\0y", 3) +
                           "\r\nad2=*three*\r\n");
  TAdIniArray black(files, kPath, "POPUPAD", "ad");
  ASSERT_EQ(black.Count(), 3);
  EXPECT_EQ(black.Items()[0], "*one*");
  EXPECT_EQ(black.Items()[1], huge.substr(0, 2047));  // a value is cut to 2,047 bytes
  EXPECT_EQ(black.Items()[2], "*three*");
  EXPECT_TRUE(black.MatchesAny("http://three/"));
  black.Add("*four*");
  EXPECT_EQ(TIniArray(files, kPath, "POPUPAD", "ad").Items().back(), "*four*");
}

// Quotes, blanks and control characters are bytes like any other to the matcher; through a
// list they read back as the reader gives them (blanks around trimmed, one pair of quotes
// removed).
TEST(BadListInput, AddressesWithQuotesBlanksAndControlCharactersMatchByTheirBytes) {
  std::vector<std::string> patterns = {"*\"*", "* x *", "*\t*", "*\x01*", "*'*'*"};
  for (int i = 0; i < 100; ++i) patterns.push_back("*filler" + std::to_string(i) + "*");
  const WildcardSet set(patterns, true);
  const std::string texts[] = {"http://a/\"quoted\"", "http://a/ x /", "http://a/\tb",
                               "http://a/\x01", "http://a/'b'", "http://a/ b", "http://a/\x02",
                               std::string("http://a/\0b", 11)};
  for (const std::string& t : texts) {
    EXPECT_EQ(set.MatchesAny(t), set.MatchesAnyByScan(t)) << t;
  }
  EXPECT_TRUE(set.MatchesAny("http://a/\"quoted\""));
  EXPECT_FALSE(set.MatchesAny("http://a/\x02"));

  MemoryFileSystem files;
  files.SetFile(kPath, "[POPUPAD]\r\n");
  TAdIniArray list(files, kPath, "POPUPAD", "ad");
  list.Add("  \"*a b*\"  ");
  list.Add("*\x01*");
  TAdIniArray back(files, kPath, "POPUPAD", "ad");
  EXPECT_EQ(back.Items(), (Items{"*a b*", "*\x01*"}));
  EXPECT_TRUE(back.MatchesAny("http://x/a b"));
  EXPECT_TRUE(back.MatchesAny("http://x/\x01"));
}

TEST(BadListInput, AddressesOf2And64KiBThroughALongList) {
  MemoryFileSystem files;
  std::string ini = "[POPUPAD]\r\n";
  for (int i = 0; i < 10000; ++i) {
    ini += "ad" + std::to_string(i) + "=*ads" + std::to_string(i) + ".example.com/*\r\n";
  }
  files.SetFile(kPath, ini);
  TAdIniArray black(files, kPath, "POPUPAD", "ad");
  for (size_t length : {size_t{2048}, size_t{64 * 1024}}) {
    const std::string path(length, 'p');
    EXPECT_FALSE(black.MatchesAny("http://www.example.com/" + path));
    EXPECT_TRUE(black.MatchesAny("http://ads9999.example.com/" + path));
    EXPECT_TRUE(black.MatchesAny("http://x/" + path + "?u=http://ads7.EXAMPLE.com/"));
    // As an entry it reads back cut to 2,047 bytes.
    TAdIniArray list(files, kPath, "POPUPAD", "ad");
    list.Add("http://x/" + path);
    EXPECT_EQ(TIniArray(files, kPath, "POPUPAD", "ad").Items().back(),
              ("http://x/" + path).substr(0, 2047));
    list.Delete(list.Count() - 1);
  }
}

}  // namespace
}  // namespace orv
