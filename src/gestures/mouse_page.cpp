#include "gestures/mouse_page.h"

#include "shell/settings.h"

namespace orv {

namespace {

int ItemFor(int32_t stored) {
  return stored >= 0 && stored < kGestureActionCount ? static_cast<int>(stored) : kNoItem;
}

}  // namespace

void MousePage::LoadMousePage() {
  RegKey key = settings::OpenKey(registry_);
  if (!key) return;
  for (int g = 0; g < kGestureCount; ++g)
    state_.item_index[g] = ItemFor(key.ReadInteger(kGestureValueNames[g]));
}

void MousePage::SaveMousePage() {
  RegKey key = settings::OpenKey(registry_);
  if (!key) return;
  for (int g = 0; g < kGestureCount; ++g)
    key.WriteInteger(kGestureValueNames[g], state_.item_index[g]);
}

void MousePage::Mouse_ActionLeftChange(Gesture gesture, int index) {
  state_.item_index[static_cast<int>(gesture)] = index >= 0 && index < kGestureActionCount ? index : kNoItem;
  state_.save_enabled = true;
  state_.cancel_enabled = true;
}

void MousePage::btn_mouse_saveClick() {
  SaveMousePage();
  state_.save_enabled = false;
  state_.cancel_enabled = false;
}

void MousePage::btn_mouse_cancelClick() {
  LoadMousePage();
  state_.save_enabled = false;
  state_.cancel_enabled = false;
}

}  // namespace orv
