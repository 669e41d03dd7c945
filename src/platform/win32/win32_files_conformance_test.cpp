#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files_conformance.h"
#include "platform/win32/win32_files.h"

namespace orv {

namespace {

// A fresh folder under the temporary folder, removed with everything in it afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    path_ = std::string(temp) + "orv_files_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++serial);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveTree(path_); }
  const std::string& path() const { return path_; }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::string name = data.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
  }

 private:
  static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = folder + "\\" + name;
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(full);
        } else {
          DeleteFileA(full.c_str());
        }
      } while (FindNextFileA(find, &data));
      FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
  }
  std::string path_;
};

class Win32FilesFixture : public FilesConformanceFixture {
 public:
  FileSystem& Files() override { return files_; }
  std::string PathOf(const std::string& name) override { return folder_.path() + "\\" + name; }
  void MakeReadOnly(const std::string& path) override {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  }

 private:
  ScratchFolder folder_;
  Win32FileSystem files_;
};

}  // namespace

std::unique_ptr<FilesConformanceFixture> MakeFilesConformanceFixture() {
  return std::make_unique<Win32FilesFixture>();
}

namespace {

TEST(Win32Files, ReplacingADirectoryFailsAndLeavesIt) {
  ScratchFolder folder;
  Win32FileSystem files;
  const std::string dir = folder.path() + "\\conf.ini";
  ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
  EXPECT_FALSE(files.FileExists(dir));
  std::string bytes;
  EXPECT_FALSE(files.ReadFile(dir, &bytes));
  EXPECT_FALSE(files.ReplaceFile(dir, "bytes"));
  const DWORD attributes = GetFileAttributesA(dir.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"conf.ini"});  // no temporary file left
}

TEST(Win32Files, ReplacingLeavesNoTemporaryFileBehind) {
  ScratchFolder folder;
  Win32FileSystem files;
  const std::string path = folder.path() + "\\KillAD.ini";
  ASSERT_TRUE(files.ReplaceFile(path, "a"));
  ASSERT_TRUE(files.ReplaceFile(path, "b"));
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(files.ReplaceFile(path, "c"));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"KillAD.ini"});
}

TEST(Win32Files, ReplacingThroughAnotherCaseLeavesOneFile) {
  ScratchFolder folder;
  Win32FileSystem files;
  ASSERT_TRUE(files.ReplaceFile(folder.path() + "\\KillAD.ini", "a"));
  ASSERT_TRUE(files.ReplaceFile(folder.path() + "\\KILLAD.INI", "b"));
  const std::vector<std::string> names = folder.Names();
  ASSERT_EQ(names.size(), 1u);
  std::string bytes;
  ASSERT_TRUE(files.ReadFile(folder.path() + "\\killad.ini", &bytes));
  EXPECT_EQ(bytes, "b");
}

TEST(Win32Files, ReadsAFileAnotherProgramHoldsOpenForWriting) {
  ScratchFolder folder;
  Win32FileSystem files;
  const std::string path = folder.path() + "\\open.ini";
  ASSERT_TRUE(files.ReplaceFile(path, "held"));
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string bytes;
  EXPECT_TRUE(files.ReadFile(path, &bytes));
  EXPECT_EQ(bytes, "held");
  CloseHandle(held);
}

}  // namespace
}  // namespace orv
