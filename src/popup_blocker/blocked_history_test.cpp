#include "popup_blocker/blocked_history.h"

#include <gtest/gtest.h>

#include <climits>

namespace orv {
namespace {

TEST(BlockedHistory, DisabledAndEmptyUntilTheFirstEntry) {
  BlockedHistoryMenu menu;
  EXPECT_FALSE(menu.Enabled());
  EXPECT_EQ(menu.Count(), 0);
  menu.AddBlockedHistoryItem("http://a/", "http://a/");
  EXPECT_TRUE(menu.Enabled());
  ASSERT_EQ(menu.Count(), 1);
  EXPECT_EQ(menu.Entry(0).caption, "(1) http://a/");
  EXPECT_EQ(menu.Entry(0).hint, "http://a/");
}

TEST(BlockedHistory, RepeatedAddressMovesToTheEndWithItsCountRaised) {
  BlockedHistoryMenu menu;
  menu.AddBlockedHistoryItem("x", "http://x/");
  menu.AddBlockedHistoryItem("y", "http://y/");
  menu.AddBlockedHistoryItem("x", "http://x/");
  menu.AddBlockedHistoryItem("x", "http://x/");
  ASSERT_EQ(menu.Count(), 2);
  EXPECT_EQ(menu.Entry(0).hint, "http://y/");
  EXPECT_EQ(menu.Entry(1).caption, "(3) x");
  EXPECT_EQ(menu.FindHistoryItemByHint("http://x/"), 1);
  EXPECT_EQ(menu.FindHistoryItemByHint("HTTP://X/"), -1);  // hints compare exactly
}

TEST(BlockedHistory, KeepsTheTenNewestAddresses) {
  BlockedHistoryMenu menu;
  for (int i = 0; i < 11; ++i) {
    const std::string a = "http://site" + std::to_string(i) + "/";
    menu.AddBlockedHistoryItem(a, a);
  }
  ASSERT_EQ(menu.Count(), BlockedHistoryMenu::kMaxEntries);
  EXPECT_EQ(menu.FindHistoryItemByHint("http://site0/"), -1);
  EXPECT_EQ(menu.Entry(0).hint, "http://site1/");
  EXPECT_EQ(menu.Entry(9).hint, "http://site10/");

  // A repeat when full drops nothing.
  menu.AddBlockedHistoryItem("s1", "http://site1/");
  EXPECT_EQ(menu.Count(), 10);
  EXPECT_EQ(menu.Entry(9).caption, "(2) s1");
  EXPECT_EQ(menu.Entry(0).hint, "http://site2/");
}

TEST(BlockedHistory, RepeatCountReadsTheLeadingNumber) {
  EXPECT_EQ(BlockedHistoryMenu::HistoryItemRepeatCount("(12) http://a/(3)"), 12);
  EXPECT_EQ(BlockedHistoryMenu::HistoryItemRepeatCount("(1) "), 1);
  // Captions not made by the menu count as none rather than failing.
  EXPECT_EQ(BlockedHistoryMenu::HistoryItemRepeatCount(""), 0);
  EXPECT_EQ(BlockedHistoryMenu::HistoryItemRepeatCount("() x"), 0);
  EXPECT_EQ(BlockedHistoryMenu::HistoryItemRepeatCount("(x) y"), 0);
  EXPECT_EQ(BlockedHistoryMenu::HistoryItemRepeatCount("(5 no close"), 0);
  EXPECT_EQ(BlockedHistoryMenu::HistoryItemRepeatCount("(99999999999999999999) x"), INT_MAX - 1);
}

}  // namespace
}  // namespace orv
