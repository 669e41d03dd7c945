#pragma once
// The program's one window, class TOrvanelForm: the navigation tree, the ten page sheets, the
// notice line, the tray icon and its menu, and the ad-blocker page. It owns the Windows services
// and the application (OrvanelApp: form, ad-blocker page, blocking engine), hands every event to
// it and shows what it says. Outside components find the window by class name and caption, both
// final from the window's creation to its end.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "gestures/win32/mouse_hook_library.h"
#include "platform/app_window.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/win32/win32_browser_windows.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_sound.h"
#include "platform/win32/win32_timers.h"
#include "popup_blocker/win32/ad_page_view.h"
#include "app/orvanel_app.h"
#include "shell/orvanel_form.h"
#include "shell/win32/gdi_objects.h"
#include "shell/win32/page_view.h"
#include "shell/win32/skinned_menu.h"
#include "shell/win32/tray_icon.h"

namespace orv {

// WM_COMMAND ids of the tray menu (lParam 0). Entry i of the blocked-window sub-menu (top
// first) is kCmdBlockedFirst + i.
enum TrayCommand : UINT {
  kCmdInetOpt = 101,
  kCmdSysInfo = 102,
  kCmdHide = 103,
  kCmdDisp = 104,
  kCmdExit = 105,
  kCmdBlockedFirst = 1000,
  kCmdBlockedLast = 1999,
};

// Window property set once the start-up sequence has run (whatever it reported): from then on
// the window handles its messages. Tools that start the program wait for it.
inline constexpr char kStartedProperty[] = "OrvanelStarted";

// Work wired in from outside the window: the pages built elsewhere.
struct MainWindowHooks {
  // Once the sheets exist, before the start-up sequence: builds pages' controls on their
  // sheets (PageSheet, AttachPageView).
  std::function<void()> build_page_views;
};

class MainWindow : public AppWindow {
 public:
  // exe_path: the executable's full path, from which the program folder is made.
  MainWindow(HINSTANCE instance, Registry& registry, Clock& clock, const std::string& exe_path);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Wire these before Create().
  OrvanelApp& app() { return app_; }
  OrvanelForm& form() { return form_; }
  MainWindowHooks& hooks() { return hooks_; }
  TrayIcon& tray() { return tray_; }
  MessageBoxes& boxes() { return boxes_; }
  Shell& shell() { return shell_; }

  // Registers the class and creates the window hidden, running the start-up sequence: the
  // program lives in the tray until the user shows it. False when the window could not be made.
  bool Create();
  HWND handle() const { return hwnd_; }

  // Runs until the window is destroyed; returns the exit code.
  int RunMessageLoop();

  // TabSheet1 .. TabSheet10 (index 0 to 9), for the pages' own controls; nullptr before Create().
  HWND PageSheet(int index) const;
  // The view gets its sheet's messages first; it must live as long as the window.
  void AttachPageView(int index, win32::PageView* view);
  // The font of every control (the form's font).
  HFONT font() const { return font_.get(); }
  // Scales a length given at 96 dots per inch to the screen's.
  int Scale(int pixels) const;
  void SetNoticeText(const std::string& text);

  // AppWindow
  void PostToSelf(unsigned message, unsigned long long wparam = 0) override;
  void ShowAndRestore() override;
  void Hide() override;
  void Close() override;

 private:
  static LRESULT CALLBACK WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK SheetProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static bool RegisterClasses(HINSTANCE instance);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void OnCreate();
  void CreateControls();
  void CreateGeneralPage(HWND sheet);
  void SetUpWindow();
  void ApplyFont(HFONT font);
  void LayoutNotice();
  void ShowSheet(int index);
  void RefreshGeneralPage();
  void RefreshAdPage();
  void OnCommand(WPARAM wparam, LPARAM lparam);
  bool IsOwnContainer(HWND window) const;
  void OnMenuCommand(UINT id);
  void OnTreeSelectionChanged(HTREEITEM item);
  void OnClose();
  void OpenTrayMenu(POINT at);
  std::vector<win32::MenuEntry> TrayMenuEntries();

  HINSTANCE instance_;
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
  OrvanelApp app_;
  OrvanelForm& form_;
  MainWindowHooks hooks_;
  std::unique_ptr<win32::AdPageView> ad_view_;  // TabSheet2; its controls go with the window

  std::unique_ptr<win32::SkinnedMenu> menu_;
  win32::UniqueFont font_;
  HICON small_icon_ = nullptr;  // shared resource icon

  HWND notice_ = nullptr;
  HWND tree_ = nullptr;
  HWND page_host_ = nullptr;
  std::array<HWND, kPageCount> sheets_{};
  std::array<win32::PageView*, kPageCount> page_views_{};
  HWND chk_auto_start_ = nullptr;
  HWND chk_menu_ = nullptr;
  HWND btn_gen_save_ = nullptr;
  HWND btn_gen_cancel_ = nullptr;

  HWND focus_ = nullptr;     // control with the focus when the window was last deactivated
  bool closing_ = false;    // the shut-down sequence runs or ran
  bool restoring_ = false;  // ShowAndRestore runs: its own size changes are not a minimise
};

}  // namespace orv
