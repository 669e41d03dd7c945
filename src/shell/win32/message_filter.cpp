#include "shell/win32/message_filter.h"

namespace orv {
namespace win32 {

namespace {
// winuser.h spells these only for newer targets than the program's.
constexpr DWORD kAllowForWindow = 1;   // MSGFLT_ALLOW
constexpr DWORD kAddForProcess = 1;    // MSGFLT_ADD
}  // namespace

MessageFilterFunctions SystemMessageFilterFunctions() {
  MessageFilterFunctions f;
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return f;
  f.for_window = reinterpret_cast<decltype(f.for_window)>(
      reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")));
  f.for_process = reinterpret_cast<decltype(f.for_process)>(
      reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")));
  return f;
}

MessageFilterWay LetThroughFromLowerIntegrity(HWND window, const unsigned* messages, size_t count,
                                              const MessageFilterFunctions& functions) {
  if (functions.for_window != nullptr) {
    for (size_t i = 0; i < count; ++i)
      functions.for_window(window, messages[i], kAllowForWindow, nullptr);
    return MessageFilterWay::kWindow;
  }
  if (functions.for_process != nullptr) {
    for (size_t i = 0; i < count; ++i) functions.for_process(messages[i], kAddForProcess);
    return MessageFilterWay::kProcess;
  }
  return MessageFilterWay::kNone;
}

}  // namespace win32
}  // namespace orv
