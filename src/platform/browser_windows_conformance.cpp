// The behaviour every BrowserWindows must share, run natively against the in-memory windows and
// under Windows against the shell's collection. Windows of other programs may already be open on
// a real desktop, so counts are taken relative to what was there before the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/browser_windows_conformance.h"

namespace orv {
namespace {

class BrowserWindowsConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture_ = MakeBrowserWindowsConformanceFixture();
    before_ = windows().Count();
  }
  BrowserWindows& windows() { return fixture_->Windows(); }

  // Addresses of every browser in a fresh view, sorted.
  std::vector<std::string> Addresses() {
    std::vector<std::string> out;
    const int count = windows().Count();
    for (int i = 0; i < count; ++i) {
      std::unique_ptr<BrowserWindow> window = windows().Item(i);
      if (window) out.push_back(window->LocationURL());
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  static bool Holds(const std::vector<std::string>& sorted, const std::string& address) {
    return std::binary_search(sorted.begin(), sorted.end(), address);
  }
  // The window showing address in a fresh view, or nullptr.
  std::unique_ptr<BrowserWindow> Find(const std::string& address) {
    const int count = windows().Count();
    for (int i = 0; i < count; ++i) {
      std::unique_ptr<BrowserWindow> window = windows().Item(i);
      if (window && window->LocationURL() == address) return window;
    }
    return nullptr;
  }

  std::unique_ptr<BrowserWindowsConformanceFixture> fixture_;
  int before_ = 0;
};

TEST_F(BrowserWindowsConformance, EveryCountTakesAFreshView) {
  fixture_->Open("http://ads.example.com/pop.html");
  fixture_->Open("file:///C:/");
  EXPECT_EQ(windows().Count(), before_ + 2);
  fixture_->Open("http://www.example.com/");
  EXPECT_EQ(windows().Count(), before_ + 3);
}

TEST_F(BrowserWindowsConformance, ItemsGiveEachAddressInTheAnsiCodePage) {
  const std::string chinese = "http://例子.测试/广告.html";  // code page 936 bytes
  fixture_->Open("http://ads.example.com/pop.html");
  fixture_->Open("FILE:///C:/");
  fixture_->Open("");
  fixture_->Open(chinese);
  fixture_->Open("http://ads.example.com/pop.html");  // two windows on one address

  const std::vector<std::string> addresses = Addresses();
  EXPECT_EQ(static_cast<int>(addresses.size()), before_ + 5);
  EXPECT_EQ(std::count(addresses.begin(), addresses.end(), "http://ads.example.com/pop.html"), 2);
  EXPECT_TRUE(Holds(addresses, "FILE:///C:/"));
  EXPECT_TRUE(Holds(addresses, ""));
  EXPECT_TRUE(Holds(addresses, chinese));
  EXPECT_EQ(chinese.size(), 26u);  // each Chinese character is two bytes
}

TEST_F(BrowserWindowsConformance, QuitClosesThatWindowOnly) {
  fixture_->Open("http://www.example.com/");
  fixture_->Open("http://ads.example.com/pop.html");
  fixture_->Open("file:///C:/");
  std::unique_ptr<BrowserWindow> ad = Find("http://ads.example.com/pop.html");
  ASSERT_NE(ad, nullptr);
  ad->Quit();
  fixture_->Settle();

  EXPECT_EQ(windows().Count(), before_ + 2);
  const std::vector<std::string> addresses = Addresses();
  EXPECT_FALSE(Holds(addresses, "http://ads.example.com/pop.html"));
  EXPECT_TRUE(Holds(addresses, "http://www.example.com/"));
  EXPECT_TRUE(Holds(addresses, "file:///C:/"));
}

TEST_F(BrowserWindowsConformance, CallsOnAClosedWindowFail) {
  fixture_->Open("http://ads.example.com/pop.html");
  std::unique_ptr<BrowserWindow> ad = Find("http://ads.example.com/pop.html");
  ASSERT_NE(ad, nullptr);
  ad->Quit();
  fixture_->Settle();
  EXPECT_THROW(ad->LocationURL(), AutomationError);
  EXPECT_THROW(ad->Quit(), AutomationError);
}

TEST_F(BrowserWindowsConformance, ItemOutsideTheViewIsNoWindow) {
  fixture_->Open("http://ads.example.com/pop.html");
  const int count = windows().Count();
  ASSERT_EQ(count, before_ + 1);
  EXPECT_EQ(windows().Item(count), nullptr);
  EXPECT_EQ(windows().Item(count + 5), nullptr);
  EXPECT_EQ(windows().Item(-1), nullptr);
}

TEST_F(BrowserWindowsConformance, ItemIndexesTheViewOfTheLastCount) {
  fixture_->Open("http://www.example.com/");
  const int count = windows().Count();
  fixture_->Open("http://ads.example.com/late.html");  // opened after the view was taken
  EXPECT_EQ(windows().Item(count), nullptr);
  EXPECT_EQ(windows().Count(), count + 1);
  std::unique_ptr<BrowserWindow> late = windows().Item(count);  // the newest window comes last
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(late->LocationURL(), "http://ads.example.com/late.html");
}

}  // namespace
}  // namespace orv
