#pragma once
// User Interface Privilege Isolation (Vista and later) keeps a window from the messages above
// WM_USER, and from WM_COPYDATA, that processes of a lower integrity level send, such as the
// browser's tabs in Protected Mode. A window lets chosen ones through: Windows 7 and later have
// ChangeWindowMessageFilterEx for one window, Vista only ChangeWindowMessageFilter for the whole
// process; both are looked up at run time, as older systems lack them.
#include <windows.h>

#include <cstddef>

namespace orv {
namespace win32 {

struct MessageFilterFunctions {
  BOOL(WINAPI* for_window)(HWND, UINT, DWORD, void*) = nullptr;  // ChangeWindowMessageFilterEx
  BOOL(WINAPI* for_process)(UINT, DWORD) = nullptr;              // ChangeWindowMessageFilter
};

// The system's functions, those it has.
MessageFilterFunctions SystemMessageFilterFunctions();

enum class MessageFilterWay { kWindow, kProcess, kNone };

// Lets the messages through to the window from lower integrity levels, with the first of the
// functions the system has; nothing else is let through. Returns the way taken.
MessageFilterWay LetThroughFromLowerIntegrity(
    HWND window, const unsigned* messages, size_t count,
    const MessageFilterFunctions& functions = SystemMessageFilterFunctions());

}  // namespace win32
}  // namespace orv
