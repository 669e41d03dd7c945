#include "popup_blocker/ad_page.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "popup_blocker/blocker_test_support.h"

namespace orv {
namespace {

using blocker_test::BlockerStorage;
using blocker_test::kFolder;
using blocker_test::kIniPath;
using Items = std::vector<std::string>;

class AdPageTest : public ::testing::Test {
 protected:
  AdPageTest() : page(store.files, store.registry, kFolder) {
    store.WriteIni({"ad0=*zeta*", "ad1=*alpha*", "pass0=*.example.org/*", "temp0=http://a/",
                    "temp1=http://b/"});
  }
  BlockerStorage store;
  AdPage page;
};

TEST_F(AdPageTest, LoadShowsRunsInFileOrderAndEmptiesTheTemporaryList) {
  store.SetSwitch("AllowKillAd", false);  // the first run's spelling names the same value
  store.SetSwitch(settings::kKillAdNotice, true);
  page.LoadAdPage();
  EXPECT_EQ(page.KillAdIniPath(), kIniPath);
  EXPECT_EQ(page.blacklist.items, (Items{"*zeta*", "*alpha*"}));  // never sorted
  EXPECT_EQ(page.WhiteList.items, (Items{"*.example.org/*"}));
  EXPECT_TRUE(page.TempWhiteList.items.empty());
  EXPECT_TRUE(store.Run("temp").empty());
  EXPECT_EQ(store.Run("ad"), (Items{"*zeta*", "*alpha*"}));  // loading writes nothing else
  EXPECT_FALSE(page.chkKillAD);
  EXPECT_TRUE(page.chkKillAdNotice);
  EXPECT_FALSE(page.btn_ad_save_enabled);
  EXPECT_FALSE(page.btn_ad_cancel_enabled);
}

TEST_F(AdPageTest, MissingSwitchesOrUnopenableKeyLeaveTheCheckBoxes) {
  page.chkKillAD = true;
  page.chkKillAdNotice = true;
  page.LoadAdPage();
  EXPECT_TRUE(page.chkKillAD);
  EXPECT_TRUE(page.chkKillAdNotice);

  store.SetSwitch(settings::kAllowKillAD, false);
  store.DenySettingsKey();
  page.LoadAdPage();
  EXPECT_TRUE(page.chkKillAD);
  EXPECT_EQ(page.blacklist.items.size(), 2u);
}

TEST(AdPageMissingFile, StopsLoadingAndSavingAtTheFirstList) {
  BlockerStorage store;  // no conf\KillAD.ini
  AdPage page(store.files, store.registry, kFolder);
  store.SetSwitch(settings::kAllowKillAD, true);
  page.blacklist.items = {"kept"};
  try {
    page.LoadAdPage();
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), kIniPath + " didn't exists.");
  }
  EXPECT_EQ(page.blacklist.items, (Items{"kept"}));
  EXPECT_FALSE(page.chkKillAD);  // switches come after the lists

  page.chkKillAdNotice = true;
  EXPECT_THROW(page.SaveAdPage(), FileError);
  EXPECT_FALSE(store.Key().ValueExists(settings::kKillAdNotice));
  EXPECT_FALSE(store.files.FileExists(kIniPath));  // never created
}

TEST_F(AdPageTest, AddedEntryIsStoredAtExitWithoutApply) {
  page.LoadAdPage();
  page.TempWhiteList.Append("http://reopened/");
  const int row = page.KillAd_AddClick();
  ASSERT_EQ(row, 2);
  EXPECT_EQ(page.blacklist.items[2], kNewItemCaption);
  EXPECT_TRUE(page.EndEdit(AdList::Black, row, "*ads.example.com*"));
  EXPECT_FALSE(page.btn_ad_save_enabled);  // list changes do not enable apply

  page.ClearTempView();  // exit: temporary view first, then the save
  page.SaveAdPage();
  EXPECT_EQ(store.Run("ad"), (Items{"*zeta*", "*alpha*", "*ads.example.com*"}));
  EXPECT_TRUE(store.Run("temp").empty());
  EXPECT_TRUE(page.TempWhiteList.items.empty());
}

