#include "browser_actions.h"

namespace cravet {

namespace {

// The browser draws each tab's page in a window of this class; the toolbars, the address bar,
// the tab row and the status bar are windows of their own that scroll nothing.
const char kDocumentViewClass[] = "Internet Explorer_Server";

bool IsDocumentView(HWND window) {
  char name[sizeof kDocumentViewClass + 1];
  return GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, kDocumentViewClass) == 0;
}

BOOL CALLBACK FindVisibleDocumentView(HWND child, LPARAM found) {
  // A tab in the background hides its page's window.
  if (!IsDocumentView(child) || !IsWindowVisible(child)) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

// The page the stroke ended over; else the page of the frame's visible tab; a frame with no page
// window at all gets the window under the pointer, or the frame itself.
HWND DocumentViewAt(HWND frame, POINT at) {
  HWND under = WindowFromPoint(at);
  if (!under || GetAncestor(under, GA_ROOT) != frame) under = nullptr;
  for (HWND w = under; w && w != frame; w = GetAncestor(w, GA_PARENT))
    if (IsDocumentView(w)) return w;
  HWND view = nullptr;
  EnumChildWindows(frame, FindVisibleDocumentView, reinterpret_cast<LPARAM>(&view));
  if (view) return view;
  return under ? under : frame;
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
      PostAppCommand(frame, DocumentViewAt(frame, at), APPCOMMAND_BROWSER_BACKWARD);
      break;
    case GestureAction::Forward:
      PostAppCommand(frame, DocumentViewAt(frame, at), APPCOMMAND_BROWSER_FORWARD);
      break;
    case GestureAction::ScrollUp:
      PostScroll(DocumentViewAt(frame, at), WM_VSCROLL, SB_PAGEUP);
      break;
    case GestureAction::ScrollDown:
      PostScroll(DocumentViewAt(frame, at), WM_VSCROLL, SB_PAGEDOWN);
      break;
    case GestureAction::ScrollLeft:
      PostScroll(DocumentViewAt(frame, at), WM_HSCROLL, SB_PAGELEFT);
      break;
    case GestureAction::ScrollRight:
      PostScroll(DocumentViewAt(frame, at), WM_HSCROLL, SB_PAGERIGHT);
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

void ReplayClick(orv::MouseButton physical) {
  INPUT input[2] = {};
  for (INPUT& in : input) {
    in.type = INPUT_MOUSE;
    in.mi.dwExtraInfo = kReplayMark;
  }
  switch (physical) {
    case orv::MouseButton::Left:
      input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      break;
    case orv::MouseButton::Right:
      input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
      input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
      break;
    case orv::MouseButton::Middle:
      input[0].mi.dwFlags = MOUSEEVENTF_MIDDLEDOWN;
      input[1].mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
      break;
  }
  SendInput(2, input, sizeof(INPUT));
}

}  // namespace cravet
