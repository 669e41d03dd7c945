#pragma once
// The gesture hook library beside the executable.
namespace orv {

class MouseHook {
 public:
  virtual ~MouseHook() = default;
  virtual void Enable() = 0;   // EnableMouseHook(main window)
  virtual void Disable() = 0;  // DisableMouseHook()
};

}  // namespace orv
