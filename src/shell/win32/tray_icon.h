#pragma once
// The program's icon in the notification area (Shell_NotifyIcon), owned by the main window:
// the shell reports mouse events on the icon to that window as kTrayCallbackMessage.
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "platform/tray.h"

namespace orv::win32 {

// Callback message of the icon (wParam: icon id, lParam: the mouse message).
constexpr UINT kTrayCallbackMessage = WM_APP + 1;
constexpr UINT kTrayIconId = 1;

// Byte size of the notification record to hand the shell: the version-5 record (with balloon
// fields) when Shell32's major version is above 4, else the first record, without them.
DWORD NotifyIconRecordSize(int shell32_major_version);
// Major version of Shell32.dll from its DllGetVersion, 4 when it has none.
int Shell32MajorVersion();
// Balloon icon kind -> NIIF_ flag.
DWORD BalloonIconFlag(BalloonIcon icon);

// Copies text into a fixed char field of `capacity` bytes, cut to at most capacity - 1 bytes
// without splitting a double-byte character, NUL-terminated.
void CopyToField(const std::string& text, char* field, size_t capacity);

class Win32TrayIcon : public TrayIcon {
 public:
  struct Handlers {
    std::function<void()> click;         // left button released on the icon
    std::function<void()> double_click;  // left or right double click
    std::function<void(POINT)> popup;    // open the tray menu at this screen point (modal)
  };

  // Adds nothing yet; Add() puts the icon into the notification area.
  Win32TrayIcon(HWND owner, HICON icon, const std::string& tip, Handlers handlers);
  // The window that gets the callback message; set before Add().
  void set_owner(HWND owner) { owner_ = owner; }
  ~Win32TrayIcon() override;
  Win32TrayIcon(const Win32TrayIcon&) = delete;
  Win32TrayIcon& operator=(const Win32TrayIcon&) = delete;

  // NIM_ADD with message, icon and tip. An icon of this id that is still there (a new taskbar
  // that kept it) is taken over by a modify instead.
  bool Add();
  // NIM_DELETE; nothing when the icon is not shown.
  void Remove();
  bool added() const { return added_; }
  void SetIcon(HICON icon);

  // The icon's callback message and the shell's "TaskbarCreated"; true when it was one of them.
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                   unsigned timeout_ms) override;
  // The same; true when the shell took the balloon (never without the icon or its fields).
  bool SendBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                   unsigned timeout_ms);

 private:
  NOTIFYICONDATAA Record(UINT flags) const;
  void OpenPopup();

  HWND owner_;
  HICON icon_;
  std::string tip_;
  Handlers handlers_;
  DWORD record_size_;
  UINT taskbar_created_;
  bool added_ = false;
};

}  // namespace orv::win32
