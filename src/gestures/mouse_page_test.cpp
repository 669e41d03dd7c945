#include "gestures/mouse_page.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"
#include "shell/settings.h"

namespace orv {
namespace {

using Items = std::array<int, kGestureCount>;

class MousePageTest : public ::testing::Test {
 protected:
  MousePageTest() {
    // The first run's defaults, as the program writes them at start.
    InitSettings(reg, clock, timers, "C:\\Orvanel\\");
  }
  RegKey Settings() { return settings::OpenKey(reg); }
  void Store(const Items& items) {
    for (int g = 0; g < kGestureCount; ++g) Settings().WriteInteger(kGestureValueNames[g], items[g]);
  }
  Items Stored() {
    Items items;
    for (int g = 0; g < kGestureCount; ++g) items[g] = Settings().ReadInteger(kGestureValueNames[g]);
    return items;
  }
  bool ButtonsEnabled() {
    EXPECT_EQ(page.state().save_enabled, page.state().cancel_enabled);
    return page.state().save_enabled;
  }

  MemoryRegistry reg;
  FixedClock clock;
  RecordingTimers timers;
  MousePage page{reg};
};

TEST_F(MousePageTest, AfterTheFirstRunThePageShowsTheDefaultActions) {
  page.LoadMousePage();
  EXPECT_EQ(page.state().item_index, (Items{1, 2, 3, 4, 8}));
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_STREQ(kGestureActionCaptions[page.item_index(Gesture::Middle)], "最大化");
}

TEST_F(MousePageTest, ApplyStoresThePicksAndCancelRestoresTheStoredOnes) {
  page.LoadMousePage();
  page.Mouse_ActionLeftChange(Gesture::Up, 9);
  EXPECT_TRUE(ButtonsEnabled());
  page.btn_mouse_saveClick();
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_EQ(Stored(), (Items{1, 2, 9, 4, 8}));

  page.Mouse_ActionLeftChange(Gesture::Left, 7);
  page.Mouse_ActionLeftChange(Gesture::Middle, 0);
  page.btn_mouse_cancelClick();
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_EQ(page.state().item_index, (Items{1, 2, 9, 4, 8}));
  EXPECT_EQ(Stored(), (Items{1, 2, 9, 4, 8}));
}

TEST_F(MousePageTest, StoredNumbersOutsideTheListShowNoItemAndAreSavedAsMinusOne) {
  Store({12, -1, 10, 0, 9});
  page.LoadMousePage();
  EXPECT_EQ(page.state().item_index, (Items{kNoItem, kNoItem, kNoItem, 0, 9}));
  page.Mouse_ActionLeftChange(Gesture::Down, 5);
  page.btn_mouse_saveClick();
  EXPECT_EQ(Stored(), (Items{-1, -1, -1, 5, 9}));
}

TEST_F(MousePageTest, AMissingOrMistypedValueStopsTheLoadThere) {
  const struct {
    const char* what;
    RegValue value;  // stored for Mouse_ActionUp; kRegNone: deleted
    const char* error;
  } cases[] = {
      {"missing", {kRegNone, ""}, "Failed to get data for 'Mouse_ActionUp'"},
      {"text", {kRegSz, "3"}, "Invalid data type for 'Mouse_ActionUp'"},
      {"two bytes", {kRegDword, std::string("\x03\x00", 2)}, "Invalid data type for 'Mouse_ActionUp'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MousePage fresh(reg);
    Store({1, 2, 3, 4, 8});
    fresh.LoadMousePage();
    Store({5, 6, 3, 7, 9});
    if (c.value.type == kRegNone)
      Settings().DeleteValue("Mouse_ActionUp");
    else
      Settings().raw()->SetValue("Mouse_ActionUp", c.value);
    fresh.Mouse_ActionLeftChange(Gesture::Down, 0);
    try {
      fresh.btn_mouse_cancelClick();
      ADD_FAILURE() << "no error";
    } catch (const RegistryError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
    // Before the value: reloaded; from it on: as the boxes were. The buttons stay on.
    EXPECT_EQ(fresh.state().item_index, (Items{5, 6, 3, 0, 8}));
    EXPECT_TRUE(fresh.state().save_enabled);
  }
}

TEST_F(MousePageTest, ARefusedWriteStopsTheApplyAtThatValue) {
  page.LoadMousePage();
  page.Mouse_ActionLeftChange(Gesture::Left, 9);
  page.Mouse_ActionLeftChange(Gesture::Right, 9);
  reg.FailWritesFrom(2);
  EXPECT_THROW(
      {
        try {
          page.btn_mouse_saveClick();
        } catch (const RegistryError& e) {
          EXPECT_STREQ(e.what(), "Failed to set data for 'Mouse_ActionRight'");
          throw;
        }
      },
      RegistryError);
  reg.FailWritesFrom(0);
  EXPECT_EQ(Stored(), (Items{9, 2, 3, 4, 8}));
  EXPECT_TRUE(ButtonsEnabled());
}

TEST_F(MousePageTest, ASettingsKeyThatCannotBeOpenedChangesNothing) {
  page.LoadMousePage();
  page.Mouse_ActionLeftChange(Gesture::Left, 6);
  reg.SetAccess(RegRoot::CurrentUser, settings::kKeyPath, MemoryRegistry::Rule::Denied);
  page.btn_mouse_saveClick();
  page.btn_mouse_cancelClick();
  EXPECT_EQ(page.state().item_index, (Items{6, 2, 3, 4, 8}));
  reg.SetAccess(RegRoot::CurrentUser, settings::kKeyPath, MemoryRegistry::Rule::Allow);
  EXPECT_EQ(Stored(), (Items{1, 2, 3, 4, 8}));
}

TEST_F(MousePageTest, APickOutsideTheListIsNoItem) {
  page.LoadMousePage();
  page.Mouse_ActionLeftChange(Gesture::Middle, 10);
  EXPECT_EQ(page.item_index(Gesture::Middle), kNoItem);
}

}  // namespace
}  // namespace orv
