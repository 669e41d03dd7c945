#include "shell/browser_argument.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(BrowserArgument, AnAddressCannotEndItsQuotesEarly) {
  EXPECT_EQ(BrowserArgumentFor("http://a/?q=1&b=2"), "\"http://a/?q=1&b=2\"");
  EXPECT_EQ(BrowserArgumentFor("http://a/\" -k \"x"), "\"http://a/%22 -k %22x\"");
  EXPECT_EQ(BrowserArgumentFor("http://a/\r\nb\t"), "\"http://a/%0D%0Ab%09\"");
  EXPECT_EQ(BrowserArgumentFor("http://a\\b\\\\"), "\"http://a\\b\\\\\\\\\"");
  EXPECT_EQ(BrowserArgumentFor(""), "");
}

}  // namespace
}  // namespace orv
