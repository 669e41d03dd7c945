#include "maintenance/win32/control_hints.h"

#include <commctrl.h>

namespace orv::win32 {

void ControlHints::Attach(HWND owner) {
  owner_ = owner;
  tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

void ControlHints::Add(HWND control, const char* text) {
  if (!tip_ || !control) return;
  TTTOOLINFOA tool{};
  // The version 5 size: the program runs with either common-controls version.
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = owner_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(text);
  SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace orv::win32
