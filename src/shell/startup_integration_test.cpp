#include "shell/startup_integration.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "shell/settings.h"

namespace orv {
namespace {

const char kFolder[] = "C:\\Orvanel\\";
const char kExe[] = "C:\\Orvanel\\Orvanel.exe";

class StartupIntegrationTest : public ::testing::Test {
 protected:
  StartupIntegrationTest() {
    reg.OpenKey(RegRoot::LocalMachine, kRunKeyPath, true);
    reg.OpenKey(RegRoot::ClassesRoot, "CLSID", true);
  }
  void SetAllowIEMenu(bool on) {
    RegKey::Open(reg, RegRoot::CurrentUser, settings::kKeyPath, true).WriteBool("AllowIEMenu", on);
  }
  void AddClassId(const char* id) { reg.OpenKey(RegRoot::ClassesRoot, std::string("CLSID\\") + id, true); }
  std::vector<std::string> RegSvr32Parameters() const {
    std::vector<std::string> out;
    for (const auto& c : shell.calls) {
      EXPECT_EQ(c.operation, "open");
      EXPECT_EQ(c.file, "RegSvr32.exe");
      EXPECT_EQ(c.show, ShowCommand::Hide);
      out.push_back(c.parameters);
    }
    return out;
  }

  MemoryRegistry reg;
  RecordingShell shell;
};

TEST_F(StartupIntegrationTest, StartupValueWrittenAndDeletedButTheKeyNeverCreated) {
  WriteStartupValue(reg, kExe);
  RegKey run = RegKey::Open(reg, RegRoot::LocalMachine, kRunKeyPath, false);
  RegValue v;
  ASSERT_TRUE(run.raw()->QueryValue("TavroselOrvanel", &v));
  EXPECT_EQ(v.type, kRegSz);
  EXPECT_EQ(v.data, kExe);

  DeleteStartupValue(reg);
  EXPECT_FALSE(run.ValueExists("TavroselOrvanel"));
  EXPECT_TRUE(reg.KeyExists(RegRoot::LocalMachine, kRunKeyPath));
  EXPECT_NO_THROW(DeleteStartupValue(reg));  // already gone

  MemoryRegistry bare;
  WriteStartupValue(bare, kExe);
  EXPECT_FALSE(bare.KeyExists(RegRoot::LocalMachine, kRunKeyPath));
}

// Where the start-up value goes with and without elevation, and what unticking leaves.
TEST(StartupValue, GoesToTheUsersRunKeyWhereTheMachinesCannotBeWrittenAndLeavesBothWhereItCan) {
  const std::string kOther = "D:\\Old\\Orvanel.exe";
  const struct {
    const char* name;
    bool elevated;
    std::string machine_before, user_before;  // "" none
    std::string machine_written, user_written;
    bool gone_after_delete;
  } cases[] = {
      {"elevated: the machine's key, and no second entry for the user", true, "", kExe, kExe, "", true},
      {"elevated over another copy's value", true, kOther, "", kExe, "", true},
      {"without elevation: the user's key", false, "", "", "", kExe, true},
      {"without elevation, the machine's value starts this program already", false, kExe, "", kExe,
       "", false},
      {"without elevation, the machine's value starts another copy", false, kOther, "", kOther, kExe,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRegistry reg;
    auto put = [&](RegRoot root, const std::string& data) {
      RegKey key = RegKey::Open(reg, root, kRunKeyPath, true);
      if (!data.empty()) key.WriteString(kRunValueName, data);
    };
    put(RegRoot::LocalMachine, c.machine_before);
    if (!c.user_before.empty()) put(RegRoot::CurrentUser, c.user_before);  // else no key at all
    if (!c.elevated) reg.SetAccess(RegRoot::LocalMachine, "", MemoryRegistry::Rule::ReadOnly);
    auto stored = [&](RegRoot root) {
      return RegKey::Open(reg, root, kRunKeyPath, false, RegAccess::Read).ReadString(kRunValueName);
    };
    WriteStartupValue(reg, kExe);
    EXPECT_EQ(stored(RegRoot::LocalMachine), c.machine_written);
    EXPECT_EQ(stored(RegRoot::CurrentUser), c.user_written);
    EXPECT_EQ(DeleteStartupValue(reg), c.gone_after_delete);
    EXPECT_EQ(stored(RegRoot::CurrentUser), "");
    EXPECT_EQ(stored(RegRoot::LocalMachine), c.gone_after_delete ? "" : c.machine_written);
    EXPECT_TRUE(reg.KeyExists(RegRoot::LocalMachine, kRunKeyPath));
  }
}

TEST_F(StartupIntegrationTest, ContextMenuKeysPointAtThePagesInTheProgramFolder) {
  RegKey::Open(reg, RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\MenuExt\\Other", true);
  WriteContextMenuKeys(reg, kFolder);
  RegKey current = RegKey::Open(reg, RegRoot::CurrentUser,
                                "Software\\Microsoft\\Internet Explorer\\MenuExt\\当前页面加入黑名单", false);
  RegKey link = RegKey::Open(reg, RegRoot::CurrentUser,
                             "Software\\Microsoft\\Internet Explorer\\MenuExt\\加入黑名单", false);
  ASSERT_TRUE(current);
  ASSERT_TRUE(link);
  EXPECT_EQ(current.ReadString(""), "C:\\Orvanel\\GetCurrent.htm");
  EXPECT_EQ(current.ReadInteger("Contexts"), 243);
  EXPECT_EQ(link.ReadString(""), "C:\\Orvanel\\GetLink.htm");
  EXPECT_EQ(link.ReadInteger("Contexts"), 34);

  RemoveContextMenuKeys(reg);
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, kMenuExtCurrentPageKey));
  EXPECT_FALSE(reg.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey));
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\MenuExt\\Other"));
  EXPECT_NO_THROW(RemoveContextMenuKeys(reg));
}

TEST_F(StartupIntegrationTest, ContextMenuKeyThatCannotBeCreatedIsSkipped) {
  reg.SetAccess(RegRoot::CurrentUser, kMenuExtCurrentPageKey, MemoryRegistry::Rule::Denied);
  EXPECT_NO_THROW(WriteContextMenuKeys(reg, kFolder));
  EXPECT_TRUE(reg.KeyExists(RegRoot::CurrentUser, kMenuExtLinkKey));
}

TEST_F(StartupIntegrationTest, RegistersOnlyTheLibrariesWhoseClassIsMissing) {
  SetAllowIEMenu(true);
  RegisterSiblingLibraries(reg, shell, kFolder);
  EXPECT_EQ(RegSvr32Parameters(), (std::vector<std::string>{"/s \"C:\\Orvanel\\Selmont.dll\"",
                                                            "/s \"C:\\Orvanel\\Darrowin.dll\""}));

  shell.calls.clear();
  AddClassId("{6B1E93D2-4F0A-4C57-9E38-2D7A5C1F0B64}");
  AddClassId("{c4d2a871-0b5e-4f93-8a16-7e5b3d90f2c8}");  // class keys match without case
  RegisterSiblingLibraries(reg, shell, kFolder);
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(StartupIntegrationTest, MenuOptionOffRegistersOnlyTheBlockerLibrary) {
  SetAllowIEMenu(false);
  RegisterSiblingLibraries(reg, shell, kFolder);
  EXPECT_EQ(RegSvr32Parameters(), (std::vector<std::string>{"/s \"C:\\Orvanel\\Selmont.dll\""}));
}

TEST_F(StartupIntegrationTest, ClassKeyThatCannotBeOpenedForWritingRegistersNothing) {
  SetAllowIEMenu(true);
  reg.SetAccess(RegRoot::ClassesRoot, "CLSID", MemoryRegistry::Rule::ReadOnly);
  RegisterSiblingLibraries(reg, shell, kFolder);
  UnregisterSiblingLibraries(reg, shell, kFolder);
  EXPECT_TRUE(shell.calls.empty());

  MemoryRegistry bare;  // no CLSID key at all: it is not created
  RegKey::Open(bare, RegRoot::CurrentUser, settings::kKeyPath, true).WriteBool("AllowIEMenu", true);
  RegisterSiblingLibraries(bare, shell, kFolder);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_FALSE(bare.KeyExists(RegRoot::ClassesRoot, "CLSID"));
}

TEST_F(StartupIntegrationTest, MissingMenuSwitchIsAnErrorBeforeAnyRegistration) {
  try {
    RegisterSiblingLibraries(reg, shell, kFolder);
    FAIL() << "no error";
  } catch (const RegistryError& e) {
    EXPECT_STREQ(e.what(), "Failed to get data for 'AllowIEMenu'");
  }
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(StartupIntegrationTest, UnregistersEachLibraryWhoseClassExistsWhateverTheMenuOption) {
  SetAllowIEMenu(false);
  UnregisterSiblingLibraries(reg, shell, kFolder);
  EXPECT_TRUE(shell.calls.empty());

  AddClassId(kDarrowinLibrary.class_id);
  UnregisterSiblingLibraries(reg, shell, kFolder);
  EXPECT_EQ(RegSvr32Parameters(), (std::vector<std::string>{"/s /u \"C:\\Orvanel\\Darrowin.dll\""}));

  shell.calls.clear();
  AddClassId(kSelmontLibrary.class_id);
  UnregisterSiblingLibraries(reg, shell, kFolder);
  EXPECT_EQ(RegSvr32Parameters(), (std::vector<std::string>{"/s /u \"C:\\Orvanel\\Selmont.dll\"",
                                                            "/s /u \"C:\\Orvanel\\Darrowin.dll\""}));
}

TEST_F(StartupIntegrationTest, LibrariesTheInstallerRegisteredStayRegisteredAtClose) {
  AddClassId(kSelmontLibrary.class_id);
  AddClassId(kDarrowinLibrary.class_id);
  const struct {
    RegValue mark;
    bool kept;
  } cases[] = {
      {RegValue{kRegDword, std::string("\x01\0\0\0", 4)}, true},
      {RegValue{kRegDword, std::string("\0\0\0\0", 4)}, false},  // 0: no mark
      {RegValue{kRegSz, "1"}, false},                              // another type: no mark
  };
  for (const auto& c : cases) {
    shell.calls.clear();
    reg.OpenKey(kInstallerMarkRoot, kInstallerMarkKey, true)->SetValue(kInstallerMarkValue, c.mark);
    EXPECT_EQ(InstallerRegisteredLibraries(reg), c.kept);
    UnregisterSiblingLibraries(reg, shell, kFolder);
    EXPECT_EQ(shell.calls.size(), c.kept ? 0u : 2u);
  }
  // The start-up check is the same with the mark: only a missing class is registered.
  reg.OpenKey(kInstallerMarkRoot, kInstallerMarkKey, true)
      ->SetValue(kInstallerMarkValue, RegValue{kRegDword, std::string("\x01\0\0\0", 4)});
  SetAllowIEMenu(true);
  shell.calls.clear();
  reg.DeleteKey(RegRoot::ClassesRoot, std::string("CLSID\\") + kDarrowinLibrary.class_id);
  RegisterSiblingLibraries(reg, shell, kFolder);
  EXPECT_EQ(RegSvr32Parameters(), (std::vector<std::string>{"/s \"C:\\Orvanel\\Darrowin.dll\""}));
}

}  // namespace
}  // namespace orv
