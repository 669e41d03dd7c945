#include "shell/win32/tray_icon.h"

#include <shlwapi.h>

#include <cstring>

#include "base/ansi.h"

namespace orv::win32 {

DWORD NotifyIconRecordSize(int shell32_major_version) {
  // Sizes of this platform's record: the version-5 record is 488 bytes only in 32-bit builds.
  return shell32_major_version > 4 ? NOTIFYICONDATAA_V2_SIZE : NOTIFYICONDATAA_V1_SIZE;
}

int Shell32MajorVersion() {
  HMODULE shell32 = GetModuleHandleA("shell32.dll");
  if (!shell32) return 4;
  auto get_version =
      reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(shell32, "DllGetVersion")));
  if (!get_version) return 4;
  DLLVERSIONINFO info{};
  info.cbSize = sizeof(info);
  if (FAILED(get_version(&info))) return 4;
  return static_cast<int>(info.dwMajorVersion);
}

DWORD BalloonIconFlag(BalloonIcon icon) {
  switch (icon) {
    case BalloonIcon::Error: return NIIF_ERROR;
    case BalloonIcon::Info: return NIIF_INFO;
    case BalloonIcon::None: return NIIF_NONE;
    case BalloonIcon::Warning: return NIIF_WARNING;
  }
  return NIIF_NONE;
}

void CopyToField(const std::string& text, char* field, size_t capacity) {
  if (capacity == 0) return;
  size_t n = SafePrefixLength(text, capacity - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

Win32TrayIcon::Win32TrayIcon(HWND owner, HICON icon, const std::string& tip, Handlers handlers)
    : owner_(owner),
      icon_(icon),
      tip_(tip),
      handlers_(std::move(handlers)),
      record_size_(NotifyIconRecordSize(Shell32MajorVersion())),
      taskbar_created_(RegisterWindowMessageA("TaskbarCreated")) {}

Win32TrayIcon::~Win32TrayIcon() { Remove(); }

NOTIFYICONDATAA Win32TrayIcon::Record(UINT flags) const {
  NOTIFYICONDATAA data{};
  data.cbSize = record_size_;
  data.hWnd = owner_;
  data.uID = kTrayIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon_;
  // The first record only has room for 64 bytes of tip.
  CopyToField(tip_, data.szTip, record_size_ == NOTIFYICONDATAA_V1_SIZE ? 64 : sizeof(data.szTip));
  return data;
}

bool Win32TrayIcon::Add() {
  NOTIFYICONDATAA data = Record(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  added_ = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
  // Adding an id the shell still holds fails: take the existing icon over.
  if (!added_) added_ = Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
  return added_;
}

void Win32TrayIcon::Remove() {
  if (!added_) return;
  NOTIFYICONDATAA data = Record(0);
  Shell_NotifyIconA(NIM_DELETE, &data);
  added_ = false;
}

void Win32TrayIcon::SetIcon(HICON icon) {
  icon_ = icon;
  if (!added_) return;
  NOTIFYICONDATAA data = Record(NIF_ICON);
  Shell_NotifyIconA(NIM_MODIFY, &data);
}

bool Win32TrayIcon::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == taskbar_created_ && taskbar_created_ != 0) {
    // A new taskbar starts empty; the old record would make the modify path above succeed.
    added_ = false;
    Add();
    return true;
  }
  if (message != kTrayCallbackMessage || wparam != kTrayIconId) return false;
  switch (static_cast<UINT>(lparam)) {
    case WM_LBUTTONUP:
      if (handlers_.click) handlers_.click();
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
      if (handlers_.double_click) handlers_.double_click();
      break;
    case WM_RBUTTONUP:
      OpenPopup();
      break;
    default:
      break;
  }
  return true;
}

namespace {

// Lets the messages already queued run before a modal menu starts.
void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

void Win32TrayIcon::OpenPopup() {
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(owner_);
  ProcessPendingMessages();
  if (!IsWindow(owner_) || !handlers_.popup) return;
  POINT at{};
  GetCursorPos(&at);
  handlers_.popup(at);
  // Makes the shell's task switch after the menu work on every Windows version.
  PostMessageA(owner_, WM_NULL, 0, 0);
}

void Win32TrayIcon::ShowBalloon(const std::string& title, const std::string& text,
                                BalloonIcon icon, unsigned timeout_ms) {
  SendBalloon(title, text, icon, timeout_ms);
}

bool Win32TrayIcon::SendBalloon(const std::string& title, const std::string& text,
                                BalloonIcon icon, unsigned timeout_ms) {
  if (record_size_ == NOTIFYICONDATAA_V1_SIZE || !added_) return false;  // no balloon fields
  NOTIFYICONDATAA data = Record(NIF_INFO);
  CopyToField(text, data.szInfo, 256);        // at most 255 bytes
  CopyToField(title, data.szInfoTitle, 64);   // at most 63 bytes
  data.uTimeout = timeout_ms;
  data.dwInfoFlags = BalloonIconFlag(icon);
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

}  // namespace orv::win32
