#pragma once
// The whole program without its window, and the one place that knows every subsystem: the main
// form, each page object and service, wired together through the form's hooks. The main window
// makes one, forwards window events to it and draws what its parts hold.
#include <cstddef>
#include <functional>
#include <string>

#include "gestures/mouse_page.h"
#include "maintenance/activex_page.h"
#include "maintenance/auto_run_page.h"
#include "maintenance/helper_object_page.h"
#include "maintenance/ie_settings_page.h"
#include "maintenance/menu_ext_page.h"
#include "maintenance/toolbar_page.h"
#include "maintenance/url_shortcut_page.h"
#include "notice/online_notice.h"
#include "platform/browser_windows.h"
#include "platform/connectivity.h"
#include "platform/files.h"
#include "platform/http_client.h"
#include "platform/sound.h"
#include "popup_blocker/ad_page.h"
#include "popup_blocker/blocking_engine.h"
#include "shell/orvanel_form.h"

namespace orv {

// Every service the program uses; all must outlive the application.
struct AppServices {
  Registry& registry;
  FileSystem& files;
  Shell& shell;
  MessageBoxes& boxes;
  Clock& clock;
  Timers& timers;
  TrayIcon& tray;
  Sound& sound;
  BrowserWindows& browsers;
  MouseHook& mouse_hook;
  AppWindow& window;
  Connectivity& connectivity;
  HttpClient& http;
};

class OrvanelApp {
 public:
  // user_folder is the user's own folder ("%LOCALAPPDATA%\Tavrosel\Orvanel\", with its
  // trailing backslash; "" when it is not known): reports the program folder refuses and the
  // registry backups go there.
  OrvanelApp(const AppServices& services, std::string exe_path, const std::string& user_folder);
  OrvanelApp(const OrvanelApp&) = delete;
  OrvanelApp& operator=(const OrvanelApp&) = delete;

  OrvanelForm& form() { return form_; }
  AdPage& ad_page() { return ad_page_; }
  MousePage& mouse_page() { return mouse_page_; }
  BlockingEngine& engine() { return engine_; }
  // The notice line's text comes from here.
  OnlineNotice& notice() { return notice_; }
  ActiveXPage& activex_page() { return activex_page_; }
  IESettingsPage& ie_settings_page() { return ie_settings_page_; }
  MenuExtPage& menu_ext_page() { return menu_ext_page_; }
  ToolbarPage& toolbar_page() { return toolbar_page_; }
  HelperObjectPage& helper_object_page() { return helper_object_page_; }
  AutoRunPage& auto_run_page() { return auto_run_page_; }
  UrlShortcutPage& url_shortcut_page() { return url_shortcut_page_; }

  // The private messages 0x500 to 0x502, each at the event boundary. False for other numbers.
  bool OnPrivateMessage(unsigned message, unsigned long long wparam);
  // A companion's WM_COPYDATA (BlockingEngine::TakeHandOver): true when it was taken.
  bool OnHandOver(unsigned long tag, const char* bytes, size_t length);
  // A pick of entry index (top first) of the tray sub-menu of blocked windows, as it was built.
  void BlockedHistoryItemClick(int index);
  // Runs one page event at the event boundary; false when it ended with an error.
  bool Run(const std::function<void()>& work) { return form_.Guarded(work); }

 private:
  OrvanelForm form_;
  AdPage ad_page_;
  MousePage mouse_page_;
  BlockingEngine engine_;
  OnlineNotice notice_;
  ActiveXPage activex_page_;
  IESettingsPage ie_settings_page_;
  MenuExtPage menu_ext_page_;
  ToolbarPage toolbar_page_;
  HelperObjectPage helper_object_page_;
  AutoRunPage auto_run_page_;
  UrlShortcutPage url_shortcut_page_;
};

}  // namespace orv