TEST_F(AdPageTest, AddOnWhiteListAndCancelledEditKeepsNewItem) {
  page.LoadAdPage();
  const int row = page.KillAd_Add2Click();
  EXPECT_EQ(row, 1);
  page.btn_ad_saveClick();  // editing cancelled: no EndEdit
  EXPECT_EQ(store.Run("pass"), (Items{"*.example.org/*", "New Item"}));
}

// Texts that the file's reader gives back as "": blanks, one pair of quotes around nothing or
// blanks, a line break (stored as a blank), the old editors' end-of-file mark.
const char* const kReadsBackEmpty[] = {"", "  \t", "''", "\"\"", " '' ", "\r\n", "\x1A"};

TEST_F(AdPageTest, EditToATextThatReadsBackEmptyKeepsTheOldCaption) {
  page.LoadAdPage();
  page.blacklist.Select(1);
  ASSERT_EQ(page.KillAd_EditClick(), 1);
  for (const char* caption : kReadsBackEmpty)
    EXPECT_FALSE(page.EndEdit(AdList::Black, 1, caption)) << "[" << caption << "]";
  EXPECT_EQ(page.blacklist.items[1], "*alpha*");
  EXPECT_FALSE(page.EndEdit(AdList::Black, 7, "x"));
  EXPECT_TRUE(page.EndEdit(AdList::Black, 1, "*beta*"));
  EXPECT_EQ(page.blacklist.items[1], "*beta*");
}

TEST_F(AdPageTest, DeleteAndEditActOnTheSelectedRowOnly) {
  page.LoadAdPage();
  EXPECT_EQ(page.KillAd_EditClick(), -1);
  EXPECT_EQ(page.KillAd_Edit3Click(), -1);
  page.KillAd_DelClick();
  EXPECT_EQ(page.blacklist.items.size(), 2u);

  page.blacklist.Select(5);  // no such row
  page.KillAd_DelClick();
  EXPECT_EQ(page.blacklist.items.size(), 2u);

  page.blacklist.Select(0);
  page.KillAd_DelClick();
  EXPECT_EQ(page.blacklist.items, (Items{"*alpha*"}));
  EXPECT_EQ(page.blacklist.selected, -1);
  EXPECT_EQ(page.WhiteList.items.size(), 1u);  // other views untouched

  page.TempWhiteList.Append("http://t/");
  page.TempWhiteList.Select(0);
  EXPECT_EQ(page.KillAd_Edit3Click(), 0);
  page.KillAd_Del3Click();
  EXPECT_TRUE(page.TempWhiteList.items.empty());
}

TEST_F(AdPageTest, DeletingTheOnlyItemAndSavingRemovesTheWholeRun) {
  page.LoadAdPage();
  page.WhiteList.Select(0);
  page.KillAd_Del2Click();
  page.btn_ad_saveClick();
  EXPECT_TRUE(store.Run("pass").empty());
  EXPECT_EQ(store.IniText().find("pass0"), std::string::npos);
  EXPECT_EQ(store.Run("ad").size(), 2u);
}

TEST_F(AdPageTest, SaveLeavesOutCaptionsThatReadBackEmpty) {
  page.LoadAdPage();
  page.blacklist.items = {"a"};
  for (const char* caption : kReadsBackEmpty) page.blacklist.items.push_back(caption);
  page.blacklist.items.push_back("b");
  page.blacklist.items.push_back("'c'");  // a caption that reads back otherwise is kept
  page.SaveAdPage();
  EXPECT_EQ(store.Run("ad"), (Items{"a", "b", "c"}));
}

TEST_F(AdPageTest, LoadRemovesWhatAnInterruptedSaveLeftBesideTheFile) {
  store.WriteIni({"ad0=*a*"});  // no temporary entries: loading writes nothing
  const std::string leftover = kIniPath + ".~4242-7.tmp";
  store.files.SetFile(leftover, "[POPUPAD]\r\nad0=*a*\r\nad1=half");
  store.files.SetFile(kIniPath + ".bak", "kept");
  page.LoadAdPage();
  EXPECT_EQ(store.files.write_calls(), 0);
  EXPECT_FALSE(store.files.FileExists(leftover));
  EXPECT_TRUE(store.files.FileExists(kIniPath + ".bak"));
}

