#include "popup_blocker/companion_contract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "popup_blocker/ad_messages.h"
#include "popup_blocker/companion_test_support.h"
#include "shell/settings.h"

namespace orv {
namespace {

using companion_test::FakeProgramWindow;

TEST(LowerIntegrityMessages, OnlyThePrivateMessagesAndTheHandOverGetThrough) {
  // 0x500-0x502 and WM_COPYDATA; not their neighbours, WM_USER, WM_APP (+1: the tray's
  // callback), WM_CLOSE, WM_COMMAND, WM_QUIT or WM_QUERYENDSESSION.
  for (unsigned m : {0x500u, 0x501u, 0x502u, 0x004Au}) EXPECT_TRUE(TakenFromLowerIntegrity(m)) << m;
  for (unsigned m : {0x4FFu, 0x503u, 0x400u, 0x8000u, 0x8001u, 0x10u, 0x111u, 0x12u, 0x11u})
    EXPECT_FALSE(TakenFromLowerIntegrity(m)) << m;
  EXPECT_EQ(std::size(kMessagesFromLowerIntegrity), 4u);
}

enum class Switch { kMissing, kOff, kOn, kText, kNoKey, kDenied };

TEST(RequestScan, AScanIsAskedForOnlyWhenTheEventTheSwitchAndTheWindowAllow) {
  const struct {
    BrowserEvent event;
    bool top_level;
    Switch allow;
    bool ready;
    bool posted;
  } cases[] = {
      {BrowserEvent::kNewWindow, false, Switch::kOn, true, true},
      {BrowserEvent::kDocumentComplete, true, Switch::kOn, true, true},
      {BrowserEvent::kDocumentComplete, false, Switch::kOn, true, false},  // a frame
      {BrowserEvent::kNewWindow, false, Switch::kOff, true, false},
      {BrowserEvent::kDocumentComplete, true, Switch::kOff, true, false},
      {BrowserEvent::kNewWindow, false, Switch::kMissing, true, true},  // as the engine reads it
      {BrowserEvent::kNewWindow, false, Switch::kText, true, false},
      // A key the tab may not read (an AppContainer), or none: the program checks the switch.
      {BrowserEvent::kNewWindow, false, Switch::kNoKey, true, true},
      {BrowserEvent::kDocumentComplete, true, Switch::kDenied, true, true},
      {BrowserEvent::kNewWindow, false, Switch::kOn, false, false},  // starting or closing
  };
  for (const auto& c : cases) {
    MemoryRegistry reg;
    FakeProgramWindow target;
    target.ready = c.ready;
    if (c.allow != Switch::kNoKey) {
      RegKey key = settings::OpenKey(reg);
      if (c.allow == Switch::kOff || c.allow == Switch::kOn)
        key.WriteBool(settings::kAllowKillAD, c.allow == Switch::kOn);
      if (c.allow == Switch::kText) key.WriteString(settings::kAllowKillAD, "1");
    }
    if (c.allow == Switch::kDenied)
      reg.SetAccess(settings::kRoot, settings::kKeyPath, MemoryRegistry::Rule::Denied);
    const bool posted = RequestScan(reg, target, c.event, c.top_level);
    SCOPED_TRACE(testing::Message() << "event " << static_cast<int>(c.event) << " top "
                                    << c.top_level << " switch " << static_cast<int>(c.allow)
                                    << " ready " << c.ready);
    EXPECT_EQ(posted, c.posted);
    EXPECT_EQ(target.posts, c.posted ? std::vector<unsigned>{WM_AD_SCAN} : std::vector<unsigned>{});
    EXPECT_FALSE(reg.KeyExists(settings::kRoot, settings::kKeyPath) && c.allow == Switch::kNoKey)
        << "the settings key was created";
  }
}

TEST(BlackListEntryFor, RefusesWhatTheListCouldNotHoldAndTurnsStarsIntoOneByte) {
  const std::string longest(2047, 'a');
  const struct {
    std::string address, entry;
  } cases[] = {
      {"http://ads.example.net/pop.html?id=7", "http://ads.example.net/pop.html?id=7"},
      {"  http://ads.example.net/ \t", "http://ads.example.net/"},
      {"http://ads.example.net/*", "http://ads.example.net/?"},
      {"http://广告.example/弹窗", "http://广告.example/弹窗"},
      {"http://a.example/\"q\"", "http://a.example/\"q\""},
      {longest, longest},
      {longest + "a", ""},
      {"", ""},
      {" \t ", ""},
      {"http://a.example/\r\nad1=*", ""},
      {std::string("http://a.example/\0x", 18), ""},
      {"\"http://a.example/\"", ""},
      {"'x'", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BlackListEntryFor(c.address), c.entry) << "address '" << c.address << "'";
}

TEST(BrowserSideEntryFor, OnlyAbsoluteWebAddressesWithALiteralHost) {
  const std::string path_of_2030(2030, 'p');
  const struct {
    std::string address, entry;
  } cases[] = {
      {" HTTPS://ads.example.net/a*b ", "HTTPS://ads.example.net/a?b"},
      {"ftp://user:pw@files.example.org:21/pub/", "ftp://user:pw@files.example.org:21/pub/"},
      {"http://[::1]:81/x", "http://[::1]:81/x"},
      {"http://广告.example/弹窗", "http://广告.example/弹窗"},
      // Without a "/" after the host the browser shows one, and a "?" could stand for a byte
      // of another host.
      {"http://ads.example.net", "http://ads.example.net/"},
      {"http://ads.example.net?x=*", "http://ads.example.net/?x=?"},
      // Wildcards, blanks and backslashes where the site is named: the rule would match others.
      {"http://*.example.net/", ""},
      {"http://*@evil.example/", ""},
      {"http://ads.example.net:*/", ""},
      {"http://a b.example/", ""},
      {"http://ads.example.net\\@good.example/", ""},
      {"http://ads.example.net/a\\b", ""},
      // Not an absolute web address, or no host.
      {"??????????", ""},
      {"*", ""},
      {"javascript:alert(1)", ""},
      {"file:///C:/x.htm", ""},
      {"ads.example.net/x", ""},
      {"http:///x", ""},
      {"http://user@/x", ""},
      {"http://ads.example.net:80x/", ""},
      // The list's own limits, also once the "/" is added.
      {"http://a.example/" + path_of_2030, "http://a.example/" + path_of_2030},
      {"http://a.example?" + path_of_2030, ""},
      {"http://a.example/\r\n", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BrowserSideEntryFor(c.address), c.entry) << "address '" << c.address << "'";
    // The entry passes the check again unchanged, as the program checks what it is handed.
    if (!c.entry.empty()) {
      EXPECT_EQ(BrowserSideEntryFor(c.entry), c.entry);
    }
  }
  // A trail byte of a double-byte character that equals "@" or "\" is no separator.
  EXPECT_EQ(BrowserSideEntryFor("http://a\x81@b.example/"), "http://a\x81@b.example/");
  EXPECT_EQ(BrowserSideEntryFor("http://a.example/\x81\\"), "http://a.example/\x81\\");
}

TEST(HandedOverAddress, TakesOnlyPrintableBytesOfAnEntrysLength) {
  const std::string longest(2047, 'a');
  EXPECT_EQ(HandedOverAddress("http://a/", 9), "http://a/");
  EXPECT_EQ(HandedOverAddress("http://a/\xB9\xE3", 11), "http://a/\xB9\xE3");
  EXPECT_EQ(HandedOverAddress(longest.data(), longest.size()), longest);
  EXPECT_EQ(HandedOverAddress(longest.data(), longest.size() + 1), "");  // never read past
  EXPECT_EQ(HandedOverAddress("", 0), "");
  EXPECT_EQ(HandedOverAddress(nullptr, 5), "");
  EXPECT_EQ(HandedOverAddress("http://a/\0", 10), "");  // a terminating zero is no part of it
  EXPECT_EQ(HandedOverAddress("http://a/\r\n", 11), "");
  EXPECT_EQ(HandedOverAddress("http://a/\x7F", 10), "");
}

TEST(AddToBlackList, TheEntryTravelsWithItsMessageAndWhatIsRefusedIsNotSent) {
  FakeProgramWindow window;
  EXPECT_EQ(AddToBlackList(window, " http://pop.example.com/a*b "), AddUrlOutcome::kHandedOver);
  EXPECT_EQ(AddToBlackList(window, "http://pop.example.com"), AddUrlOutcome::kHandedOver);
  EXPECT_EQ(window.handed_over,
            (std::vector<FakeProgramWindow::HandedOver>{
                {kCopyDataAddUrl, "http://pop.example.com/a?b"},
                {kCopyDataAddUrl, "http://pop.example.com/"}}));
  window.handed_over.clear();
  EXPECT_EQ(AddToBlackList(window, "  "), AddUrlOutcome::kRefused);
  EXPECT_EQ(AddToBlackList(window, "http://*.example.com/"), AddUrlOutcome::kRefused);
  window.takes = false;
  EXPECT_EQ(AddToBlackList(window, "http://a.example/"), AddUrlOutcome::kNotTaken);
  window.ready = false;
  EXPECT_EQ(AddToBlackList(window, "http://a.example/"), AddUrlOutcome::kNoProgram);
  EXPECT_EQ(window.handed_over.size(), 1u);  // only the one the window did not take
  EXPECT_TRUE(window.posts.empty());
}

}  // namespace
}  // namespace orv
