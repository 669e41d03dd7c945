#pragma once
// What the logic asks of the main window itself.
namespace orv {

class AppWindow {
 public:
  virtual ~AppWindow() = default;
  // Posts a private message (0x500..0x502) to the main window's queue. Outside senders always
  // post wParam 0; the program may tag its own posts with a non-zero wParam.
  virtual void PostToSelf(unsigned message, unsigned long long wparam = 0) = 0;
  // Shows the window, restores it and brings it to the foreground.
  virtual void ShowAndRestore() = 0;
  virtual void Hide() = 0;
  // Closes the main window, which runs the shut-down sequence and ends the program.
  virtual void Close() = 0;
};

}  // namespace orv
