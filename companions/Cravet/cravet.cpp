// Cravet.dll, the mouse-gesture hook library beside Orvanel.exe.
//
// EnableMouseHook starts a thread of its own that installs a low-level mouse hook and runs a
// message loop: Windows calls a low-level hook on the thread that installed it, from that
// thread's message retrieval, and silently removes a hook that answers too slowly. So the hook
// procedure only decides (StrokeRecogniser) whether an event passes, and posts what has to follow
// to its own thread, which does it after the hook has returned: reading the gesture's assignment
// from the settings key, the browser action, the replay of a plain click. DisableMouseHook ends
// the thread, which removes the hook.
#include <windows.h>

#include <deque>

#include "browser_actions.h"
#include "gestures/stroke_recogniser.h"
#include "integrity_level.h"

namespace {

using orv::FollowUp;
using orv::HookDecision;
using orv::HookEvent;
using orv::MouseEventKind;

constexpr UINT kFollowUpMessage = WM_APP + 1;  // one decision waits in HookState::pending

// The hook thread's own state, on its stack.
struct HookState {
  HookState(int threshold, orv::IntegrityLevel level) : recogniser(threshold), own_level(level) {}
  orv::StrokeRecogniser recogniser;
  std::deque<HookDecision> pending;
  orv::IntegrityLevel own_level;  // of this process
};
thread_local HookState* t_state = nullptr;

// The running hook thread; changed only under g_lock.
SRWLOCK g_lock = SRWLOCK_INIT;
HANDLE g_thread = nullptr;
DWORD g_thread_id = 0;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

// Low-level hook points are in physical pixels: the thread works in them too (Windows 10 and
// later; older systems have one scale), so that WindowFromPoint finds what is under them.
void UsePhysicalPixels() {
  using SetContext = HANDLE(WINAPI*)(HANDLE);
  auto set = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
  if (set && !set(reinterpret_cast<HANDLE>(-4)))  // per monitor, version 2
    set(reinterpret_cast<HANDLE>(-3));            // per monitor
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi;
}

// The top-level browser frame (class "IEFrame") under a point, 0 when there is none. For a
// press, also 0 when the frame's process has a higher integrity level than the hook's: what the
// library would do there, Windows blocks.
orv::WindowId BrowserFrameAt(POINT at, bool press, const HookState& state) {
  HWND window = WindowFromPoint(at);
  HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
  char name[16];
  if (!root || !GetClassNameA(root, name, sizeof(name)) || lstrcmpiA(name, "IEFrame") != 0)
    return 0;
  if (press && !orv::MayTakeOverPressesOn(state.own_level, cravet::IntegrityLevelOfWindow(root)))
    return 0;
  return reinterpret_cast<orv::WindowId>(root);
}

// Hook messages name the logical button, whatever the swap setting.
MouseEventKind KindOf(WPARAM message) {
  switch (message) {
    case WM_MOUSEMOVE: return MouseEventKind::Move;
    case WM_RBUTTONDOWN: return MouseEventKind::RightDown;
    case WM_RBUTTONUP: return MouseEventKind::RightUp;
    case WM_MBUTTONDOWN: return MouseEventKind::MiddleDown;
    case WM_MBUTTONUP: return MouseEventKind::MiddleUp;
    case WM_LBUTTONDOWN: return MouseEventKind::LeftDown;
    case WM_LBUTTONUP: return MouseEventKind::LeftUp;
    default: return MouseEventKind::Other;
  }
}

LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM wparam, LPARAM lparam) {
  HookState* state = t_state;
  if (code == HC_ACTION && state) {
    const auto& info = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lparam);
    HookEvent event;
    event.kind = KindOf(wparam);
    event.at = {info.pt.x, info.pt.y};
    event.ours = info.dwExtraInfo == cravet::kReplayMark;
    const bool press =
        event.kind == MouseEventKind::RightDown || event.kind == MouseEventKind::MiddleDown;
    const bool release =
        event.kind == MouseEventKind::RightUp || event.kind == MouseEventKind::MiddleUp;
    if ((press || release) && !event.ours) event.browser = BrowserFrameAt(info.pt, press, *state);
    const HookDecision decision = state->recogniser.OnEvent(event);
    if (decision.follow_up != FollowUp::None) {
      state->pending.push_back(decision);
      PostThreadMessageA(GetCurrentThreadId(), kFollowUpMessage, 0, 0);
    }
    if (decision.swallow) return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// What follows a decision, after the hook has returned.
void RunFollowUp(const HookDecision& decision) {
  if (decision.follow_up == FollowUp::ReplayRightClick) {
    // Read now: the user may change the setting while the program runs.
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    cravet::ReplayClick(orv::PhysicalButtonFor(orv::MouseButton::Right, swapped,
                                               decision.against_swap_setting));
    return;
  }
  HWND frame = reinterpret_cast<HWND>(decision.window);
  if (!IsWindow(frame)) return;
  const orv::GestureAction action =
      orv::ActionFromStored(cravet::ReadStoredAction(decision.gesture));
  // A middle press with nothing assigned goes back to the browser as the click it was.
  if (decision.gesture == orv::Gesture::Middle && action == orv::GestureAction::None) {
    cravet::ReplayClick(orv::MouseButton::Middle);
    return;
  }
  cravet::CarryOut(action, frame, POINT{decision.at.x, decision.at.y});
}

struct StartInfo {
  HANDLE ready;
  bool hooked = false;
};

DWORD WINAPI HookThreadMain(void* param) {
  StartInfo* start = static_cast<StartInfo*>(param);
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue, for posts
  UsePhysicalPixels();
  HookState state(orv::StrokeThreshold(ScreenDpi()),
                  cravet::IntegrityLevelOfProcess(GetCurrentProcess()));
  t_state = &state;
  HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, LowLevelMouseProc, ThisModule(), 0);
  start->hooked = hook != nullptr;
  SetEvent(start->ready);  // *start is gone after this
  if (!hook) {
    t_state = nullptr;
    return 1;
  }
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == kFollowUpMessage) {
      // One decision per message: a follow-up that injects input re-enters the hook, which may
      // queue another one meanwhile.
      if (state.pending.empty()) continue;
      const HookDecision decision = state.pending.front();
      state.pending.pop_front();
      RunFollowUp(decision);
    } else {
      DispatchMessageA(&msg);
    }
  }
  UnhookWindowsHookEx(hook);
  t_state = nullptr;
  return 0;
}

}  // namespace

// The window handle is the program's main window; the hook has no use for it.
extern "C" void EnableMouseHook(HWND /*main_window*/) {
  AcquireSRWLockExclusive(&g_lock);
  if (!g_thread) {
    StartInfo start;
    start.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread = start.ready ? CreateThread(nullptr, 0, HookThreadMain, &start, 0, &id) : nullptr;
    if (thread) {
      HANDLE wait[2] = {start.ready, thread};
      WaitForMultipleObjects(2, wait, FALSE, INFINITE);
      if (start.hooked) {
        g_thread = thread;
        g_thread_id = id;
      } else {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
      }
    }
    if (start.ready) CloseHandle(start.ready);
  }
  ReleaseSRWLockExclusive(&g_lock);
}

extern "C" void DisableMouseHook() {
  AcquireSRWLockExclusive(&g_lock);
  if (g_thread) {
    PostThreadMessageA(g_thread_id, WM_QUIT, 0, 0);
    // The thread only ever does short work; the wait is bounded all the same, so that closing
    // the program never hangs on it.
    WaitForSingleObject(g_thread, 5000);
    CloseHandle(g_thread);
    g_thread = nullptr;
    g_thread_id = 0;
  }
  ReleaseSRWLockExclusive(&g_lock);
}
