// The real-file path of the native build: a large list saved by a child process that is killed
// (SIGKILL) at many moments of the save; the file then holds the old list or the new one, byte
// for byte, and nothing else, and the next save removes what the cut-off one left.
#include "platform/posix/posix_files.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lists/ini_array.h"

namespace orv {
namespace {

const std::string kPath = "C:\\Orvanel\\conf\\KillAD.ini";

class PosixFilesTest : public ::testing::Test {
 protected:
  PosixFilesTest() {
    char folder[] = "/tmp/orvanel-posix-files-XXXXXX";
    root_ = mkdtemp(folder);
    files_ = std::make_unique<PosixFileSystem>(root_);
    std::system(("mkdir -p '" + root_ + "/Orvanel/conf'").c_str());
  }
  ~PosixFilesTest() override { std::system(("rm -rf '" + root_ + "'").c_str()); }
  std::vector<std::string> Leftovers() {
    std::vector<std::string> out;
    const std::string folder = root_ + "/Orvanel/conf";
    for (const std::string& name : Names(folder)) {
      if (IsReplaceTemporaryName("KillAD.ini", name)) out.push_back(name);
    }
    return out;
  }
  static std::vector<std::string> Names(const std::string& folder);

  std::string root_;
  std::unique_ptr<PosixFileSystem> files_;
};

std::vector<std::string> PosixFilesTest::Names(const std::string& folder) {
  std::vector<std::string> out;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* e = readdir(dir)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") out.push_back(n);
    }
    closedir(dir);
  }
  return out;
}

std::vector<std::string> List(const char* tag, int count) {
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back("*" + std::string(tag) + std::to_string(i) + ".example.com/*");
  return out;
}

TEST_F(PosixFilesTest, ReadsWritesAndRefusesToReplaceAReadOnlyFile) {
  std::string bytes;
  EXPECT_FALSE(files_->FileExists(kPath));
  EXPECT_FALSE(files_->ReadFile(kPath, &bytes));
  ASSERT_TRUE(files_->WriteFileAtomically(kPath, "[POPUPAD]\r\nad0=a\r\n"));
  EXPECT_TRUE(files_->FileExists(kPath));
  ASSERT_TRUE(files_->ReadFile(kPath, &bytes));
  EXPECT_EQ(bytes, "[POPUPAD]\r\nad0=a\r\n");
  EXPECT_EQ(TIniArray(*files_, kPath, "POPUPAD", "ad").Items(), std::vector<std::string>{"a"});
  chmod(files_->Local(kPath).c_str(), 0444);
  {  // root too: the mode bits are what counts, as Windows's read-only attribute
    EXPECT_FALSE(files_->WriteFileAtomically(kPath, "other"));
    ASSERT_TRUE(files_->ReadFile(kPath, &bytes));
    EXPECT_EQ(bytes, "[POPUPAD]\r\nad0=a\r\n");
  }
  chmod(files_->Local(kPath).c_str(), 0644);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(PosixFilesTest, MakesFoldersAndRefusesWhereAFileStands) {
  const std::string folder = "C:\\Users\\u\\AppData\\Local\\Tavrosel\\Orvanel\\backup";
  ASSERT_TRUE(files_->MakeFolder(folder));
  EXPECT_TRUE(files_->MakeFolder(folder + "\\"));
  EXPECT_TRUE(files_->WriteFileAtomically(folder + "\\a.reg", "REGEDIT4"));
  EXPECT_FALSE(files_->MakeFolder(folder + "\\a.reg\\below"));
  chmod(files_->Local("C:\\Users").c_str(), 0555);
  if (geteuid() != 0) {  // root may write anywhere
    EXPECT_FALSE(files_->MakeFolder("C:\\Users\\other"));
  }
  chmod(files_->Local("C:\\Users").c_str(), 0755);
}

TEST_F(PosixFilesTest, AProcessKilledDuringALargeSaveLeavesTheOldListOrTheNewOne) {
  const std::vector<std::string> old_list = List("old", 10000);
  const std::vector<std::string> new_list = List("new", 40000);
  // The bytes of the new list, as a save that runs through writes them, and how long that takes
  // (the kills are spread over it).
  files_->WriteFileAtomically(kPath, "[POPUPAD]\r\n");
  const auto start = std::chrono::steady_clock::now();
  TIniArray(*files_, kPath, "POPUPAD", "ad").ReplaceAll(new_list);
  const double save_us =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  std::string new_bytes, old_bytes;
  ASSERT_TRUE(files_->ReadFile(kPath, &new_bytes));
  files_->WriteFileAtomically(kPath, "[POPUPAD]\r\n");
  TIniArray(*files_, kPath, "POPUPAD", "ad").ReplaceAll(old_list);
  ASSERT_TRUE(files_->ReadFile(kPath, &old_bytes));
  ASSERT_GT(new_bytes.size(), 1u << 20);

  int old_seen = 0, new_seen = 0, leftovers_seen = 0;
  // From at once to after the save would have ended, in 14 steps.
  for (int step = 0; step < 14; ++step) {
    const int delay = static_cast<int>(save_us * step / 11);
    SCOPED_TRACE("killed " + std::to_string(delay) + " us after the save began");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      PosixFileSystem files(root_);
      TIniArray list(files, kPath, "POPUPAD", "ad");
      (void)!write(ready[1], "x", 1);
      list.ReplaceAll(new_list);
      _exit(0);
    }
    close(ready[1]);
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);

    std::string bytes;
    ASSERT_TRUE(files_->ReadFile(kPath, &bytes));
    const bool is_old = bytes == old_bytes, is_new = bytes == new_bytes;
    EXPECT_TRUE(is_old || is_new) << "the file holds " << bytes.size() << " bytes";
    old_seen += is_old;
    new_seen += is_new;
    leftovers_seen += !Leftovers().empty();
    // The list reads back whole; the next replace removes the leftovers (and puts the old list
    // back for the next round).
    const std::vector<std::string> items = TIniArray(*files_, kPath, "POPUPAD", "ad").Items();
    EXPECT_TRUE(items == old_list || items == new_list);
    ASSERT_TRUE(files_->WriteFileAtomically(kPath, old_bytes));
    EXPECT_TRUE(Leftovers().empty());
    ASSERT_TRUE(files_->ReadFile(kPath, &bytes));
    ASSERT_EQ(bytes, old_bytes);
  }
  std::printf("killed saves (a save takes %.1f ms): %d left the old list, %d the new one, %d a temporary file\n",
              save_us / 1000, old_seen, new_seen, leftovers_seen);
  EXPECT_GT(old_seen, 0);
}

}  // namespace
}  // namespace orv
