#pragma once
// The mouse gesture page (TabSheet3): one drop-down list of the ten actions per gesture, with
// apply and cancel. The page's state is the model of its controls; the window layer shows it
// and reports the user's picks through the event methods. The hook library reads what apply
// stores from the settings key by itself.
#include <array>

#include "gestures/gesture_actions.h"
#include "platform/registry.h"

namespace orv {

inline constexpr char kMouseLabel1Caption[] =
    "按下鼠标右键，向某个方向划一条线后放开右键，即可启用指定的功能。";
inline constexpr char kMouseLabel2Caption[] = "按下鼠标中键";
inline constexpr char kMouseApplyCaption[] = "应用";
inline constexpr char kMouseCancelCaption[] = "取消";

// The items of every combo box, in stored order.
inline constexpr std::array<const char*, kGestureActionCount> kGestureActionCaptions{
    "不设置", "后退", "前进", "向上滚动", "向下滚动",
    "向左滚动", "向右滚动", "关闭窗口", "最大化", "最小化"};

// A combo box without a selection.
inline constexpr int kNoItem = -1;

struct MousePageState {
  // Item index of Mouse_ActionLeft, ..._Right, ..._Up, ..._Down, ..._Middle (Gesture order):
  // 0 to 9, or kNoItem.
  std::array<int, kGestureCount> item_index{kNoItem, kNoItem, kNoItem, kNoItem, kNoItem};
  bool save_enabled = false;    // btn_mouse_save
  bool cancel_enabled = false;  // btn_mouse_cancel
};

class MousePage {
 public:
  explicit MousePage(Registry& registry) : registry_(registry) {}

  const MousePageState& state() const { return state_; }
  int item_index(Gesture gesture) const { return state_.item_index[static_cast<int>(gesture)]; }

  // Sets each combo box from its value, in gesture order; a stored number outside 0 to 9
  // leaves its box without a selection. A missing value, or one not stored as an integer,
  // raises RegistryError there: the boxes after it keep what they showed. A settings key that
  // cannot be opened changes nothing.
  void LoadMousePage();
  // Writes each box's item index (kNoItem as -1) under its value, in gesture order; raises
  // RegistryError at the first value the registry refuses.
  void SaveMousePage();

  // The change event of all five boxes: `index` is the item the user picked in the box of
  // `gesture`; apply and cancel become available.
  void Mouse_ActionLeftChange(Gesture gesture, int index);
  void btn_mouse_saveClick();    // SaveMousePage, then both buttons off
  void btn_mouse_cancelClick();  // LoadMousePage, then both buttons off

 private:
  Registry& registry_;
  MousePageState state_;
};

}  // namespace orv
