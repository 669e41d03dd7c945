#include "base/ansi.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

// "拦截" is C0B9 BDD8 in code page 936; a trail byte may look like an ASCII capital.
const std::string kTwoChinese = "\xC0\xB9\xBD\xD8";

TEST(Ansi, PrefixNeverEndsInsideADoubleByteCharacter) {
  const std::string s = "ab" + kTwoChinese + "cd";
  EXPECT_EQ(SafePrefixLength(s, 2), 2u);
  EXPECT_EQ(SafePrefixLength(s, 3), 2u);  // would split the first character
  EXPECT_EQ(SafePrefixLength(s, 4), 4u);
  EXPECT_EQ(SafePrefixLength(s, 5), 4u);
  EXPECT_EQ(SafePrefixLength(s, 99), s.size());
}

TEST(Ansi, SuffixStartsOnACharacterBoundary) {
  const std::string s = "ab" + kTwoChinese + "cd";  // 8 bytes
  EXPECT_EQ(SafeSuffixStart(s, 2), 6u);
  EXPECT_EQ(SafeSuffixStart(s, 3), 6u);  // byte 5 is a trail byte: leave its character out
  EXPECT_EQ(SafeSuffixStart(s, 4), 4u);
  EXPECT_EQ(SafeSuffixStart(s, 0), 8u);
  EXPECT_EQ(SafeSuffixStart(s, 100), 0u);
}

TEST(Ansi, LowerCasesOnlyAsciiLettersOutsideDoubleByteCharacters) {
  // 0x81 0x41 is one character whose trail byte equals 'A'.
  const std::string s = "AbZ\x81\x41Q";
  EXPECT_EQ(AnsiLowerAscii(s), "abz\x81\x41q");
  EXPECT_TRUE(AnsiEqualsNoCase("AllowKillAD", "allowkillad"));
  EXPECT_FALSE(AnsiEqualsNoCase("\x81\x41", "\x81\x61"));
}

}  // namespace
}  // namespace orv
