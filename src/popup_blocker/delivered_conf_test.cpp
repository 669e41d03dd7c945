// The data files delivered in conf/ beside the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/memory/memory_files.h"
#include "lists/ini_array.h"

namespace orv {
namespace {

std::string DeliveredFile(const std::string& name) {
  std::string here = __FILE__;  // .../src/popup_blocker/delivered_conf_test.cpp
  const std::string root = here.substr(0, here.rfind("/src/"));
  std::ifstream in(root + "/conf/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Every line ends in CR LF, as the program writes them.
bool AllLinesEndInCrLf(const std::string& text) {
  if (text.empty() || text.substr(text.size() - 2) != "\r\n") return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
  }
  return true;
}

TEST(DeliveredConf, BlackListLoadsAndBlocksCommonAdvertisementAddresses) {
  const std::string text = DeliveredFile("KillAD.ini");
  ASSERT_FALSE(text.empty());
  EXPECT_TRUE(AllLinesEndInCrLf(text));
  MemoryFileSystem files;
  files.SetFile("C:\\Orvanel\\conf\\KillAD.ini", text);
  TAdIniArray black(files, "C:\\Orvanel\\conf\\KillAD.ini", "POPUPAD", "ad");
  EXPECT_GE(black.Count(), 8);
  EXPECT_TRUE(black.MatchesAny("http://ad.doubleclick.net/adj/site;sz=468x60"));
  EXPECT_TRUE(black.MatchesAny("http://pagead2.googlesyndication.com/pagead/show_ads.js"));
  EXPECT_TRUE(black.MatchesAny("http://media.fastclick.net/w/pop.cgi?sid=1"));
  EXPECT_FALSE(black.MatchesAny("http://www.example.com/"));
  EXPECT_FALSE(black.MatchesAny("http://news.example.com/2024/story.html"));
  EXPECT_FALSE(black.MatchesAny("about:blank"));
  EXPECT_TRUE(TIniArray(files, "C:\\Orvanel\\conf\\KillAD.ini", "POPUPAD", "pass").Items().empty());
  EXPECT_TRUE(TIniArray(files, "C:\\Orvanel\\conf\\KillAD.ini", "POPUPAD", "temp").Items().empty());
}

uint32_t Le(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

TEST(DeliveredConf, BlockedSoundIsAQuarterSecondOfMonoPcm) {
  const std::string wav = DeliveredFile("blocked.wav");
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le(wav, 20, 2), 1u);  // PCM
  EXPECT_EQ(Le(wav, 22, 2), 1u);  // mono
  EXPECT_EQ(Le(wav, 24, 4), 22050u);
  EXPECT_EQ(Le(wav, 34, 2), 16u);
  EXPECT_EQ(wav.substr(36, 4), "data");
  const uint32_t data = Le(wav, 40, 4);
  EXPECT_EQ(data, wav.size() - 44);
  EXPECT_NEAR(data / 2 / 22050.0, 0.25, 0.001);
  int peak = 0;
  for (size_t i = 44; i + 1 < wav.size(); i += 2) {
    peak = std::max(peak, std::abs(static_cast<int16_t>(Le(wav, i, 2))));
  }
  EXPECT_GT(peak, 8000);  // audible, and not clipped
  EXPECT_LT(peak, 32000);
}

}  // namespace
}  // namespace orv
