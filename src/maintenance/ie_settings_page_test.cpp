#include "maintenance/ie_settings_page.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/memory/memory_registry.h"

namespace orv {
namespace {

const char kMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
const char kFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class IESettingsPageTest : public ::testing::Test {
 protected:
  void Put(RegRoot root, const char* key, const char* name, RegValue value) {
    auto k = registry.OpenKey(root, key, true);
    ASSERT_TRUE(k && k->SetValue(name, value));
  }
  void PutAll() {
    Put(RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version", {kRegSz, "6.0.2900"});
    Put(RegRoot::CurrentUser, kMain, "Window Title", {kRegSz, "标题"});
    Put(RegRoot::CurrentUser, kMain, "Start Page", {kRegSz, "about:blank"});
    Put(RegRoot::CurrentUser, kMain, "Save Directory", {kRegSz, "C:\\Down\\"});
    Put(RegRoot::CurrentUser, kFolders, "Cache", {kRegExpandSz, "%USERPROFILE%\\Cache"});
    Put(RegRoot::CurrentUser, kFolders, "History", {kRegExpandSz, "%USERPROFILE%\\History"});
    Put(RegRoot::CurrentUser, kFolders, "Cookies", {kRegSz, "C:\\Cookies"});
    Put(RegRoot::CurrentUser, kFolders, "Favorites", {kRegBinary, "\x01\x02"});
  }
  RegValue Get(RegRoot root, const char* key, const char* name) {
    RegValue v;
    auto k = registry.OpenKey(root, key, false, RegAccess::Read);
    if (!k || !k->QueryValue(name, &v)) v.type = kRegNone;
    return v;
  }

  MemoryRegistry registry;
  IESettingsPage page{registry};
};

TEST_F(IESettingsPageTest, LoadShowsTextUnexpandedAndLeavesFieldsWithoutATextValue) {
  PutAll();
  page.SetText(kIESearch, "typed");
  page.SetText(kIEFav, "kept");
  page.TabSheet5Show();
  const char* want[kIEFieldCount] = {"6.0.2900", "标题", "about:blank", "typed", "C:\\Down\\",
                                     "%USERPROFILE%\\Cache", "%USERPROFILE%\\History",
                                     "C:\\Cookies", "kept"};
  for (int f = 0; f < kIEFieldCount; ++f) EXPECT_EQ(page.text(f), want[f]) << kIEFields[f].value;
  EXPECT_FALSE(page.apply_enabled());
}

TEST_F(IESettingsPageTest, LoadNeverChangesTheButtonsAndSkipsUnreadableKeys) {
  PutAll();
  page.IE_verKeyPress();
  registry.SetAccess(RegRoot::CurrentUser, kMain, MemoryRegistry::Rule::Denied);
  page.SetText(kIETitle, "typed");
  page.TabSheet5Show();
  EXPECT_EQ(page.text(kIETitle), "typed");
  EXPECT_EQ(page.text(kIEVer), "6.0.2900");
  EXPECT_TRUE(page.apply_enabled());
  EXPECT_TRUE(page.cancel_enabled());
}

TEST_F(IESettingsPageTest, DefaultsChangeOnlyTwoFieldsAndCancelBringsBackTheStoredOnes) {
  PutAll();
  page.TabSheet5Show();
  page.btn_IE_defaultClick();
  EXPECT_EQ(page.text(kIETitle), "Microsoft Internet Explorer");
  EXPECT_EQ(page.text(kIESearch), "http://www.microsoft.com/isapi/redir.dll?prd=ie&ar=iesearch");
  EXPECT_EQ(page.text(kIEPage), "about:blank");
  EXPECT_TRUE(page.apply_enabled() && page.cancel_enabled());
  EXPECT_EQ(Get(RegRoot::CurrentUser, kMain, "Search Page").type, kRegNone) << "nothing written";
  page.btn_ie_cancelClick();
  EXPECT_EQ(page.text(kIETitle), "标题");
  EXPECT_EQ(page.text(kIESearch), kIEDefaultSearch) << "no stored search page: the field stays";
  EXPECT_FALSE(page.apply_enabled() || page.cancel_enabled());
}

TEST_F(IESettingsPageTest, ApplyWritesTheSixEditableValuesWithTheirTypes) {
  PutAll();
  page.TabSheet5Show();
  page.btn_IE_defaultClick();
  page.SetText(kIEDown, "");
  page.SetText(kIEHistory, "never written");
  page.btn_ie_saveClick();
  struct Want {
    RegRoot root;
    const char *key, *name;
    RegValue value;
  } want[] = {
      {RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version", {kRegSz, "6.0.2900"}},
      {RegRoot::CurrentUser, kMain, "Window Title", {kRegSz, kIEDefaultTitle}},
      {RegRoot::CurrentUser, kMain, "Start Page", {kRegSz, "about:blank"}},
      {RegRoot::CurrentUser, kMain, "Search Page", {kRegSz, kIEDefaultSearch}},
      {RegRoot::CurrentUser, kMain, "Save Directory", {kRegSz, ""}},
      // Read as an expandable string, written back as one: the folder still resolves.
      {RegRoot::CurrentUser, kFolders, "Cache", {kRegExpandSz, "%USERPROFILE%\\Cache"}},
      {RegRoot::CurrentUser, kFolders, "History", {kRegExpandSz, "%USERPROFILE%\\History"}},
      {RegRoot::CurrentUser, kFolders, "Favorites", {kRegBinary, "\x01\x02"}},
  };
  for (const Want& w : want) {
    const RegValue got = Get(w.root, w.key, w.name);
    EXPECT_EQ(got.type, w.value.type) << w.name;
    EXPECT_EQ(got.data, w.value.data) << w.name;
  }
  EXPECT_FALSE(page.apply_enabled() || page.cancel_enabled());
}

TEST_F(IESettingsPageTest, ApplyWithoutAdministratorRightsWritesNothingAndKeepsTheButtons) {
  PutAll();
  page.TabSheet5Show();
  page.SetText(kIETitle, "new title");
  page.IE_verKeyPress();
  registry.SetAccess(RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer",
                     MemoryRegistry::Rule::ReadOnly);
  try {
    page.btn_ie_saveClick();
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Version'");
  }
  EXPECT_EQ(Get(RegRoot::CurrentUser, kMain, "Window Title").data, "标题");
  EXPECT_TRUE(page.apply_enabled() && page.cancel_enabled());
}

TEST_F(IESettingsPageTest, AFailureLaterStopsAtThatValueAndKeepsTheEarlierOnes) {
  page.SetText(kIETitle, "t");
  page.SetText(kIEPage, "p");
  registry.SetAccess(RegRoot::CurrentUser, kFolders, MemoryRegistry::Rule::Denied);
  try {
    page.SaveIEPage();
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Cache'");
  }
  EXPECT_EQ(Get(RegRoot::CurrentUser, kMain, "Start Page").data, "p");
  EXPECT_EQ(Get(RegRoot::CurrentUser, kMain, "Save Directory").type, kRegSz);
}

}  // namespace
}  // namespace orv
