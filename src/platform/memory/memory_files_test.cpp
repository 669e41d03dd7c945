#include "platform/memory/memory_files.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orv
