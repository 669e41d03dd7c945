#include "maintenance/win32/control_hints.h"

#include <commctrl.h>

namespace orv::win32 {

void ControlHints::Attach(HWND owner) {
  owner_ = owner;
  tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

namespace {
TTTOOLINFOA ToolOf(HWND owner, HWND control, char* text) {
  TTTOOLINFOA tool{};
  // The version 5 size: the program runs with either common-controls version.
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text;
  return tool;
}
}  // namespace

void ControlHints::Add(HWND control, const char* text) {
  if (!tip_ || !control || !text) return;
  TTTOOLINFOA tool = ToolOf(owner_, control, const_cast<char*>(text));
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string ControlHints::Of(HWND control) const {
  char text[256] = {};
  TTTOOLINFOA tool = ToolOf(owner_, control, text);
  if (tip_) SendMessageA(tip_, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
  return text;
}

}  // namespace orv::win32
