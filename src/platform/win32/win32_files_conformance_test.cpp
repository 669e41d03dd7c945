#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/files_conformance.h"
#include "platform/win32/scratch_folder.h"
#include "platform/win32/win32_files.h"

namespace orv {

namespace {

class Win32FilesFixture : public FilesConformanceFixture {
 public:
  FileSystem& Files() override { return files_; }
  std::string PathOf(const std::string& name) override { return folder_.path() + "\\" + name; }
  void MakeReadOnly(const std::string& path) override {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  }

 private:
  ScratchFolder folder_{"orv_files"};
  Win32FileSystem files_;
};

}  // namespace

std::unique_ptr<FilesConformanceFixture> MakeFilesConformanceFixture() {
  return std::make_unique<Win32FilesFixture>();
}

namespace {

TEST(Win32Files, ReplacingADirectoryFailsAndLeavesIt) {
  ScratchFolder folder("orv_files");
  Win32FileSystem files;
  const std::string dir = folder.path() + "\\conf.ini";
  ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  EXPECT_FALSE(files.FileExists(dir));
  std::string bytes;
  EXPECT_FALSE(files.ReadFile(dir, &bytes));
  EXPECT_FALSE(files.WriteFileAtomically(dir, "bytes"));
  const DWORD attributes = GetFileAttributesA(dir.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"conf.ini"});  // no temporary file left
}

TEST(Win32Files, ReplacingLeavesNoTemporaryFileBehind) {
  ScratchFolder folder("orv_files");
  Win32FileSystem files;
  const std::string path = folder.path() + "\\KillAD.ini";
  ASSERT_TRUE(files.WriteFileAtomically(path, "a"));
  ASSERT_TRUE(files.WriteFileAtomically(path, "b"));
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(files.WriteFileAtomically(path, "c"));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"KillAD.ini"});
}

TEST(Win32Files, ReplacingThroughAnotherCaseLeavesOneFile) {
  ScratchFolder folder("orv_files");
  Win32FileSystem files;
  ASSERT_TRUE(files.WriteFileAtomically(folder.path() + "\\KillAD.ini", "a"));
  ASSERT_TRUE(files.WriteFileAtomically(folder.path() + "\\KILLAD.INI", "b"));
  const std::vector<std::string> names = folder.Names();
  ASSERT_EQ(names.size(), 1u);
  std::string bytes;
  ASSERT_TRUE(files.ReadFile(folder.path() + "\\killad.ini", &bytes));
  EXPECT_EQ(bytes, "b");
}

TEST(Win32Files, ReadsAFileAnotherProgramHoldsOpenForWriting) {
  ScratchFolder folder("orv_files");
  Win32FileSystem files;
  const std::string path = folder.path() + "\\open.ini";
  ASSERT_TRUE(files.WriteFileAtomically(path, "held"));
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string bytes;
  EXPECT_TRUE(files.ReadFile(path, &bytes));
  EXPECT_EQ(bytes, "held");
  CloseHandle(held);
}

// The private-profile functions (and so the browser side reading the lists) open the file
// without sharing deletion, which blocks a replace while they read.
HANDLE OpenAsProfileReader(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(Win32Files, ReplacingWaitsForAReaderThatHoldsTheFileBriefly) {
  ScratchFolder folder("orv_files");
  Win32FileSystem files;
  const std::string path = folder.path() + "\\KillAD.ini";
  ASSERT_TRUE(files.WriteFileAtomically(path, "old"));
  HANDLE reader = OpenAsProfileReader(path);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  std::thread release([reader] {
    Sleep(200);
    CloseHandle(reader);
  });
  const bool written = files.WriteFileAtomically(path, "new");
  release.join();
  EXPECT_TRUE(written);
  std::string bytes;
  ASSERT_TRUE(files.ReadFile(path, &bytes));
  EXPECT_EQ(bytes, "new");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"KillAD.ini"});
}

TEST(Win32Files, ReplacingAFileHeldOpenForLongFailsAndKeepsIt) {
  ScratchFolder folder("orv_files");
  Win32FileSystem files;
  const std::string path = folder.path() + "\\KillAD.ini";
  ASSERT_TRUE(files.WriteFileAtomically(path, "old"));
  HANDLE reader = OpenAsProfileReader(path);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(files.WriteFileAtomically(path, "new"));
  CloseHandle(reader);
  std::string bytes;
  ASSERT_TRUE(files.ReadFile(path, &bytes));
  EXPECT_EQ(bytes, "old");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"KillAD.ini"});  // no temporary file left
}

}  // namespace
}  // namespace orv
