#include "notice/notice_code.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using namespace std::string_literals;
using Items = std::vector<std::string>;

TEST(CommaRule, SplitsAsTheNoticeCodesAreWritten) {
  struct Case {
    std::string text;
    Items items;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {" \t\r\n", {}},
      {"3,hello", {"3", "hello"}},
      {"  3 , hello  ", {"3", "hello"}},
      {"3,", {"3", ""}},                    // a separator at the very end adds an empty item
      {"3, ", {"3"}},                       // ... but not when blanks follow it
      {",", {"", ""}},
      {",,", {"", "", ""}},
      {"a,,b", {"a", "", "b"}},
      {"2,two words,cap", {"2", "two", "words", "cap"}},  // an unquoted blank ends an item
      {"2,\"two words\",\"cap\"", {"2", "two words", "cap"}},
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"\"\",x", {"", "x"}},
      {"\"abc\"def,x", {"abc", "def", "x"}},
      {"a\"b,c", {"a\"b", "c"}},
      {"\"open", {"open"}},                 // no closing quote: the rest of the text
      {"\"\"\"", {"\""}},
      {"1,http://a/?x=1,y", {"1", "http://a/?x=1", "y"}},
      {"3,a\x1F" "b", {"3", "a", "b"}},     // codes 1 to 32 end an item
      {"3,\x7F\xFF", {"3", "\x7F\xFF"}},    // codes above 32 do not
      {"3,ab\0cd,e"s, {"3", "ab"}},         // the text ends at a NUL
      // Double-byte characters are stepped over whole; 0x81 0x2C is one character, not a comma.
      {"3,\xC4\xE3\xBA\xC3", {"3", "\xC4\xE3\xBA\xC3"}},
      {"3,\x81,x", {"3", "\x81,x"}},
      {"3,\x81 x", {"3", "\x81 x"}},
      {"\"\x81\"x\",y", {"\x81\"x", "y"}},
      {"3,\x81", {"3", "\x81"}},           // a lead byte at the end stands alone
  };
  for (const Case& c : cases) EXPECT_EQ(SplitItems(c.text, ','), c.items) << c.text;
}

TEST(CommaRule, OtherSeparators) {
  EXPECT_EQ(SplitItems("proxy:8080", ':'), (Items{"proxy", "8080"}));
  EXPECT_EQ(SplitItems("proxy", ':'), (Items{"proxy"}));
  EXPECT_EQ(SplitItems("a:b:c", ':'), (Items{"a", "b", "c"}));
  EXPECT_EQ(SplitItems("a,b:c", ':'), (Items{"a,b", "c"}));
}

TEST(NoticeDocument, EveryRunOfBlanksAndLineEndsSeparatesItems) {
  struct Case {
    std::string body;
    Items items;
  };
  const std::vector<Case> cases = {
      {"3,\xC4\xE3\xBA\xC3\r\n1,http://x/\r\n", {"3,\xC4\xE3\xBA\xC3", "1,http://x/"}},
      {"a\r\n\r\n\r\nb", {"a", "b"}},  // empty lines give no items
      {"a\nb\rc\td e", {"a", "b", "c", "d", "e"}},
      {"a\r", {"a"}},
      {"\"2,\"\"two words\"\",cap\"\r\nnil", {"2,\"two words\",cap", "nil"}},
      {"\"two\r\nlines\"", {"two\r\nlines"}},
      {"\"\"\r\n\"\"", {"", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitNoticeDocument(c.body), c.items) << c.body;
}

TEST(NoticeDocument, AQuotedCodeSplitsAgainIntoItsItems) {
  const Items doc = SplitNoticeDocument("\"2,\"\"hello there\"\",\"\"a caption\"\"\"\r\nnil\r\n");
  ASSERT_EQ(doc.size(), 2u);
  EXPECT_EQ(SplitItems(doc[0], ','), (Items{"2", "hello there", "a caption"}));
}

TEST(CodeNumber, DecimalWithinThirtyTwoBits) {
  EXPECT_EQ(CodeNumber("3"), 3);
  EXPECT_EQ(CodeNumber("03"), 3);
  EXPECT_EQ(CodeNumber("+1"), 1);
  EXPECT_EQ(CodeNumber("-2"), -2);
  EXPECT_EQ(CodeNumber("2147483647"), 2147483647L);
  EXPECT_EQ(CodeNumber("-2147483648"), -2147483647L - 1);
  for (const char* bad : {"", "+", "-", " 3", "3 ", "3a", "0x3", "2147483648", "99999999999999999999"})
    EXPECT_FALSE(CodeNumber(bad).has_value()) << bad;
}

}  // namespace
}  // namespace orv
