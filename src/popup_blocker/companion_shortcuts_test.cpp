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
      "s9=files\r\nv9=file:///C:/Windows/System32/\r\n"
      "s10=res\r\nv10=res://ieframe.dll/x.htm\r\n"
      "s11=mailto\r\nv11=mailto:x@example.com\r\n"
      "s12=secure\r\nv12=HTTPS://secure.example/\r\n"
      "s13=ftp\r\nv13=ftp://files.example/\r\n"
      "s14=unc\r\nv14=\\\\server\\share\r\n"
      "s15=empty\r\nv15=\r\n"
      "s16=after\r\nv16=http://after.example/\r\n");
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
      // Only http and https targets: no local files, script or other protocols.
      {"http://files/", ""},
      {"http://res/", ""},
      {"http://secure/", "HTTPS://secure.example/"},
      {"http://ftp/", ""},
      {"http://mailto/", ""},
      {"http://unc/", "http://\\\\server\\share"},  // no scheme: taken as a host name
      {"http://after/", ""},
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

TEST_F(ShortcutRedirectTest, WithoutTheSettingsTheLibrarysOwnFolderIsRead) {
  // A tab in an AppContainer may not read the settings key.
  files.SetFile("D:\\Orvanel\\conf\\urlShortcut.ini",
                "[UrlShortcut]\r\ns0=sina\r\nv0=http://www.sina.com.cn/\r\n");
  registry.SetAccess(settings::kRoot, settings::kKeyPath, MemoryRegistry::Rule::Denied);
  EXPECT_EQ(ShortcutRedirect(registry, files, "http://sina/", "D:\\Orvanel\\x64\\Selmont.dll"),
            "http://www.sina.com.cn/");
  EXPECT_EQ(ShortcutRedirect(registry, files, "http://sina/"), "");
}

TEST(MayBeTypedNavigation, NotForFormsLinksOrOtherWindows) {
  const struct {
    long flags;
    bool post;
    const char* headers;
    bool typed;
  } cases[] = {
      {0, false, "", true},
      {0, false, "Accept-Language: zh-CN\r\n", true},
      {0, true, "", false},                                          // a form's data
      {0, false, "Referer: http://www.example.com/\r\n", false},    // a page's link
      {0, false, "Accept: */*\r\nreferer:http://a/\r\n", false},
      {0, false, "X-Not-Referer: 1\r\n", true},
      {1, false, "", false},  // another window targets this one
      {2, false, "", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MayBeTypedNavigation(c.flags, c.post, c.headers), c.typed) << c.headers;
}

TEST_F(ShortcutRedirectTest, AnOrdinaryAddressReadsNothing) {
  WriteFile("s0=sina\r\nv0=http://www.sina.com.cn/\r\n");
  const int reads = files.read_calls();
  EXPECT_EQ(Redirect("http://www.example.com/"), "");
  EXPECT_EQ(files.read_calls(), reads);
}

}  // namespace
}  // namespace orv
