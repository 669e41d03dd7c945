#pragma once
// The main window's logic (TOrvanelForm without its controls): start-up and shut-down
// sequences, navigation between the ten pages, the tray menu's commands and the general page.
// OrvanelApp (orvanel_app.h) wires the other pages in through FormHooks. The window layer owns
// the real window, calls the event methods below and draws from the state.
//
// Every public event method is an event boundary: an error raised inside it is shown once by
// the general error display and the work done before it stays done.
#include <array>
#include <functional>
#include <string>

#include "platform/app_window.h"
#include "platform/clock.h"
#include "platform/message_boxes.h"
#include "platform/mouse_hook.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/tray.h"
#include "shell/general_page.h"
#include "shell/maker_site.h"
#include "shell/tray_menu.h"

namespace orv {

inline constexpr char kMutexName[] = "TVOrvanel";
inline constexpr char kFormClassName[] = "TOrvanelForm";
inline constexpr char kDesignCaption[] = "岚澄欧凡诺";
inline constexpr char kMainCaption[] = "岚澄欧凡诺 V1.2";
// Window property of the main window, set once its start-up sequence has run (whatever it
// reported) and removed when the window is destroyed: while it is there the window handles its
// messages. Tools that start the program wait for it; the companions post only to a window
// that carries it.
inline constexpr char kStartedProperty[] = "OrvanelStarted";
inline constexpr int kFontPoints = 9;

struct PageInfo {
  const char* tree_entry;    // the navigation tree's text
  const char* sheet_name;    // TabSheetN
  const char* page_caption;  // never shown: the tabs are hidden
};
inline constexpr int kPageCount = 10;
inline constexpr std::array<PageInfo, kPageCount> kPages{{
    {"常规设置", "TabSheet1", "gen"},
    {"拦截广告", "TabSheet2", "killad"},
    {"鼠标增强", "TabSheet3", "mouse"},
    {"IE插件免疫", "TabSheet4", "antiX"},
    {"IE常规设置", "TabSheet5", "IE"},
    {"IE右键菜单", "TabSheet6", "menu"},
    {"IE工具栏", "TabSheet7", "toolbar"},
    {"浏览器辅助及扩展", "TabSheet8", "bho"},
    {"开机自动运行", "TabSheet9", "autorun"},
    {"快捷网址", "TabSheet10", "快捷网址"},
}};
// Positions in kPages.
enum PageIndex : int {
  kGeneralPageIndex = 0,   // TabSheet1
  kAdPageIndex,            // TabSheet2
  kMousePageIndex,         // TabSheet3
  kActiveXPageIndex,       // TabSheet4
  kIESettingsPageIndex,    // TabSheet5
  kMenuExtPageIndex,       // TabSheet6
  kToolbarPageIndex,       // TabSheet7
  kHelperObjectPageIndex,  // TabSheet8
  kAutoRunPageIndex,       // TabSheet9
  kUrlShortcutPageIndex,   // TabSheet10
};
// Pages from this index on (TabSheet4 to TabSheet10) have a page-shown event.
inline constexpr int kFirstPageWithShowEvent = 3;

// The services the form works with, all living as long as the form.
struct FormServices {
  Registry& registry;
  Shell& shell;
  MessageBoxes& boxes;
  Clock& clock;
  Timers& timers;
  TrayIcon& tray;
  MouseHook& mouse_hook;
  AppWindow& window;
};

// Work of the other pages and of the window layer, wired in by whoever builds the form. An
// empty hook is skipped. Each runs inside the form's event boundaries; errors it raises are
// shown as the form's own.
struct FormHooks {
  // Start-up, in this order between LoadGeneralPage and RegisterSiblingLibraries.
  std::function<void()> load_ad_page;     // LoadAdPage (also empties the temporary white list)
  std::function<void()> load_mouse_page;  // LoadMousePage
  // The IE settings page is loaded by its page-shown hook, page_shown[kIESettingsPageIndex].

