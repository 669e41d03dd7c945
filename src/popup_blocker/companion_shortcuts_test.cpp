#include "popup_blocker/companion_shortcuts.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "shell/maker_site.h"
#include "shell/settings.h"

namespace orv {
namespace {

const std::string kFolder = "C:\\Program Files\\Orvanel\\";

TEST(BareShortName, IsTheHostOfAnAddressTypedWithoutADot) {
  const struct {
    const char* address;
    const char* name;
  } cases[] = {
      {"tv", "tv"},
      {"http://tv/", "tv"},
      {"HTTP://Sina", "Sina"},
      {"http://tavrosel/", "tavrosel"},
      {"http://www.example.com/", ""},
      {"https://tv/", ""},
      {"ftp://tv/", ""},
      {"about:blank", ""},
      {"http://tv/index.htm", ""},
      {"http://tv:8080/", ""},
      {"http://tv/?q=1", ""},
      {"http://tv#top", ""},
      {"http://user@tv/", ""},
      {"http://tv2/", ""},
      {"http://t-v/", ""},
      {"http:///", ""},
      {"http://", ""},
      {"", ""},
      {"/", ""},
      {"tv//", ""},
      {" tv", ""},
      {"电视", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(BareShortName(c.address), c.name) << c.address;
}

class ShortcutRedirectTest : public ::testing::Test {
 protected:
  ShortcutRedirectTest() {
    settings::OpenKey(registry).WriteString(settings::kPath, kFolder);
  }
  void WriteFile(const std::string& lines) {
    files.SetFile(kFolder + kUrlShortcutIniName, "[UrlShortcut]\r\n" + lines);
  }
  std::string Redirect(const std::string& address) {
    return ShortcutRedirect(registry, files, address);
  }
  MemoryRegistry registry;
  MemoryFileSystem files;
};

TEST_F(ShortcutRedirectTest, AShortNameLeadsToItsAddress) {
  WriteFile(
      "s0=sina\r\nv0=http://www.sina.com.cn/\r\n"
      "s1=Mail\r\nv1=mail.example.com/inbox\r\n"
      "s2=sina\r\nv2=http://second.example/\r\n"
      "s3=tv\r\nv3=http://stored-tv.example/\r\n"
      "s4=loop\r\nv4=http://loop/\r\n"
      "s5=js\r\nv5=JavaScript:alert(1)\r\n"
      "s6=intranet\r\nv6=http://wiki/\r\n"
      "s7=local\r\nv7=localhost:8080/x\r\n"
      "s8=vb\r\nv8=vbscript:msgbox(1)\r\n"
      "s9=empty\r\nv9=\r\n");
  const struct {
    const char* address;
    std::string target;
  } cases[] = {
      {"http://sina/", "http://www.sina.com.cn/"},   // the first of two equal names
      {"http://SINA/", "http://www.sina.com.cn/"},   // without regard to case
      {"http://mail/", "http://mail.example.com/inbox"},  // stored without a scheme
      {"http://tv/", MakerHomePage()},               // the built-in name comes first
      {"http://TAVROSEL/", MakerHomePage()},
      {"http://loop/", ""},                          // would navigate to itself
      {"http://js/", ""},
      {"http://vb/", ""},
      {"http://intranet/", "http://wiki/"},          // a bare name that is no shortcut
      {"http://local/", "http://localhost:8080/x"},  // a port, not a scheme
      {"http://empty/", ""},                         // the run ends before it
      {"http://unknown/", ""},
      {"http://www.sina.com.cn/", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Redirect(c.address), c.target) << c.address;
}

TEST_F(ShortcutRedirectTest, NamesAndAddressesPairByPosition) {
  // The address run ends at the missing v1: "b" and "c" have no address, v2 is not read.
  WriteFile("s0=a\r\nv0=http://a.example/\r\ns1=b\r\ns2=c\r\nv2=http://c.example/\r\n");
  EXPECT_EQ(Redirect("a"), "http://a.example/");
  EXPECT_EQ(Redirect("b"), "");
  EXPECT_EQ(Redirect("c"), "");
}

TEST_F(ShortcutRedirectTest, WithoutTheFileOrTheFolderOnlyTheBuiltInNamesResolve) {
  EXPECT_EQ(Redirect("tv"), MakerHomePage());  // no file
  WriteFile("s0=sina\r\nv0=http://www.sina.com.cn/\r\n");
  files.FailReadAt(1, true);
  EXPECT_EQ(Redirect("sina"), "");
  EXPECT_EQ(Redirect("tv"), MakerHomePage());
  files.FailReadAt(0);
  // A folder without its final backslash still finds the file.
  settings::OpenKey(registry).WriteString(settings::kPath, "C:\\Program Files\\Orvanel");
  EXPECT_EQ(Redirect("sina"), "http://www.sina.com.cn/");
  // No folder known: the current directory is never tried.
  settings::OpenKey(registry).WriteString(settings::kPath, "");
  files.SetFile(kUrlShortcutIniName, "[UrlShortcut]\r\ns0=sina\r\nv0=http://x/\r\n");
  EXPECT_EQ(Redirect("sina"), "");
  registry.DeleteKey(settings::kRoot, settings::kKeyPath);
  EXPECT_EQ(Redirect("tavrosel"), MakerHomePage());
}

TEST_F(ShortcutRedirectTest, AnOrdinaryAddressReadsNothing) {
  WriteFile("s0=sina\r\nv0=http://www.sina.com.cn/\r\n");
  const int reads = files.read_calls();
  EXPECT_EQ(Redirect("http://www.example.com/"), "");
  EXPECT_EQ(files.read_calls(), reads);
}

}  // namespace
}  // namespace orv
