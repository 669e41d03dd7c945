#pragma once
// Hints of a page's controls: the text a tool tip shows while the mouse rests on the control.
#include <windows.h>

#include <string>

namespace orv::win32 {

class ControlHints {
 public:
  // The tool tip window is owned by `owner` (the page's container) and goes with it.
  void Attach(HWND owner);
  void Add(HWND control, const char* text);
  // The hint shown for a control, "" when it has none.
  std::string Of(HWND control) const;
  HWND handle() const { return tip_; }

 private:
  HWND owner_ = nullptr;
  HWND tip_ = nullptr;
};

}  // namespace orv::win32
