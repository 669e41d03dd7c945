#include "shell/balloon.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/memory/recorders.h"

namespace orv {
namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Byte positions where a character of code page 936 begins (and the end of the text).
std::set<size_t> CharacterStarts(const std::string& s) {
  std::set<size_t> starts;
  size_t i = 0;
  while (i < s.size()) {
    starts.insert(i);
    unsigned char c = static_cast<unsigned char>(s[i]);
    i += (c >= 0x81 && c <= 0xFE && i + 1 < s.size()) ? 2 : 1;
  }
  starts.insert(s.size());
  return starts;
}

TEST(ShortenText, ShortTextsComeBackWhole) {
  const std::string twenty = "http://a.b.cn/x.html";  // 20 bytes
  ASSERT_EQ(twenty.size(), 20u);
  EXPECT_EQ(ShortenText(twenty, 10), twenty);
  const std::string forty(40, 'a');
  EXPECT_EQ(ShortenText(forty, 50), forty);
  const std::string twenty_one(21, 'b');
  EXPECT_EQ(ShortenText(twenty_one, 21), twenty_one);
}

TEST(ShortenText, HeadEllipsisAndTheFinalEightBytes) {
  std::string address = "http://www.example.com/";
  for (char c = 'a'; address.size() < 60; ++c) address += c;
  ASSERT_EQ(address.size(), 60u);
  const std::string out = ShortenText(address, 50);
  EXPECT_EQ(out.size(), 49u);
  EXPECT_EQ(out, address.substr(0, 38) + "..." + address.substr(52));

  EXPECT_EQ(ShortenText(address, 30), address.substr(0, 18) + "..." + address.substr(52));
  EXPECT_EQ(ShortenText(std::string(21, 'b'), 20), std::string(8, 'b') + "..." + std::string(8, 'b'));
}

TEST(ShortenText, CutsNeverSplitACharacterAndNeverGrowTheResult) {
  const std::string chinese = "\xC0\xB9\xBD\xD8";  // two characters
  const std::string odd_trail = "\x81\x41";       // one character whose second byte is "A"
  const std::vector<std::string> texts = {
      Repeat(chinese, 20),
      "a" + Repeat(chinese, 20),
      "http://" + Repeat(odd_trail + "x", 15),
      "ab" + Repeat(chinese, 10) + "c" + Repeat(odd_trail, 9),
      Repeat(chinese, 10) + "z",
  };
  int shortened_heads = 0, shortened_tails = 0;
  for (const auto& text : texts) {
    const auto starts = CharacterStarts(text);
    for (int width = 12; width <= 70; ++width) {
      SCOPED_TRACE("width " + std::to_string(width) + ", length " + std::to_string(text.size()));
      const std::string out = ShortenText(text, width);
      if (text.size() <= 20 || static_cast<int>(text.size()) <= width) {
        EXPECT_EQ(out, text);
        continue;
      }
      ASSERT_LE(out.size(), static_cast<size_t>(width - 1));
      bool matched = false;
      for (int head = width - 13; head <= width - 12 && !matched; ++head) {
        for (int tail = 7; tail <= 8 && !matched; ++tail) {
          if (head < 0 || out.size() != static_cast<size_t>(head + 3 + tail)) continue;
          if (out != text.substr(0, head) + "..." + text.substr(text.size() - tail)) continue;
          matched = true;
          EXPECT_EQ(starts.count(head), 1u) << "head ends inside a character";
          EXPECT_EQ(starts.count(text.size() - tail), 1u) << "tail starts inside a character";
          // A byte is given up only where the cut would have split a character.
          if (head == width - 13) {
            EXPECT_EQ(starts.count(width - 12), 0u);
            ++shortened_heads;
          }
          if (tail == 7) {
            EXPECT_EQ(starts.count(text.size() - 8), 0u);
            ++shortened_tails;
          }
        }
      }
      EXPECT_TRUE(matched) << "not head + ... + tail";
    }
  }
  // The texts do put cuts inside characters, at both ends.
  EXPECT_GT(shortened_heads, 0);
  EXPECT_GT(shortened_tails, 0);
}

TEST(ShortenText, NarrowWidthsStayWithinTheirBudget) {
  const std::string text(30, 'q');
  EXPECT_EQ(ShortenText(text, 12), "..." + std::string(8, 'q'));
  EXPECT_EQ(ShortenText(text, 10), "..." + std::string(6, 'q'));
  EXPECT_EQ(ShortenText(text, 4), "...");
  EXPECT_EQ(ShortenText(text, 0), "...");
  EXPECT_EQ(ShortenText(text, -5), "...");
}

TEST(ShowBalloon, FiveSecondsAndFieldsCutOnCharacterBoundaries) {
  RecordingTray tray;
  ShowBalloon(tray, "拦截到广告窗口", "http://a.cn/\r\n已拦截总数：3", BalloonIcon::Info);
  ASSERT_EQ(tray.balloons.size(), 1u);
  EXPECT_EQ(tray.balloons[0].title, "拦截到广告窗口");
  EXPECT_EQ(tray.balloons[0].text, "http://a.cn/\r\n已拦截总数：3");
  EXPECT_EQ(tray.balloons[0].icon, BalloonIcon::Info);
  EXPECT_EQ(tray.balloons[0].timeout_ms, 5000u);

  const std::string chinese = "\xC0\xB9";
  ShowBalloon(tray, Repeat(chinese, 40), "x" + Repeat(chinese, 200), BalloonIcon::Warning);
  EXPECT_EQ(tray.balloons[1].title, Repeat(chinese, 31));       // 62 bytes: 63 would split
  EXPECT_EQ(tray.balloons[1].text, "x" + Repeat(chinese, 127));  // 255 bytes
  EXPECT_EQ(tray.balloons[1].icon, BalloonIcon::Warning);

  ShowBalloon(tray, std::string(63, 't'), std::string(300, 'u'), BalloonIcon::Info);
  EXPECT_EQ(tray.balloons[2].title, std::string(63, 't'));
  EXPECT_EQ(tray.balloons[2].text, std::string(255, 'u'));
}

}  // namespace
}  // namespace orv
