#include "shell/program_folder.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(ProgramFolder, FolderOfTheExecutableWithOneBackslash) {
  EXPECT_EQ(ProgramFolder("C:\\Program Files\\Orvanel\\Orvanel.exe"), "C:\\Program Files\\Orvanel\\");
  EXPECT_EQ(ProgramFolder("\\\\server\\share\\Orvanel.exe"), "\\\\server\\share\\");
  EXPECT_EQ(ProgramFolder("\\\\server\\share\\tools\\Orvanel.exe"), "\\\\server\\share\\tools\\");
}

TEST(ProgramFolder, DriveRootKeepsItsBackslashAndGetsAnother) {
  EXPECT_EQ(DirectoryOf("C:\\Orvanel.exe"), "C:\\");
  EXPECT_EQ(ProgramFolder("C:\\Orvanel.exe"), "C:\\\\");
  EXPECT_EQ(ProgramFolder("C:\\Orvanel.exe") + "conf\\KillAD.ini", "C:\\\\conf\\KillAD.ini");
}

TEST(ProgramFolder, TrailByteThatLooksLikeABackslashIsNoSeparator) {
  // 0x81 0x5C is one double-byte character whose second byte equals "\".
  EXPECT_EQ(ProgramFolder("C:\\\x81\x5C\\Orvanel.exe"), "C:\\\x81\x5C\\");
  EXPECT_EQ(ProgramFolder("C:\\\x81\x5COrvanel.exe"), "C:\\\\");
  EXPECT_EQ(ProgramFolder("C:\\\xC0\xB9\xBD\xD8\\Orvanel.exe"), "C:\\\xC0\xB9\xBD\xD8\\");
}

}  // namespace
}  // namespace orv
