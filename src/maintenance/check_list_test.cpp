#include "maintenance/check_list.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(CheckListTest, TicksAndTheBackwardWalk) {
  CheckList list;
  for (const char* name : {"a", "b", "c", "d"}) list.Append({name, ""});
  list.SetTicked(1, true);
  list.SetTicked(3, true);
  list.SetTicked(9, true);  // outside: ignored
  EXPECT_EQ(list.TickedFromLast(), (std::vector<int>{3, 1}));
  list.InvertTicks();
  EXPECT_EQ(list.TickedFromLast(), (std::vector<int>{2, 0}));
  list.TickAll(true);
  for (int i : list.TickedFromLast()) list.Remove(i);  // every index stays valid on the way
  EXPECT_EQ(list.size(), 0);
  list.Append({"x"});
  EXPECT_FALSE(list.IsTicked(0));  // a new row starts unticked
  list.SetCell(0, 2, "z");
  EXPECT_EQ(list.row(0).cells, (std::vector<std::string>{"x", "", "z"}));
}

}  // namespace
}  // namespace orv
