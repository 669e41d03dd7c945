#include "browser_actions.h"

namespace cravet {

namespace {

// The view under the pointer when it belongs to the frame (the page's own window, which scrolls
// itself), else the frame.
HWND ViewAt(HWND frame, POINT at) {
  HWND view = WindowFromPoint(at);
  return view && GetAncestor(view, GA_ROOT) == frame ? view : frame;
}

// WM_APPCOMMAND as a browser button of the mouse would raise it on the view.
void PostAppCommand(HWND frame, HWND view, WORD command) {
  PostMessageA(frame, WM_APPCOMMAND, reinterpret_cast<WPARAM>(view),
               MAKELPARAM(0, FAPPCOMMAND_MOUSE | command));
}

// One page, then the end of the scroll, as a click on the scroll bar's track sends them.
void PostScroll(HWND view, UINT message, WORD code) {
  PostMessageA(view, message, MAKEWPARAM(code, 0), 0);
  PostMessageA(view, message, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
}

}  // namespace

int32_t ReadStoredAction(orv::Gesture gesture) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, orv::settings::kKeyPath, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return -1;
  DWORD type = 0, value = 0, size = sizeof(value);
  const LONG rc = RegQueryValueExA(key, orv::GestureValueName(gesture), nullptr, &type,
                                   reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) return -1;
  return static_cast<int32_t>(value);
}

void CarryOut(orv::GestureAction action, HWND frame, POINT at) {
  using orv::GestureAction;
  switch (action) {
    case GestureAction::None:
      break;
    case GestureAction::Back:
      PostAppCommand(frame, ViewAt(frame, at), APPCOMMAND_BROWSER_BACKWARD);
      break;
    case GestureAction::Forward:
      PostAppCommand(frame, ViewAt(frame, at), APPCOMMAND_BROWSER_FORWARD);
      break;
    case GestureAction::ScrollUp:
      PostScroll(ViewAt(frame, at), WM_VSCROLL, SB_PAGEUP);
      break;
    case GestureAction::ScrollDown:
      PostScroll(ViewAt(frame, at), WM_VSCROLL, SB_PAGEDOWN);
      break;
    case GestureAction::ScrollLeft:
      PostScroll(ViewAt(frame, at), WM_HSCROLL, SB_PAGELEFT);
      break;
    case GestureAction::ScrollRight:
      PostScroll(ViewAt(frame, at), WM_HSCROLL, SB_PAGERIGHT);
      break;
    case GestureAction::CloseWindow:
      PostMessageA(frame, WM_CLOSE, 0, 0);
      break;
    // Through the frame's system menu commands, as its title bar buttons do; posted, because
    // ShowWindow on another program's window waits for that program.
    case GestureAction::Maximise:
      PostMessageA(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      break;
    case GestureAction::Minimise:
      PostMessageA(frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      break;
  }
}

void ReplayClick(DWORD down_flag, DWORD up_flag) {
  INPUT input[2] = {};
  for (INPUT& in : input) {
    in.type = INPUT_MOUSE;
    in.mi.dwExtraInfo = kReplayMark;
  }
  input[0].mi.dwFlags = down_flag;
  input[1].mi.dwFlags = up_flag;
  SendInput(2, input, sizeof(INPUT));
}

}  // namespace cravet
