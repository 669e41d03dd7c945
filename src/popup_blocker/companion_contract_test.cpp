#include "popup_blocker/companion_contract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "popup_blocker/ad_messages.h"
#include "shell/settings.h"

namespace orv {
namespace {

// The main window seen from a companion; each post records the mailbox as it is at that moment.
class FakeProgramWindow : public ProgramWindow {
 public:
  explicit FakeProgramWindow(Registry& registry) : registry_(registry) {}
  bool ready = true;
  bool post_fails = false;
  struct Post {
    unsigned message;
    std::string mailbox;
  };
  std::vector<Post> posts;

  bool Ready() override { return ready; }
  bool Post(unsigned message) override {
    if (!ready || post_fails) return false;
    RegKey key = RegKey::Open(registry_, settings::kRoot, settings::kKeyPath, false);
    posts.push_back({message, key ? key.ReadString(settings::kLastAddUrl) : "<no key>"});
    return true;
  }

 private:
  Registry& registry_;
};

class CompanionContractTest : public ::testing::Test {
 protected:
  RegKey Key() { return settings::OpenKey(registry); }
  MemoryRegistry registry;
  FakeProgramWindow window{registry};
};

enum class Switch { kMissing, kOff, kOn, kText, kNoKey };

TEST_F(CompanionContractTest, AScanIsAskedForOnlyWhenTheEventTheSwitchAndTheWindowAllow) {
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
      {BrowserEvent::kNewWindow, false, Switch::kNoKey, true, false},
      {BrowserEvent::kNewWindow, false, Switch::kOn, false, false},  // starting or closing
  };
  for (const auto& c : cases) {
    MemoryRegistry reg;
    FakeProgramWindow target(reg);
    target.ready = c.ready;
    if (c.allow != Switch::kNoKey) {
      RegKey key = settings::OpenKey(reg);
      if (c.allow == Switch::kOff || c.allow == Switch::kOn)
        key.WriteBool(settings::kAllowKillAD, c.allow == Switch::kOn);
      if (c.allow == Switch::kText) key.WriteString(settings::kAllowKillAD, "1");
    }
    const bool posted = RequestScan(reg, target, c.event, c.top_level);
    SCOPED_TRACE(testing::Message() << "event " << static_cast<int>(c.event) << " top "
                                    << c.top_level << " switch " << static_cast<int>(c.allow)
                                    << " ready " << c.ready);
    EXPECT_EQ(posted, c.posted);
    ASSERT_EQ(target.posts.size(), c.posted ? 1u : 0u);
    if (c.posted) {
      EXPECT_EQ(target.posts[0].message, WM_AD_SCAN);
    }
    EXPECT_FALSE(reg.KeyExists(settings::kRoot, settings::kKeyPath) && c.allow == Switch::kNoKey)
        << "the settings key was created";
  }
}

TEST(BlackListEntryFor, RefusesWhatTheListCouldNotHoldAndDefusesTheWildcard) {
  const std::string longest(2047, 'a');
  const struct {
    std::string address, entry;
  } cases[] = {
      {"http://ads.example.net/pop.html?id=7", "http://ads.example.net/pop.html?id=7"},
      {"  http://ads.example.net/ \t", "http://ads.example.net/"},
      {"http://ads.example.net/*", "http://ads.example.net/?"},
      {"*", "?"},
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

TEST_F(CompanionContractTest, AnAddressGoesToTheMailboxBeforeTheMessage) {
  Key().WriteString(settings::kLastAddUrl, "old");
  EXPECT_EQ(AddToBlackList(registry, window, " http://pop.example.com/a*b "), AddUrlOutcome::kPosted);
  ASSERT_EQ(window.posts.size(), 1u);
  EXPECT_EQ(window.posts[0].message, WM_AD_ADDURL);
  EXPECT_EQ(window.posts[0].mailbox, "http://pop.example.com/a?b");
}

TEST_F(CompanionContractTest, NothingIsWrittenOrPostedWhenTheAddressOrTheProgramIsMissing) {
  Key().WriteString(settings::kLastAddUrl, "old");
  EXPECT_EQ(AddToBlackList(registry, window, "  "), AddUrlOutcome::kRefused);
  window.ready = false;
  EXPECT_EQ(AddToBlackList(registry, window, "http://a.example/"), AddUrlOutcome::kNoProgram);
  EXPECT_TRUE(window.posts.empty());
  EXPECT_EQ(Key().ReadString(settings::kLastAddUrl), "old");
}

TEST_F(CompanionContractTest, AMailboxThatCannotBeWrittenPostsNothing) {
  // No settings key: the companion does not make one.
  EXPECT_EQ(AddToBlackList(registry, window, "http://a.example/"), AddUrlOutcome::kNotStored);
  EXPECT_FALSE(registry.KeyExists(settings::kRoot, settings::kKeyPath));
  Key().WriteString(settings::kLastAddUrl, "old");
  registry.FailWritesFrom(1);
  EXPECT_EQ(AddToBlackList(registry, window, "http://a.example/"), AddUrlOutcome::kNotStored);
  registry.FailWritesFrom(0);
  registry.SetAccess(settings::kRoot, settings::kKeyPath, MemoryRegistry::Rule::ReadOnly);
  EXPECT_EQ(AddToBlackList(registry, window, "http://a.example/"), AddUrlOutcome::kNotStored);
  EXPECT_TRUE(window.posts.empty());
  // A post that fails after the write is told apart from a success.
  registry.SetAccess(settings::kRoot, settings::kKeyPath, MemoryRegistry::Rule::Allow);
  window.post_fails = true;
  EXPECT_EQ(AddToBlackList(registry, window, "http://a.example/"), AddUrlOutcome::kNoProgram);
}

}  // namespace
}  // namespace orv
