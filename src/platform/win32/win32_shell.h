#pragma once
// Shell execution and message boxes over the Windows API, owned by one window.
#include <windows.h>

#include "platform/message_boxes.h"
#include "platform/shell.h"

namespace orv {

class Win32Shell : public Shell {
 public:
  explicit Win32Shell(HWND owner = nullptr) : owner_(owner) {}
  void set_owner(HWND owner) { owner_ = owner; }
  void Execute(const std::string& operation, const std::string& file, const std::string& parameters,
               ShowCommand show) override;

 private:
  HWND owner_;
};

class Win32MessageBoxes : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(HWND owner = nullptr) : owner_(owner) {}
  void set_owner(HWND owner) { owner_ = owner; }
  BoxAnswer Show(const std::string& text, const std::string& caption, BoxButtons buttons,
                 BoxIcon icon) override;

 private:
  HWND owner_;
};

}  // namespace orv
