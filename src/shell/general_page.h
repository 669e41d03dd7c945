#pragma once
// The general page: start with Windows and the browser context-menu entries, with its apply
// and cancel buttons. The page's state is the model of its controls; the window layer shows it
// and reports the user's actions through the event methods.
#include <string>

#include "platform/message_boxes.h"
#include "platform/registry.h"

namespace orv {

inline constexpr char kAutoStartCaption[] = "随系统启动自动运行";
inline constexpr char kMenuCaption[] = "“加入黑名单”整合进IE右键菜单";
inline constexpr char kApplyCaption[] = "应用";
inline constexpr char kCancelCaption[] = "取消";
// Unticking start-up left the machine's start-up value, which only an elevated run may delete.
inline constexpr char kStartupLeftText[] =
    "未能删除所有用户的开机启动项，需要以管理员身份运行本程序。";

struct GeneralPageState {
  bool auto_start_checked = false;  // chkAutoStart
  bool menu_checked = false;        // chkMenu
  bool save_enabled = false;        // btn_gen_save
  bool cancel_enabled = false;      // btn_gen_cancel
};

class GeneralPage {
 public:
  GeneralPage(Registry& registry, MessageBoxes& boxes, std::string exe_path);

  const GeneralPageState& state() const { return state_; }

  // Check boxes from AutoRun and AllowIEMenu (a missing value leaves its box as it is); writes
  // the start-up value when start-up is ticked and removes the context-menu keys when the menu
  // option is not. Raises RegistryError when a stored value is not a number.
  void LoadGeneralPage();
  // Writes or deletes the start-up value, stores both switches, and removes the context-menu
  // keys when the menu option is off (switching it on adds them at the next start). When an
  // unticked start-up leaves a value it could not delete, says so once, at the end.
  void SaveGeneralPage();

  // A mouse button pressed on either check box: the user is editing, apply and cancel become
  // available.
  void chkAutoStartMouseDown();
  // A check box changed by the keyboard, by the mouse release that follows the press, or by the
  // program: the state follows, the buttons do not.
  void SetAutoStartChecked(bool checked) { state_.auto_start_checked = checked; }
  void SetMenuChecked(bool checked) { state_.menu_checked = checked; }

  void btn_gen_saveClick();
  void btn_gen_cancelClick();

 private:
  void DisableButtons();

  Registry& registry_;
  MessageBoxes& boxes_;
  std::string exe_path_;
  GeneralPageState state_;
};

}  // namespace orv
