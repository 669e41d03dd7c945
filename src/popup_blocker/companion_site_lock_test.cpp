#include "popup_blocker/companion_site_lock.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_registry.h"
#include "shell/settings.h"

namespace orv {
namespace {

const std::string kFolder = "C:\\Program Files (x86)\\Orvanel\\";

TEST(CompanionFolders, TheLibrarysProgramFolderIsItsOwnOrTheOneAboveX64) {
  EXPECT_EQ(ProgramFolderOfLibrary(kFolder + "Darrowin.dll"), kFolder);
  EXPECT_EQ(ProgramFolderOfLibrary(kFolder + "x64\\Darrowin.dll"), kFolder);
  EXPECT_EQ(ProgramFolderOfLibrary(kFolder + "X64\\Selmont.dll"), kFolder);
  EXPECT_EQ(ProgramFolderOfLibrary("C:/Orvanel/x64/Selmont.dll"), "C:\\Orvanel\\");
  EXPECT_EQ(ProgramFolderOfLibrary("C:\\Orvanel\\notx64\\Selmont.dll"), "C:\\Orvanel\\notx64\\");
  EXPECT_EQ(ProgramFolderOfLibrary("C:\\x64\\Selmont.dll"), "C:\\");
  EXPECT_EQ(ProgramFolderOfLibrary("Selmont.dll"), "");
}

TEST(CompanionFolders, TheRunningProgramsFolderFirstThenTheLibrarysOwn) {
  MemoryRegistry registry;
  const std::string library = kFolder + "x64\\Selmont.dll";
  // No settings key (a tab in an AppContainer may not read it): the library's own folder.
  EXPECT_EQ(KnownProgramFolders(registry, library), std::vector<std::string>{kFolder});
  settings::OpenKey(registry).WriteString(settings::kPath, "D:\\Portable\\Orvanel");
  EXPECT_EQ(KnownProgramFolders(registry, library),
            (std::vector<std::string>{"D:\\Portable\\Orvanel\\", kFolder}));
  settings::OpenKey(registry).WriteString(settings::kPath, "c:\\program files (x86)\\orvanel\\");
  EXPECT_EQ(KnownProgramFolders(registry, library).size(), 1u);  // one folder, named twice
  settings::OpenKey(registry).WriteInteger(settings::kPath, 7);    // not text
  EXPECT_EQ(KnownProgramFolders(registry, library), std::vector<std::string>{kFolder});
  registry.SetAccess(settings::kRoot, settings::kKeyPath, MemoryRegistry::Rule::Denied);
  EXPECT_EQ(KnownProgramFolders(registry, library), std::vector<std::string>{kFolder});
  EXPECT_TRUE(KnownProgramFolders(registry, "").empty());
}

TEST(SiteLock, OnlyTheContextMenuPagesOfAKnownFolderMayAdd) {
  const std::vector<std::string> folders = {"D:\\Portable\\Orvanel\\", kFolder};
  const struct {
    const char* document;
    bool allowed;
  } cases[] = {
      {"file:///C:/Program%20Files%20(x86)/Orvanel/GetLink.htm", true},
      {"file:///C:/Program Files (x86)/Orvanel/GetCurrent.htm", true},
      {"file://C:\\Program Files (x86)\\Orvanel\\getlink.HTM", true},
      {"FILE:///c:/program files (x86)/orvanel/GetLink.htm", true},
      {"C:\\Program Files (x86)\\Orvanel\\GetCurrent.htm", true},
      {"file:///D:/Portable/Orvanel/GetLink.htm", true},
      // Any web page, and every other document of this machine.
      {"http://www.example.com/GetLink.htm", false},
      {"https://evil.example/C:/Program Files (x86)/Orvanel/GetLink.htm", false},
      {"about:blank", false},
      {"res://ieframe.dll/GetLink.htm", false},
      {"", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/Other.htm", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/conf/GetLink.htm", false},
      {"file:///C:/Users/me/Downloads/GetLink.htm", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/GetLink.htm.html", false},
      // Ways around the folder: another host, a way out and back, a query, an odd escape.
      {"file://server/share/Orvanel/GetLink.htm", false},
      {"\\\\server\\C$\\Program Files (x86)\\Orvanel\\GetLink.htm", false},
      {"file:///C:/Users/me/x/../../../Program%20Files%20(x86)/Orvanel/GetLink.htm", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/./GetLink.htm", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/%2e%2e/Orvanel/GetLink.htm", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/GetLink.htm?x=1", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/GetLink.htm#top", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/GetLink.htm%00.html", false},
      {"file:///C:/Program%20Files%20(x86)/Orvanel/GetLink.ht%", false},
      {"file:/C:/Program Files (x86)/Orvanel/GetLink.htm", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsOwnMenuPage(c.document, folders), c.allowed) << c.document;
  EXPECT_FALSE(IsOwnMenuPage("file:///C:/Program%20Files%20(x86)/Orvanel/GetLink.htm", {}));
}

}  // namespace
}  // namespace orv
