#include "popup_blocker/companion_new_window.h"

#include <gtest/gtest.h>

#include "popup_blocker/ad_messages.h"
#include "popup_blocker/blocker_test_support.h"
#include "popup_blocker/companion_test_support.h"

namespace orv {
namespace {

using blocker_test::BlockerStorage;
using blocker_test::kFolder;
using blocker_test::kIniPath;
using companion_test::FakeProgramWindow;

const std::string kLibrary = kFolder + "x64\\Selmont.dll";

class NewWindowTest : public ::testing::Test {
 protected:
  NewWindowTest() {
    store.WriteIni({"ad0=http://ads.example.com/*", "ad1=*pop*", "pass0=*pop.example.org*",
                    "temp0=http://ads.example.com/reopened"});
    store.Key();  // the program has made the settings key; AllowKillAD is not in it
  }
  // NewWindow3 with the file's stamp as it is set here.
  bool Cancels(const std::string& address) {
    return KeepsWindowFromOpening(store.registry, store.files, lists, window, kIniPath, stamp,
                                  address);
  }
  void ChangeFile(const std::vector<std::string>& lines) {
    store.WriteIni(lines);
    stamp->write_time += 1;
  }

  BlockerStorage store;
  NewWindowLists lists;
  FakeProgramWindow window;
  std::optional<ListFileStamp> stamp = ListFileStamp{100, 7};
};

TEST_F(NewWindowTest, TheThreeListsDecideAsTheScanDecides) {
  const struct {
    const char* address;
    bool cancelled;
  } cases[] = {
      {"http://ads.example.com/banner", true},
      {"HTTP://ADS.EXAMPLE.COM/Banner", true},        // without regard to case
      {"http://news.example.com/pop-up.html", true},  // "*pop*"
      {"http://news.example.com/", false},            // on no black list
      {"http://pop.example.org/welcome", false},      // white-listed
      {"http://ads.example.com/reopened", false},     // on the temporary white list
      {"file:///C:/pop/local.htm", false},            // a local file
      {"", false},
      {"http://ads.example.com/\r\n", false},         // cannot be handed over: the scan's case
  };
  for (const auto& c : cases) EXPECT_EQ(Cancels(c.address), c.cancelled) << c.address;
  EXPECT_EQ(window.handed_over,
            (std::vector<FakeProgramWindow::HandedOver>{
                {kCopyDataBlockedWindow, "http://ads.example.com/banner"},
                {kCopyDataBlockedWindow, "HTTP://ADS.EXAMPLE.COM/Banner"},
                {kCopyDataBlockedWindow, "http://news.example.com/pop-up.html"}}));
  EXPECT_TRUE(window.posts.empty()) << "the caller asks for the scan";
  EXPECT_EQ(lists.reads(), 1);
}

TEST_F(NewWindowTest, TheSwitchMustReadOnAndTheProgramMustRun) {
  const char* const ad = "http://ads.example.com/banner";
  EXPECT_TRUE(Cancels(ad));  // no AllowKillAD value: on, as the engine reads it
  store.SetSwitch(settings::kAllowKillAD, false);
  EXPECT_FALSE(Cancels(ad));
  store.Key().WriteString(settings::kAllowKillAD, "1");  // not a switch
  EXPECT_FALSE(Cancels(ad));
  store.SetSwitch(settings::kAllowKillAD, true);
  EXPECT_TRUE(Cancels(ad));
  // A tab that may not read the settings key cancels nothing: the scan decides then.
  store.DenySettingsKey();
  EXPECT_FALSE(Cancels(ad));
  store.registry.SetAccess(settings::kRoot, settings::kKeyPath, MemoryRegistry::Rule::Allow);
  window.ready = false;
  EXPECT_FALSE(Cancels(ad));
  EXPECT_EQ(window.handed_over.size(), 2u);
}

TEST_F(NewWindowTest, TheFileIsReadAgainOnlyWhenItsStampChanges) {
  EXPECT_TRUE(Cancels("http://ads.example.com/a"));
  EXPECT_FALSE(Cancels("http://tracker.example.net/"));
  // Changed on disk but with the same stamp: the lists held are used.
  store.WriteIni({"ad0=http://tracker.example.net/*"});
  EXPECT_TRUE(Cancels("http://ads.example.com/b"));
  EXPECT_EQ(lists.reads(), 1);
  stamp->size += 1;
  EXPECT_FALSE(Cancels("http://ads.example.com/c"));
  EXPECT_TRUE(Cancels("http://tracker.example.net/"));
  ChangeFile({"ad0=http://ads.example.com/*"});
  EXPECT_TRUE(Cancels("http://ads.example.com/d"));
  EXPECT_EQ(lists.reads(), 3);
  // Another program folder's file is another file.
  store.files.SetFile("D:\\Orvanel\\conf\\KillAD.ini", "[POPUPAD]\r\nad0=*other*\r\n");
  EXPECT_TRUE(KeepsWindowFromOpening(store.registry, store.files, lists, window,
                                     "D:\\Orvanel\\conf\\KillAD.ini", stamp,
                                     "http://other.example/"));
  EXPECT_EQ(lists.reads(), 4);
}

TEST_F(NewWindowTest, AFileThatCannotBeExaminedOrReadBlocksNothing) {
  stamp.reset();
  EXPECT_FALSE(Cancels("http://ads.example.com/a"));
  stamp = ListFileStamp{1, 1};
  store.files.RemoveFile(kIniPath);
  EXPECT_FALSE(Cancels("http://ads.example.com/a"));
  // Back with a new stamp: read again.
  store.WriteIni({"ad0=http://ads.example.com/*"});
  stamp->write_time = 2;
  EXPECT_TRUE(Cancels("http://ads.example.com/a"));
  // A reading that fails (the program replacing the file just then) is tried again at the next
  // window, whatever the stamp.
  store.files.FailReadAt(1);
  stamp->write_time = 3;
  const int reads = lists.reads();
  EXPECT_FALSE(Cancels("http://ads.example.com/a"));
  EXPECT_TRUE(Cancels("http://ads.example.com/a"));
  EXPECT_EQ(lists.reads(), reads + 2);
  EXPECT_FALSE(KeepsWindowFromOpening(store.registry, store.files, lists, window, "", stamp,
                                      "http://ads.example.com/a"));
}

TEST(NewWindowListFile, TheRunningProgramsListElseTheLibrarysOwn) {
  BlockerStorage store;
  EXPECT_EQ(NewWindowListFile(store.registry, kLibrary), kIniPath);
  store.SetText(settings::kPath, "D:\\Orvanel\\");
  EXPECT_EQ(NewWindowListFile(store.registry, kLibrary), "D:\\Orvanel\\conf\\KillAD.ini");
  EXPECT_EQ(NewWindowListFile(store.registry, ""), "D:\\Orvanel\\conf\\KillAD.ini");
  store.DenySettingsKey();
  EXPECT_EQ(NewWindowListFile(store.registry, ""), "");
}

}  // namespace
}  // namespace orv
