#pragma once
// The gesture hook library "Cravet.dll" beside the executable. The program is linked against
// it, so the library is loaded with the program.
#include <windows.h>

#include "platform/mouse_hook.h"

namespace orv {

class CravetMouseHook : public MouseHook {
 public:
  explicit CravetMouseHook(HWND target = nullptr) : target_(target) {}
  // The window that receives the hook's reports: the main window.
  void set_target(HWND target) { target_ = target; }

  void Enable() override;   // EnableMouseHook(target)
  void Disable() override;  // DisableMouseHook()

 private:
  HWND target_;
};

}  // namespace orv
