#include "platform/memory/memory_files.h"

#include <gtest/gtest.h>

#include "platform/memory/session_without_elevation.h"

namespace orv {
namespace {

const std::string kPath = "C:\\conf\\KillAD.ini";

TEST(MemoryFiles, FailsTheNthReplaceOnceOrFromThenOn) {
  MemoryFileSystem files;
  files.SetFile(kPath, "v0");
  files.FailWriteAt(2);
  EXPECT_TRUE(files.WriteFileAtomically(kPath, "v1"));
  EXPECT_FALSE(files.WriteFileAtomically(kPath, "v2"));
  EXPECT_EQ(files.FileBytes(kPath), "v1");
  EXPECT_TRUE(files.WriteFileAtomically(kPath, "v3"));
  EXPECT_EQ(files.failures(), 1);

  files.FailWriteAt(1, true);
  EXPECT_FALSE(files.WriteFileAtomically(kPath, "v4"));
  EXPECT_FALSE(files.WriteFileAtomically(kPath, "v5"));
  EXPECT_EQ(files.failures(), 2);
  EXPECT_EQ(files.FileBytes(kPath), "v3");
  files.FailWriteAt(0);
  EXPECT_TRUE(files.WriteFileAtomically(kPath, "v6"));
  EXPECT_EQ(files.write_calls(), 6);
}

TEST(MemoryFiles, FailsTheNthReadAndCountsCalls) {
  MemoryFileSystem files;
  files.SetFile(kPath, "bytes");
  files.FailReadAt(1);
  std::string bytes = "untouched";
  EXPECT_FALSE(files.ReadFile(kPath, &bytes));
  EXPECT_EQ(bytes, "untouched");
  EXPECT_TRUE(files.ReadFile(kPath, &bytes));
  EXPECT_EQ(bytes, "bytes");
  EXPECT_EQ(files.read_calls(), 2);
  EXPECT_TRUE(files.FileExists(kPath));  // existence checks are not reads
}

TEST(MemoryFiles, HelpersSeeTheSameFileUnderAnyCaseAndSeparator) {
  MemoryFileSystem files;
  files.SetFile("c:/CONF/killad.INI", "x");
  std::string bytes;
  ASSERT_TRUE(files.GetFile(kPath, &bytes));
  EXPECT_EQ(bytes, "x");
  EXPECT_TRUE(files.RemoveFile("C:\\Conf\\KillAd.ini"));
  EXPECT_FALSE(files.FileExists(kPath));
  EXPECT_EQ(files.FileBytes(kPath), "");
}

// The session without elevation: the program folder refuses, its "conf" and other folders
// (the user's own) take files; a refused replace keeps the old bytes and what lies beside it.
TEST(MemoryFiles, AFolderTheUserMayNotWriteRefusesNewAndReplacedFilesANearerRuleWins) {
  MemoryFileSystem files;
  MemoryRegistry registry;
  files.SetFile("C:\\Orvanel\\Orvanel.exe", "code");
  files.SetFile("C:\\Orvanel\\menu.txt.~1-1.tmp", "left over");
  PlaySessionWithoutElevation(registry, files, "C:\\Orvanel\\");
  const struct {
    const char* path;
    bool writable;
  } cases[] = {
      {"C:\\Orvanel\\Orvanel.exe", false},
      {"c:/orvanel/menu.txt", false},
      {"C:\\Orvanel\\x64\\Selmont.dll", false},
      {"C:\\Orvanel\\conf\\KillAD.ini", true},
      {"C:\\ORVANEL\\CONF\\sub\\new.ini", true},
      {"C:\\Orvanel2\\menu.txt", true},
      {"C:\\Users\\u\\AppData\\Local\\Tavrosel\\Orvanel\\menu.txt", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files.WriteFileAtomically(c.path, "new"), c.writable) << c.path;
    EXPECT_EQ(files.FileBytes(c.path) == "new", c.writable) << c.path;
  }
  EXPECT_EQ(files.FileBytes("C:\\Orvanel\\Orvanel.exe"), "code");
  EXPECT_FALSE(files.FileExists("C:\\Orvanel\\menu.txt"));
  EXPECT_TRUE(files.FileExists("C:\\Orvanel\\menu.txt.~1-1.tmp"));
  // The registry: the machine's keys read but refuse writes, the user's take them.
  EXPECT_EQ(registry.OpenKey(RegRoot::LocalMachine, "SOFTWARE\\X", true), nullptr);
  EXPECT_EQ(registry.OpenKey(RegRoot::ClassesRoot, "CLSID", true), nullptr);
  EXPECT_NE(registry.OpenKey(RegRoot::LocalMachine, "SOFTWARE", false, RegAccess::Read), nullptr);
  EXPECT_NE(registry.OpenKey(RegRoot::CurrentUser, "Software\\X", true), nullptr);
}

}  // namespace
}  // namespace orv
