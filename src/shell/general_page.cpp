#include "shell/general_page.h"

#include <utility>

#include "shell/settings.h"
#include "shell/startup_integration.h"

namespace orv {

GeneralPage::GeneralPage(Registry& registry, MessageBoxes& boxes, std::string exe_path)
    : registry_(registry), boxes_(boxes), exe_path_(std::move(exe_path)) {}

void GeneralPage::LoadGeneralPage() {
  {
    RegKey key = settings::OpenKey(registry_);
    if (key) {
      if (key.ValueExists(settings::kAutoRun))
        state_.auto_start_checked = key.ReadBool(settings::kAutoRun);
      if (key.ValueExists(settings::kAllowIEMenu))
        state_.menu_checked = key.ReadBool(settings::kAllowIEMenu);
    }
  }
  if (state_.auto_start_checked) WriteStartupValue(registry_, exe_path_);
  if (!state_.menu_checked) RemoveContextMenuKeys(registry_);
}

void GeneralPage::SaveGeneralPage() {
  bool startup_left = false;
  if (state_.auto_start_checked)
    WriteStartupValue(registry_, exe_path_);
  else
    startup_left = !DeleteStartupValue(registry_);
  {
    RegKey key = settings::OpenKey(registry_);
    if (key) {
      key.WriteBool(settings::kAutoRun, state_.auto_start_checked);
      key.WriteBool(settings::kAllowIEMenu, state_.menu_checked);
    }
  }
  if (!state_.menu_checked) RemoveContextMenuKeys(registry_);
  if (startup_left)
    boxes_.Show(kStartupLeftText, kAutoStartCaption, BoxButtons::Ok, BoxIcon::Information);
}

void GeneralPage::chkAutoStartMouseDown() {
  state_.save_enabled = true;
  state_.cancel_enabled = true;
}

void GeneralPage::btn_gen_saveClick() {
  SaveGeneralPage();
  DisableButtons();
}

void GeneralPage::btn_gen_cancelClick() {
  LoadGeneralPage();
  DisableButtons();
}

void GeneralPage::DisableButtons() {
  state_.save_enabled = false;
  state_.cancel_enabled = false;
}

}  // namespace orv
