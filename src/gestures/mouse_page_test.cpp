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
  MousePageTest() { InitSettings(reg, clock, timers, "C:\\Orvanel\\"); }  // first-run defaults
  void Store(const Items& items) {
    for (int g = 0; g < kGestureCount; ++g)
      settings::OpenKey(reg).WriteInteger(kGestureValueNames[g], items[g]);
  }
  Items Stored() {
    Items items;
    for (int g = 0; g < kGestureCount; ++g)
      items[g] = settings::OpenKey(reg).ReadInteger(kGestureValueNames[g]);
    return items;
  }
  bool Buttons() { return page.state().save_enabled && page.state().cancel_enabled; }

  MemoryRegistry reg;
  FixedClock clock;
  RecordingTimers timers;
  MousePage page{reg};
};

TEST_F(MousePageTest, FirstRunDefaultsThenApplyAndCancel) {
  page.LoadMousePage();
  EXPECT_EQ(page.state().item_index, (Items{1, 2, 3, 4, 8}));
  EXPECT_STREQ(kGestureActionCaptions[8], "最大化");
  page.Mouse_ActionLeftChange(Gesture::Up, 9);
  EXPECT_TRUE(Buttons());
  page.btn_mouse_saveClick();
  EXPECT_FALSE(page.state().save_enabled || page.state().cancel_enabled);
  EXPECT_EQ(Stored(), (Items{1, 2, 9, 4, 8}));
  page.Mouse_ActionLeftChange(Gesture::Left, 7);
  page.btn_mouse_cancelClick();
  EXPECT_FALSE(page.state().save_enabled || page.state().cancel_enabled);
  EXPECT_EQ(page.state().item_index, (Items{1, 2, 9, 4, 8}));
}

TEST_F(MousePageTest, StoredNumbersOutsideTheListShowNoItemAndAreSavedAsMinusOne) {
  Store({12, -1, 10, 0, 9});
  page.LoadMousePage();
  EXPECT_EQ(page.state().item_index, (Items{kNoItem, kNoItem, kNoItem, 0, 9}));
  page.Mouse_ActionLeftChange(Gesture::Down, 10);  // not an item
  page.btn_mouse_saveClick();
  EXPECT_EQ(Stored(), (Items{-1, -1, -1, -1, 9}));
}

TEST_F(MousePageTest, AMissingOrMistypedValueStopsTheLoadThere) {
  const struct {
    RegValue value;  // stored for Mouse_ActionUp; kRegNone: deleted
    const char* error;
  } cases[] = {
      {{kRegNone, ""}, "Failed to get data for 'Mouse_ActionUp'"},
      {{kRegSz, "3"}, "Invalid data type for 'Mouse_ActionUp'"},
      {{kRegDword, std::string("\x03\x00", 2)}, "Invalid data type for 'Mouse_ActionUp'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    MousePage fresh(reg);
    Store({1, 2, 3, 4, 8});
    fresh.LoadMousePage();
    Store({5, 6, 3, 7, 9});
    if (c.value.type == kRegNone)
      settings::OpenKey(reg).DeleteValue("Mouse_ActionUp");
    else
      settings::OpenKey(reg).raw()->SetValue("Mouse_ActionUp", c.value);
    fresh.Mouse_ActionLeftChange(Gesture::Down, 0);
    try {
      fresh.btn_mouse_cancelClick();
      ADD_FAILURE() << "no error";
    } catch (const RegistryError& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
    // Reloaded before the value, as the boxes were from it on; the buttons stay on.
    EXPECT_EQ(fresh.state().item_index, (Items{5, 6, 3, 0, 8}));
    EXPECT_TRUE(fresh.state().save_enabled);
  }
}

TEST_F(MousePageTest, ASettingsKeyThatCannotBeOpenedChangesNothing) {
  page.LoadMousePage();
  page.Mouse_ActionLeftChange(Gesture::Left, 9);
  reg.SetAccess(RegRoot::CurrentUser, settings::kKeyPath, MemoryRegistry::Rule::Denied);
  page.btn_mouse_saveClick();
  page.btn_mouse_cancelClick();
  EXPECT_EQ(page.state().item_index, (Items{9, 2, 3, 4, 8}));
  reg.SetAccess(RegRoot::CurrentUser, settings::kKeyPath, MemoryRegistry::Rule::Allow);
  EXPECT_EQ(Stored(), (Items{1, 2, 3, 4, 8}));
}

}  // namespace
}  // namespace orv