  // Window layer, at its place in the start-up sequence: font (system character set, 9 points),
  // caption kMainCaption, page tabs hidden and the first page shown.
  std::function<void()> set_up_window;
  // Window layer: the tray icon's picture := the window's icon (last start-up step).
  std::function<void()> set_tray_icon_image;

  // Shut-down, first two steps.
  std::function<void()> clear_temp_white_list_view;
  std::function<void()> save_ad_page;  // SaveAdPage

  // TabSheetN's page-shown event is page_shown[N - 1]; used for indexes 3 to 9.
  std::array<std::function<void()>, kPageCount> page_shown;

  // The online notice: FormShow, a click on the notice line, the two timers' ticks.
  std::function<void()> form_show;
  std::function<void()> notice_click;
  std::function<void()> download_notice_timer;
  std::function<void()> check_online_timer;
};

class OrvanelForm {
 public:
  // The program folder is computed from exe_path (the executable's full path).
  OrvanelForm(const FormServices& services, std::string exe_path);
  OrvanelForm(const OrvanelForm&) = delete;
  OrvanelForm& operator=(const OrvanelForm&) = delete;

  FormHooks& hooks() { return hooks_; }

  // Window creation: InitSettings, LoadGeneralPage, LoadAdPage, LoadMousePage, IE page,
  // RegisterSiblingLibraries, window set-up, first page, EnableMouseHook,
  // tray icon picture. An error shows once and skips the remaining steps.
  void FormCreate();
  // Window closing, which always ends the program: empty the temporary white list's view,
  // SaveAdPage, DisableMouseHook, UnregisterSiblingLibraries, RemoveContextMenuKeys. A step
  // that fails shows its error and the next step runs; the caller then ends the program.
  // The sequence runs once: false, and nothing done, when it runs (a box's message loop) or
  // ran already, by a close or by the end of the session.
  bool FormClose();
  // The session ends (log-off, shut-down, restart; WM_ENDSESSION): the same sequence, once,
  // but an error a step raises is not shown. Windows ends the process soon after and ends a
  // hidden program at once that takes over 5 seconds: a box would hold nobody's attention and
  // could cost the later steps. False when the sequence runs or ran already.
  bool FormEndSession();
  // Each time the window becomes visible: the notice, then the current page's page-shown
  // event (a page with one reloads whenever it comes into view).
  void FormShow();

  // Makes page `index` (0 to 9) active and, when it was not already, runs its page-shown
  // event. Other indexes are ignored.
  void MenuTreeChange(int index);
  int active_page() const { return active_page_; }

  // Tray icon and tray menu.
  void item_dispClick();  // also the tray icon's single click
  void sIconDblClick();
  void item_hideClick();
  void ApplicationMinimize();  // the application's minimise event: hides to the tray
  void item_exitClick();       // closes the window, which then runs FormClose
  void item_InetOptClick();
  void item_SysInfoClick();
  IconMenu& icon_menu() { return icon_menu_; }

  // The general page (TabSheet1); its view sends the page's events through the event boundary.
  GeneralPage& general_page() { return general_page_; }

  void NoticeClick();
  void DownloadNoticeTimerTimer();
  void CheckOnlineTimerTimer();

  // Runs work wired in by the application (page events, private messages) at the event
  // boundary; false when it ended with an error.
  bool Guarded(const std::function<void()>& work);

  const std::string& program_folder() const { return program_folder_; }
  const std::string& exe_path() const { return exe_path_; }

 private:
  using StepRunner = std::function<void(const std::function<void()>&)>;
  bool RunCloseSequence(const StepRunner& run_step);

  FormServices services_;
  std::string exe_path_;
  std::string program_folder_;
  FormHooks hooks_;
  GeneralPage general_page_;
  IconMenu icon_menu_;
  int active_page_ = kGeneralPageIndex;
  bool closing_ = false;  // the close sequence runs or ran
};

}  // namespace orv