TEST_F(AdPageTest, MouseEnablesApplyAndCancelKeyboardDoesNot) {
  page.LoadAdPage();
  page.ToggleSwitch(AdSwitch::KillAD);
  EXPECT_TRUE(page.chkKillAD);
  EXPECT_FALSE(page.btn_ad_save_enabled);
  EXPECT_FALSE(page.btn_ad_cancel_enabled);
  page.chkKillADMouseDown();
  page.ToggleSwitch(AdSwitch::KillAdNotice);
  EXPECT_TRUE(page.chkKillAdNotice);
  EXPECT_TRUE(page.btn_ad_save_enabled);
  EXPECT_TRUE(page.btn_ad_cancel_enabled);
}

TEST_F(AdPageTest, ApplyWritesListsAndSwitchesThenDisablesButtons) {
  page.LoadAdPage();
  page.chkKillADMouseDown();
  page.chkKillAD = true;
  page.chkKillAdNotice = false;
  page.TempWhiteList.Append("http://kept-until-exit/");
  page.btn_ad_saveClick();
  EXPECT_TRUE(store.Key().ReadBool(settings::kAllowKillAD));
  EXPECT_FALSE(store.Key().ReadBool(settings::kKillAdNotice));
  EXPECT_EQ(store.Run("temp"), (Items{"http://kept-until-exit/"}));
  EXPECT_FALSE(page.btn_ad_save_enabled);
  EXPECT_FALSE(page.btn_ad_cancel_enabled);
}

TEST_F(AdPageTest, CancelRestoresSwitchesButKeepsListEdits) {
  store.SetSwitch(settings::kAllowKillAD, true);
  store.SetSwitch(settings::kKillAdNotice, true);
  page.LoadAdPage();
  page.chkKillADMouseDown();
  page.ToggleSwitch(AdSwitch::KillAD);
  page.EndEdit(AdList::Black, page.KillAd_AddClick(), "*changed*");
  page.btn_ad_cancelClick();
  EXPECT_TRUE(page.chkKillAD);
  EXPECT_EQ(page.blacklist.items.back(), "*changed*");
  EXPECT_FALSE(page.btn_ad_save_enabled);
  EXPECT_FALSE(page.btn_ad_cancel_enabled);
  EXPECT_EQ(store.Run("ad").size(), 2u);  // stored only at the next apply or exit
  page.SaveAdPage();
  EXPECT_EQ(store.Run("ad").back(), "*changed*");
}

TEST_F(AdPageTest, UnopenableKeyOnSaveStoresListsButNoSwitches) {
  page.LoadAdPage();
  page.blacklist.Append("*new*");
  page.chkKillAD = true;
  store.DenySettingsKey();
  page.SaveAdPage();
  EXPECT_EQ(store.Run("ad").back(), "*new*");
  store.registry.SetAccess(settings::kRoot, settings::kKeyPath, MemoryRegistry::Rule::Allow);
  EXPECT_FALSE(store.Key().ValueExists(settings::kAllowKillAD));
}

TEST_F(AdPageTest, FailedWriteEndsSavingAndKeepsTheRunsBefore) {
  page.LoadAdPage();
  page.blacklist.Append("*new*");
  page.WhiteList.Append("*also-new*");
  page.chkKillAD = true;
  store.files.FailWriteAt(2, true);  // the black list goes through, the white list fails
  try {
    page.SaveAdPage();
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + kIniPath);
  }
  store.files.FailWriteAt(0);
  EXPECT_EQ(store.Run("ad").back(), "*new*");
  EXPECT_EQ(store.Run("pass"), (Items{"*.example.org/*"}));
  EXPECT_FALSE(store.Key().ValueExists(settings::kAllowKillAD));
}

TEST_F(AdPageTest, SwitchOfAnotherTypeIsAnError) {
  store.SetText(settings::kKillAdNotice, "1");
  EXPECT_THROW(page.LoadAdPage(), RegistryError);
  EXPECT_EQ(page.blacklist.items.size(), 2u);  // what was loaded before stays
}

}  // namespace
}  // namespace orv
