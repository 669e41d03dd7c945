#pragma once
// The program's one window, class TOrvanelForm: the navigation tree, the ten page sheets, the
// notice line, the tray icon and its menu. It owns the Windows services and the application
// (OrvanelApp), hands every event to it and shows what it says. The pages' controls are their
// views' (page_views.h), built on the sheets at creation. Outside components find the window by
// class name and caption, both final from the window's creation to its end. It is owned by the
// application window, whose title is the program's entry in the taskbar.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <memory>
#include <string>

#include "gestures/win32/mouse_hook_library.h"
#include "platform/app_window.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/win32/win32_browser_windows.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_connectivity.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_http_client.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_sound.h"
#include "platform/win32/win32_timers.h"
#include "app/orvanel_app.h"
#include "shell/orvanel_form.h"
#include "shell/win32/application_window.h"
#include "shell/win32/gdi_objects.h"
#include "shell/win32/page_view.h"
#include "shell/win32/skinned_menu.h"
#include "shell/win32/tray_icon.h"

namespace orv {


class MainWindow : public AppWindow {
 public:
  // exe_path: the executable's full path, from which the program folder is made.
  MainWindow(HINSTANCE instance, Registry& registry, Clock& clock, const std::string& exe_path);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  OrvanelApp& app() { return app_; }

  // Registers the class and creates the window hidden, running the start-up sequence: the
  // program lives in the tray until the user shows it. False when the window could not be made.
  bool Create();
  HWND handle() const { return hwnd_; }

  // Runs until the window is destroyed; returns the exit code.
  int RunMessageLoop();

  // Scales a length given at 96 dots per inch to the window's dots per inch.
  int Scale(int pixels) const;

  // AppWindow
  void PostToSelf(unsigned message, unsigned long long wparam = 0) override;
  void ShowAndRestore() override;
  void Hide() override;
  void Close() override;

 private:
  static LRESULT CALLBACK WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static bool RegisterClasses(HINSTANCE instance);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void OnCreate();
  void CreateControls();
  void CreatePageViews();
  void SetUpWindow();
  void ApplyFont(HFONT font);
  void LayOutControls();
  void SetWindowIcons();
  void KeepOnScreen();
  void OnDpiChanged(int dpi, const RECT& suggested);
  void LayoutNotice();
  void ShowSheet(int index);
  // Redraws every page's controls from its page object, and the notice line.
  void RefreshPages();
  void OnCommand(WPARAM wparam, LPARAM lparam);
  bool IsOwnContainer(HWND window) const;
  void OnMenuCommand(UINT id);
  void OnTreeSelectionChanged(HTREEITEM item);
  void OnClose();
  void OpenTrayMenu(POINT at);

  HINSTANCE instance_;
  // Owns the main window; made first and gone last.
  win32::ApplicationWindow application_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;

  // The popup blocker drives the browsers through COM from this, the interface thread. First,
  // so that the browser collection below is released before the apartment ends.
  ComApartment com_;
  // Services owned by the window (they act for it), then the application that uses them.
  Win32MessageBoxes boxes_;
  Win32Shell shell_;
  Win32Timers timers_;
  CravetMouseHook mouse_hook_;
  win32::Win32TrayIcon tray_;
  Win32FileSystem files_;
  Win32Sound sound_;
  Win32BrowserWindows browsers_;
  Win32Connectivity connectivity_;
  // Its events come to a message-only window of its own, through the message loop.
  Win32HttpClient http_;
  OrvanelApp app_;
  OrvanelForm& form_;
  // The pages' controls, by page index; their windows go with the sheets.
  std::array<std::unique_ptr<win32::PageView>, kPageCount> views_;

  std::unique_ptr<win32::SkinnedMenu> menu_;
  win32::UniqueFont font_;
  BYTE font_charset_ = GB2312_CHARSET;  // the design's until the start-up sequence sets the form's
  HICON small_icon_ = nullptr;  // shared resource icon

  HWND notice_ = nullptr;
  int notice_version_ = 0;  // of the text the notice line shows
  HWND tree_ = nullptr;
  HWND page_host_ = nullptr;
  std::array<HWND, kPageCount> sheets_{};

  HWND focus_ = nullptr;     // control with the focus when the window was last deactivated
  bool restoring_ = false;  // ShowAndRestore runs: its own size changes are not a minimise
};

}  // namespace orv
