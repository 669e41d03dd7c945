#include "maintenance/ie_settings_page.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/errors.h"
#include "platform/memory/memory_registry.h"

namespace orv {
namespace {

const char kMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
const char kFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class IESettingsPageTest : public ::testing::Test {
 protected:
  IESettingsPageTest() {
    Put(RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version", {kRegSz, "6.0"});
    Put(RegRoot::CurrentUser, kMain, "Window Title", {kRegSz, "标题"});
    Put(RegRoot::CurrentUser, kMain, "Start Page", {kRegSz, "about:blank"});
    Put(RegRoot::CurrentUser, kFolders, "Cache", {kRegExpandSz, "%USERPROFILE%\\Cache"});
    Put(RegRoot::CurrentUser, kFolders, "Favorites", {kRegBinary, "\x01\x02"});
  }
  void Put(RegRoot root, const char* key, const char* name, RegValue value) {
    registry.OpenKey(root, key, true)->SetValue(name, value);
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

TEST_F(IESettingsPageTest, LoadShowsTextsUnexpandedAndLeavesFieldsWithoutATextValue) {
  page.SetText(kIESearch, "typed");
  page.SetText(kIEFav, "kept");
  page.IE_verKeyPress();
  page.TabSheet5Show();
  EXPECT_EQ(page.text(kIEVer), "6.0");
  EXPECT_EQ(page.text(kIETitle), "标题");
  EXPECT_EQ(page.text(kIESearch), "typed") << "no stored value";
  EXPECT_EQ(page.text(kIECache), "%USERPROFILE%\\Cache");
  EXPECT_EQ(page.text(kIEFav), "kept") << "a value of another type";
  EXPECT_TRUE(page.apply_enabled() && page.cancel_enabled()) << "loading keeps the buttons";
}

TEST_F(IESettingsPageTest, DefaultsWriteNothingAndCancelBringsBackTheStoredValues) {
  page.TabSheet5Show();
  page.btn_IE_defaultClick();
  EXPECT_EQ(page.text(kIETitle), "Microsoft Internet Explorer");
  EXPECT_EQ(page.text(kIESearch), "http://www.microsoft.com/isapi/redir.dll?prd=ie&ar=iesearch");
  EXPECT_TRUE(page.apply_enabled() && page.cancel_enabled());
  EXPECT_EQ(Get(RegRoot::CurrentUser, kMain, "Window Title").data, "标题");
  page.btn_ie_cancelClick();
  EXPECT_EQ(page.text(kIETitle), "标题");
  EXPECT_FALSE(page.apply_enabled() || page.cancel_enabled());
}

TEST_F(IESettingsPageTest, ApplyWritesTheSixEditableValuesAndKeepsTheCacheType) {
  page.TabSheet5Show();
  page.btn_IE_defaultClick();
  page.SetText(kIEHistory, "never written");
  page.btn_ie_saveClick();
  const struct {
    RegRoot root;
    const char *key, *name;
    RegValue value;
  } want[] = {
      {RegRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version", {kRegSz, "6.0"}},
      {RegRoot::CurrentUser, kMain, "Window Title", {kRegSz, kIEDefaultTitle}},
      {RegRoot::CurrentUser, kMain, "Start Page", {kRegSz, "about:blank"}},
      {RegRoot::CurrentUser, kMain, "Search Page", {kRegSz, kIEDefaultSearch}},
      {RegRoot::CurrentUser, kMain, "Save Directory", {kRegSz, ""}},
      {RegRoot::CurrentUser, kFolders, "Cache", {kRegExpandSz, "%USERPROFILE%\\Cache"}},
      {RegRoot::CurrentUser, kFolders, "History", {kRegNone, ""}},
  };
  for (const auto& w : want) {
    EXPECT_EQ(Get(w.root, w.key, w.name).type, w.value.type) << w.name;
    EXPECT_EQ(Get(w.root, w.key, w.name).data, w.value.data) << w.name;
  }
  EXPECT_FALSE(page.apply_enabled() || page.cancel_enabled());
}

// A refused value of the user's own stops the write there; "Version", which a session without
// elevation may not write, stops nothing: the user's values are written, and its error comes
// last, once. Both buttons stay on either way.
TEST_F(IESettingsPageTest, ARefusedUserValueStopsApplyARefusedVersionOnlyShowsItsErrorAtTheEnd) {
  const char* kIEKey = "Software\\Microsoft\\Internet Explorer";
  const struct {
    const char* name;
    std::vector<std::pair<RegRoot, const char*>> read_only;
    const char* error;
    std::vector<const char*> written, unwritten;  // user values
  } cases[] = {
      {"machine key read-only", {{RegRoot::LocalMachine, kIEKey}}, "Failed to set data for 'Version'",
       {"Window Title", "Start Page", "Search Page", "Save Directory", "Cache"}, {}},
      {"shell folders read-only", {{RegRoot::CurrentUser, kFolders}}, "Failed to set data for 'Cache'",
       {"Window Title", "Save Directory"}, {"Cache"}},
      {"both", {{RegRoot::LocalMachine, kIEKey}, {RegRoot::CurrentUser, kFolders}},
       "Failed to set data for 'Version'", {"Save Directory"}, {"Cache"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRegistry registry;
    IESettingsPage page(registry);
    for (int f = kIETitle; f < kIEEditableFields; ++f) page.SetText(f, "typed");
    page.IE_verKeyPress();
    for (const auto& rule : c.read_only)
      registry.SetAccess(rule.first, rule.second, MemoryRegistry::Rule::ReadOnly);
    try {
      page.btn_ie_saveClick();
      ADD_FAILURE() << "no error";
    } catch (const RegistryError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
    auto stored = [&](const char* name) {
      const char* key = std::string(name) == "Cache" ? kFolders : kMain;
      RegValue v;
      auto k = registry.OpenKey(RegRoot::CurrentUser, key, false, RegAccess::Read);
      return k && k->QueryValue(name, &v) ? v.data : std::string("(none)");
    };
    for (const char* name : c.written) EXPECT_EQ(stored(name), "typed") << name;
    for (const char* name : c.unwritten) EXPECT_EQ(stored(name), "(none)") << name;
    EXPECT_TRUE(page.apply_enabled() && page.cancel_enabled());
  }
}

}  // namespace
}  // namespace orv
