// The delivered conf\KillAD.ini as other programs read it, with the Windows private-profile
// functions: its comment lines are no keys, before and after the program has rewritten it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/scratch_folder.h"
#include "platform/win32/win32_files.h"
#include "lists/ini_array.h"

namespace orv {
namespace {

// The build copies conf\ beside the executables.
std::string DeliveredIni() {
  char exe[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder(exe, length);
  return folder.substr(0, folder.rfind('\\') + 1) + "conf\\KillAD.ini";
}

// Names of the keys of a section, as GetPrivateProfileStringA lists them.
std::vector<std::string> WindowsKeyNames(const std::string& path, const char* section) {
  std::vector<char> buffer(1 << 16, '\0');
  const DWORD n = GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                           static_cast<DWORD>(buffer.size()), path.c_str());
  std::vector<std::string> names;
  for (DWORD i = 0; i < n;) {
    names.emplace_back(buffer.data() + i);
    i += static_cast<DWORD>(names.back().size()) + 1;
  }
  return names;
}

std::vector<std::string> WindowsRun(const std::string& path, const char* prefix) {
  std::vector<std::string> run;
  for (;;) {
    char value[2048] = "";
    GetPrivateProfileStringA("POPUPAD", (prefix + std::to_string(run.size())).c_str(), "", value,
                             sizeof value, path.c_str());
    if (!value[0]) return run;
    run.emplace_back(value);
  }
}

// Every key Windows sees is an entry of the black-list run the program reads.
void ExpectOnlyTheRun(Win32FileSystem& files, const std::string& path) {
  const std::vector<std::string> run = TIniArray(files, path, "POPUPAD", "ad").Items();
  EXPECT_EQ(WindowsRun(path, "ad"), run);
  std::vector<std::string> keys;
  for (size_t i = 0; i < run.size(); ++i) keys.push_back("ad" + std::to_string(i));
  EXPECT_EQ(WindowsKeyNames(path, "POPUPAD"), keys);
  EXPECT_TRUE(WindowsKeyNames(path, nullptr) == std::vector<std::string>{"POPUPAD"});
}

TEST(DeliveredBlackListWin32, CommentLinesAreNoKeysToWindowsBeforeAndAfterARewrite) {
  Win32FileSystem files;
  std::string bytes;
  ASSERT_TRUE(files.ReadFile(DeliveredIni(), &bytes)) << DeliveredIni() << " is missing";
  ScratchFolder folder("orv_delivered");
  const std::string path = folder.PathOf("KillAD.ini");
  ASSERT_TRUE(files.WriteFileAtomically(path, bytes));
  ExpectOnlyTheRun(files, path);
  const int delivered = TIniArray(files, path, "POPUPAD", "ad").Count();
  ASSERT_GE(delivered, 20);

  {
    // A settings page save that dropped one pattern and added one, then an address from 0x501.
    TIniArray list(files, path, "POPUPAD", "ad");
    std::vector<std::string> entries = list.Items();
    entries.erase(entries.begin() + 3);
    entries.push_back("http://ads.example.com/*");
    list.ReplaceAll(entries);
    list.Add("http://pop.example.net/*");
  }
  const std::string copy = folder.PathOf("KillAD-rewritten.ini");  // not cached by name
  std::string rewritten;
  ASSERT_TRUE(files.ReadFile(path, &rewritten));
  ASSERT_TRUE(files.WriteFileAtomically(copy, rewritten));
  ExpectOnlyTheRun(files, copy);
  EXPECT_EQ(TIniArray(files, copy, "POPUPAD", "ad").Count(), delivered + 1);
}

}  // namespace
}  // namespace orv
