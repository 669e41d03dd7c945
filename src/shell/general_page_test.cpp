#include "shell/general_page.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "shell/settings.h"
#include "shell/startup_integration.h"

namespace orv {
namespace {

const char kExe[] = "C:\\Orvanel\\Orvanel.exe";

class GeneralPageTest : public ::testing::Test {
 protected:
  GeneralPageTest() {
    reg.OpenKey(RegRoot::LocalMachine, kRunKeyPath, true);
    WriteContextMenuKeys(reg, "C:\\Orvanel\\");
  }
  RegKey Settings() { return RegKey::Open(reg, RegRoot::CurrentUser, settings::kKeyPath, true); }
  void Store(bool auto_run, bool ie_menu) {
    Settings().WriteBool("AutoRun", auto_run);
    Settings().WriteBool("AllowIEMenu", ie_menu);
  }
  bool RunValuePresent() {
    RegKey run = RegKey::Open(reg, RegRoot::LocalMachine, kRunKeyPath, false, RegAccess::Read);
    return run && run.ValueExists("TavroselOrvanel");
  }
  bool MenuKeysPresent() {
    bool a = reg.KeyExists(RegRoot::CurrentUser, kMenuExtCurrentPageKey);
    bool b = reg.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey);
    EXPECT_EQ(a, b);
    return a && b;
  }
  bool ButtonsEnabled() {
    EXPECT_EQ(page.state().save_enabled, page.state().cancel_enabled);
    return page.state().save_enabled;
  }

  MemoryRegistry reg;
  ScriptedMessageBoxes boxes;
  GeneralPage page{reg, boxes, kExe};
};

TEST_F(GeneralPageTest, LoadFollowsTheStoredSwitches) {
  Store(true, true);
  page.LoadGeneralPage();
  EXPECT_TRUE(page.state().auto_start_checked);
  EXPECT_TRUE(page.state().menu_checked);
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_EQ(RegKey::Open(reg, RegRoot::LocalMachine, kRunKeyPath, false).ReadString("TavroselOrvanel"), kExe);
  EXPECT_TRUE(MenuKeysPresent());

  Store(false, false);
  page.LoadGeneralPage();
  EXPECT_FALSE(page.state().auto_start_checked);
  EXPECT_FALSE(page.state().menu_checked);
  EXPECT_TRUE(RunValuePresent());  // loading never deletes the start-up value
  EXPECT_FALSE(MenuKeysPresent());
}

TEST_F(GeneralPageTest, MousePressEnablesTheButtonsTheKeyboardDoesNot) {
  Store(false, true);
  page.LoadGeneralPage();
  page.SetAutoStartChecked(true);  // space bar
  page.SetMenuChecked(false);
  EXPECT_FALSE(ButtonsEnabled());
  page.chkAutoStartMouseDown();
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_TRUE(page.state().auto_start_checked);  // the press itself changes no box
  EXPECT_FALSE(page.state().menu_checked);
}

TEST_F(GeneralPageTest, ApplyStoresBothSwitchesAndFollowsThemInTheSystem) {
  Store(true, true);
  page.LoadGeneralPage();
  page.chkAutoStartMouseDown();
  page.SetAutoStartChecked(false);
  page.btn_gen_saveClick();
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_FALSE(Settings().ReadBool("AutoRun"));
  EXPECT_TRUE(Settings().ReadBool("AllowIEMenu"));
  EXPECT_FALSE(RunValuePresent());
  EXPECT_TRUE(reg.KeyExists(RegRoot::LocalMachine, kRunKeyPath));
  EXPECT_TRUE(MenuKeysPresent());

  page.chkAutoStartMouseDown();
  page.SetMenuChecked(false);
  page.btn_gen_saveClick();
  EXPECT_FALSE(Settings().ReadBool("AllowIEMenu"));
  EXPECT_FALSE(MenuKeysPresent());

  // Switching the menu on again adds nothing until the next start.
  page.chkAutoStartMouseDown();
  page.SetMenuChecked(true);
  page.SetAutoStartChecked(true);
  page.btn_gen_saveClick();
  EXPECT_TRUE(Settings().ReadBool("AllowIEMenu"));
  EXPECT_FALSE(MenuKeysPresent());
  EXPECT_TRUE(RunValuePresent());
  EXPECT_TRUE(boxes.shown.empty());
}

// Without elevation the machine's Run key cannot be opened for writing: ticked, the program
// starts for this user; unticked, a machine-wide value that stays is said once.
TEST_F(GeneralPageTest, WithoutWriteAccessToTheRunKeyTheUsersKeyServesAndWhatIsLeftIsSaid) {
  RegKey::Open(reg, RegRoot::LocalMachine, kRunKeyPath, false).WriteString(kRunValueName, "D:\\Old.exe");
  reg.SetAccess(RegRoot::LocalMachine, kRunKeyPath, MemoryRegistry::Rule::ReadOnly);
  Store(false, true);
  page.LoadGeneralPage();
  page.chkAutoStartMouseDown();
  page.SetAutoStartChecked(true);
  page.btn_gen_saveClick();
  EXPECT_TRUE(Settings().ReadBool("AutoRun"));
  EXPECT_EQ(RegKey::Open(reg, RegRoot::CurrentUser, kRunKeyPath, false).ReadString(kRunValueName), kExe);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(ButtonsEnabled());

  page.chkAutoStartMouseDown();
  page.SetAutoStartChecked(false);
  page.btn_gen_saveClick();
  EXPECT_FALSE(Settings().ReadBool("AutoRun"));
  EXPECT_FALSE(RegKey::Open(reg, RegRoot::CurrentUser, kRunKeyPath, false).ValueExists(kRunValueName));
  EXPECT_TRUE(RunValuePresent());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "未能删除所有用户的开机启动项，需要以管理员身份运行本程序。");
  EXPECT_EQ(boxes.shown[0].caption, "随系统启动自动运行");
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Information);
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_NO_THROW(page.LoadGeneralPage());
  EXPECT_EQ(boxes.shown.size(), 1u);  // loading deletes nothing, so says nothing
}

TEST_F(GeneralPageTest, CancelReloadsButAMissingValueKeepsTheUnsavedState) {
  Store(false, true);
  page.LoadGeneralPage();
  page.chkAutoStartMouseDown();
  page.SetAutoStartChecked(true);
  page.SetMenuChecked(false);
  Settings().DeleteValue("AutoRun");  // by hand, while the page is being edited
  page.btn_gen_cancelClick();
  EXPECT_TRUE(page.state().auto_start_checked);
  EXPECT_TRUE(page.state().menu_checked);
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_FALSE(Settings().ValueExists("AutoRun"));
}

TEST_F(GeneralPageTest, ValueOfAnotherTypeIsAnErrorAndTheButtonsStayAvailable) {
  Settings().WriteString("AutoRun", "1");
  page.chkAutoStartMouseDown();
  try {
    page.btn_gen_cancelClick();
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'AutoRun'");
  }
  EXPECT_TRUE(ButtonsEnabled());
}

}  // namespace
}  // namespace orv
