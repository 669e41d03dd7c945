#include "maintenance/registry_backup.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"

namespace orv {
namespace {

using M = MemoryRegistry::Machine;
constexpr RegRoot kUser = RegRoot::CurrentUser, kMachine = RegRoot::LocalMachine;
const std::string kUserFolder = "C:\\Users\\u\\AppData\\Local\\Tavrosel\\Orvanel\\";

void Put(Registry& registry, RegRoot root, const std::string& path, const std::string& name,
         const RegValue& value, RegView view = RegView::Own) {
  auto key = registry.OpenKey(root, path, true, RegAccess::Full, view);
  ASSERT_NE(key, nullptr);
  ASSERT_TRUE(key->SetValue(name, value));
}

// The data of each value type as the Registry Editor writes it in a REGEDIT4 file.
TEST(RegistryBackup, EveryValueTypeKeepsItsTypeAndBytes) {
  const struct {
    const char* name;
    RegValue value;
    const char* line;
  } cases[] = {
      {"", {kRegSz, "C:\\a b\\\"q\".htm"}, "@=\"C:\\\\a b\\\\\\\"q\\\".htm\""},
      {"na\"me\\", {kRegSz, ""}, "\"na\\\"me\\\\\"=\"\""},
      // A double-byte character whose second byte is "\" is one character, not an escape.
      {"\xB1\x5C", {kRegSz, "\xB1\x5C"}, "\"\xB1\x5C\"=\"\xB1\x5C\""},
      {"lines", {kRegSz, "a\r\nb"}, "\"lines\"=hex(1):61,0d,0a,62,00"},
      {"flags", {kRegDword, std::string("\x00\x04\x00\x00", 4)}, "\"flags\"=dword:00000400"},
      {"short", {kRegDword, std::string("\x01\x02", 2)}, "\"short\"=hex(4):01,02"},
      {"bin", {kRegBinary, std::string("\x01\xff\x00", 3)}, "\"bin\"=hex:01,ff,00"},
      {"none", {kRegBinary, ""}, "\"none\"=hex:"},
      {"expand", {kRegExpandSz, "%a%\\\xC0\xB9"}, "\"expand\"=hex(2):25,61,25,5c,c0,b9,00"},
      {"multi", {kRegMultiSz, std::string("a\0\xC0\xB9\0\0", 6)},
       "\"multi\"=hex(7):61,00,c0,b9,00,00"},
      {"qword", {kRegQword, std::string("\x01\0\0\0\0\0\0\x80", 8)},
       "\"qword\"=hex(b):01,00,00,00,00,00,00,80"},
      {"typeless", {kRegNone, "x"}, "\"typeless\"=hex(0):78"},
  };
  for (const auto& c : cases) EXPECT_EQ(RegFileValueLine(c.name, c.value), c.line) << c.line;

  // Long data goes on over lines of at most 80 characters, as the Registry Editor writes it.
  std::string line = RegFileValueLine("long", {kRegBinary, std::string(60, '\xab')});
  std::string flat = "\"long\"=hex:ab";
  for (int i = 1; i < 60; ++i) flat += ",ab";
  EXPECT_LE(line.find("\r\n"), 80u);
  for (size_t at; (at = line.find("\\\r\n  ")) != std::string::npos;) line.erase(at, 5);
  EXPECT_EQ(line, flat);
}

// Keys of the 32-bit view go by the path the 64-bit view reaches them by, on every machine and
// as either program.
TEST(RegistryBackup, KeysAreNamedAsThe64BitViewNamesThem) {
  const std::string toolbar = "Software\\Microsoft\\Internet Explorer\\Toolbar";
  const std::string clsid = "Software\\Classes\\CLSID\\{X}";
  const std::string mark = "Software\\Classes\\Protocols\\x";
  const struct {
    M machine;
    RegRoot root;
    std::string path;
    RegView view;
    std::string key_line;
  } cases[] = {
      {M::TwoViewsOwn32, kMachine, toolbar, RegView::Own,
       "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Internet Explorer\\Toolbar"},
      {M::TwoViewsOwn32, kMachine, toolbar, RegView::Bits64,
       "HKEY_LOCAL_MACHINE\\" + toolbar},
      {M::TwoViewsOwn64, kMachine, toolbar, RegView::Own, "HKEY_LOCAL_MACHINE\\" + toolbar},
      {M::TwoViewsOwn64, kMachine, toolbar, RegView::Bits32,
       "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Internet Explorer\\Toolbar"},
      {M::OneView, kMachine, toolbar, RegView::Bits32, "HKEY_LOCAL_MACHINE\\" + toolbar},
      {M::TwoViewsOwn32, kMachine, clsid, RegView::Bits32,
       "HKEY_LOCAL_MACHINE\\Software\\Classes\\WOW6432Node\\CLSID\\{X}"},
      {M::TwoViewsOwn32, RegRoot::ClassesRoot, "CLSID\\{X}", RegView::Bits32,
       "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{X}"},
      {M::TwoViewsOwn32, kMachine, mark, RegView::Bits32, "HKEY_LOCAL_MACHINE\\" + mark},
      {M::TwoViewsOwn32, kUser, "Software\\Run", RegView::Bits32,
       "HKEY_CURRENT_USER\\Software\\Run"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key_line);
    MemoryRegistry registry(c.machine);
    Put(registry, c.root, c.path, "v", {kRegSz, "1"}, c.view);
    RegistryBackup backup(registry);
    backup.AddValue(c.root, c.path, "v", c.view);
    EXPECT_EQ(backup.Text(), "REGEDIT4\r\n\r\n[" + c.key_line + "]\r\n\"v\"=\"1\"\r\n\r\n");
    // The name is where the key is stored: the in-memory registry keeps the views there too.
    const StoredPlace stored = StoredPlaceOf(registry, c.root, c.path, c.view);
    EXPECT_TRUE(registry.KeyExists(stored.root, stored.path, RegView::Bits64));
  }
}

TEST(RegistryBackup, IsWrittenInTheUsersBackupFolderUnderANameOfItsOwn) {
  MemoryRegistry registry;
  MemoryFileSystem files;
  FixedClock clock;  // 9 December 2025, noon
  Put(registry, kUser, "Software\\K", "v", {kRegSz, "1"});
  RegistryBackup backup(registry);
  backup.AddKey(kUser, "Software\\K", RegView::Own);
  const std::string first = kUserFolder + "backup\\20251209-120000 menu";
  EXPECT_EQ(backup.Write(files, clock, kUserFolder, "menu"), first + ".reg");
  EXPECT_EQ(backup.Write(files, clock, kUserFolder, "menu"), first + " (2).reg");
  EXPECT_EQ(files.FileBytes(first + ".reg"), backup.Text());
  EXPECT_TRUE(files.FolderExists(kUserFolder + "backup"));

  // A folder or file that cannot be made, or no user folder at all: the error names the file.
  for (int failing : {1, 2}) {
    files.FailWriteAt(failing);
    EXPECT_THROW(
        try { backup.Write(files, clock, kUserFolder, "menu"); } catch (const FileError& e) {
          EXPECT_EQ(std::string(e.what()), "Cannot create file " + first + " (3).reg");
          throw;
        },
        FileError);
  }
  EXPECT_THROW(backup.Write(files, clock, "", "menu"), FileError);
  EXPECT_FALSE(files.FileExists(first + " (3).reg"));
}

}  // namespace
}  // namespace orv
