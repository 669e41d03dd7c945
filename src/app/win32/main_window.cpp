#include "app/win32/main_window.h"

#include <commctrl.h>
#include <shlobj.h>

#include <iterator>

#include "app/win32/page_views.h"
#include "app/win32/resource.h"
#include "maintenance/user_folder.h"
#include "popup_blocker/ad_messages.h"
#include "shell/error_display.h"
#include "shell/tray_menu.h"
#include "shell/win32/message_filter.h"
#include "shell/win32/tray_menu_entries.h"
#include "shell/win32/window_dpi.h"

namespace orv {

namespace {

const char kPageHostClass[] = "TPageControl";
const char kSheetClass[] = "TTabSheet";
const char kDesignFontFace[] = "宋体";

// Layout at 96 dots per inch. The window is sizeable, but only the notice line follows it.
constexpr int kLeft = 239, kTop = 177, kWidth = 599, kHeight = 387;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME |
                         WS_CLIPCHILDREN;
constexpr int kNoticeHeight = 12;
constexpr RECT kTreeRect{8, 8, 8 + 129, 8 + 337};
constexpr RECT kPageRect{152, 8, 152 + 425, 8 + 337};
constexpr int kTreeIndent = 19;
// The sheets of a page control with button-style tabs sit inside this margin.
constexpr int kSheetMargin = 4;

// Control ids; 1 and 2 (IDOK, IDCANCEL) stay free for the dialog keys.
enum ControlId : int {
  kIdTree = 10,
  kIdNotice = 11,
  kIdPageHost = 12,
  kIdSheetFirst = 100,  // + page index
};

// The form's font for the window's dpi: 9 points (12 pixels at 96 dpi, the design's height).
HFONT MakeFont(int dpi, BYTE charset) {
  return CreateFontA(-FontPixelHeight(kFontPoints, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     charset,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, kDesignFontFace);
}

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
  SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  return TRUE;
}

// The sheets of the page control, relative to it.
constexpr RECT kSheetRect{kSheetMargin, kSheetMargin,
                          kPageRect.right - kPageRect.left - kSheetMargin,
                          kPageRect.bottom - kPageRect.top - kSheetMargin};

// The user's own folder below the local application data folder ("" when Windows does not say
// where that is); it is made only when something is written there.
std::string UserFolder() {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return std::string();
  return std::string(folder) + "\\" + kUserFolderName;
}

void Place(HWND window, const RECT& rect96, int dpi) {
  const RECT r = win32::ScaleRect(rect96, dpi);
  MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, Registry& registry, Clock& clock,
                       const std::string& exe_path)
    : instance_(instance),
      dpi_(win32::ScreenDpi()),
      tray_(nullptr, nullptr, kTrayTip,
            {[this] { form_.item_dispClick(); }, [this] { form_.sIconDblClick(); },
             [this](POINT at) { OpenTrayMenu(at); }}),
      app_(AppServices{registry, files_, shell_, boxes_, clock, timers_, tray_, sound_, browsers_,
                       mouse_hook_, *this, connectivity_, http_},
           exe_path, UserFolder()),
      form_(app_.form()) {
  FormHooks& hooks = form_.hooks();
  hooks.set_up_window = [this] { SetUpWindow(); };
  hooks.set_tray_icon_image = [this] { tray_.SetIcon(small_icon_); };
}

MainWindow::~MainWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

int MainWindow::Scale(int pixels) const { return ScaleToDpi(pixels, dpi_); }

bool MainWindow::RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &MainWindow::WindowProcThunk;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_ORVANEL));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_ORVANEL), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClassName;
  if (!RegisterClassExA(&wc)) return false;

  // The page control and its sheets: plain containers in the face colour (each page's view
  // fills its sheet with a container of its own, which gets the controls' notifications).
  WNDCLASSEXA host{};
  host.cbSize = sizeof(host);
  host.lpfnWndProc = &DefWindowProcA;
  host.hInstance = instance;
  host.hCursor = wc.hCursor;
  host.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  host.lpszClassName = kPageHostClass;
  if (!RegisterClassExA(&host)) return false;
  host.lpszClassName = kSheetClass;
  return RegisterClassExA(&host) != 0;
}

bool MainWindow::Create() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  if (!RegisterClasses(instance_)) return false;
  WNDCLASSEXA form{};
  form.cbSize = sizeof(form);
  GetClassInfoExA(instance_, kFormClassName, &form);
  // Without it the program still runs; the taskbar then shows the main window's caption.
  application_.Create(instance_, kApplicationTitle, form.hIcon, form.hIconSm);
  // Without WS_VISIBLE: it stays hidden until shown from the tray. Outside components post to
  // the window they find by class and caption, so the caption is the final one from the start
  // (the start-up sequence's window set-up writes the same text again).
  return CreateWindowExA(0, kFormClassName, kMainCaption, kStyle, kLeft, kTop, Scale(kWidth),
                         Scale(kHeight), application_.handle(), nullptr, instance_,
                         this) != nullptr;
}

int MainWindow::RunMessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // Tab, arrow and space keys move between and work the controls as in a dialog.
    if (hwnd_ && IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// The one window procedure: the object arrives with WM_NCCREATE and is kept in the window's
// user data; every later message goes to its member handler.
LRESULT CALLBACK MainWindow::WindowProcThunk(HWND hwnd, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  MainWindow* self;
  if (message == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->boxes_.set_owner(hwnd);
    self->shell_.set_owner(hwnd);
    self->timers_.set_window(hwnd);
    self->mouse_hook_.set_target(hwnd);
    self->tray_.set_owner(hwnd);
    self->application_.set_main(hwnd);
  } else {
    self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) have no object yet.
  if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (menu_ && menu_->HandleMessage(message, wparam, lparam, &result)) return result;
  if (tray_.HandleMessage(message, wparam, lparam)) return 0;
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      if (wparam == SIZE_MINIMIZED) {
        if (!restoring_) form_.ApplicationMinimize();
      } else {
        LayoutNotice();
      }
      return 0;
    case WM_SHOWWINDOW:
      if (wparam) {
        form_.FormShow();
        RefreshPages();
      }
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const UINT flags = reinterpret_cast<const WINDOWPOS*>(lparam)->flags;
      if (flags & SWP_SHOWWINDOW) application_.MainShown(true);
      if (flags & SWP_HIDEWINDOW) application_.MainShown(false);
      break;  // the default handling sends WM_SIZE and WM_MOVE
    }
    case WM_COMMAND:
      OnCommand(wparam, lparam);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->hwndFrom == tree_ &&
          (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW))
        OnTreeSelectionChanged(reinterpret_cast<const NMTREEVIEWA*>(lparam)->itemNew.hItem);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == notice_) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, RGB(0xFF, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == notice_ && LOWORD(lparam) == HTCLIENT) {
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (auto id = Win32Timers::FromEventId(wparam)) {
        if (*id == TimerId::DownloadNotice)
          form_.DownloadNoticeTimerTimer();
        else
          form_.CheckOnlineTimerTimer();
        return 0;
      }
      break;
    case WM_AD_REPORT:
    case WM_AD_ADDURL:
    case WM_AD_SCAN:
      app_.OnPrivateMessage(message, wparam);
      RefreshPages();
      return 0;
    case WM_COPYDATA: {  // a companion's address; what it leads to is posted
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
      return data && app_.OnHandOver(static_cast<unsigned long>(data->dwData),
                                     static_cast<const char*>(data->lpData), data->cbData);
    }
    case WM_ACTIVATE:
      // Keyboard focus comes back to the control that had it, at first the tree.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) focus_ = focus;
      }
      return DefWindowProcA(hwnd_, message, wparam, lparam);
    case WM_SETFOCUS:
      SetFocus(focus_ && IsWindow(focus_) && IsWindowVisible(focus_) ? focus_ : tree_);
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      // Yes, at once: the end may still be cancelled, so the close sequence waits for
      // WM_ENDSESSION (Windows gives each message 5 seconds).
      return TRUE;
    case WM_ENDSESSION:
      // The process may be ended any time after this returns: close now, within the message.
      if (wparam && form_.FormEndSession()) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      RemovePropA(hwnd_, kStartedProperty);
      tray_.Remove();
      // Closed while the tray menu is open (a posted close runs inside the menu's loop): the
      // menu ends first; the menu object itself goes with this object.
      if (menu_ && menu_->tracking()) EndMenu();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      // Last message of the window: later stray calls must not reach this object.
      HWND hwnd = hwnd_;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wparam, lparam);
}

// ---- creation ----

void MainWindow::OnCreate() {
  small_icon_ = reinterpret_cast<HICON>(GetClassLongPtrA(hwnd_, GCLP_HICONSM));
  // Made on the screen of the system's dpi; a window that is on another screen takes its size.
  const int window_dpi = win32::WindowDpi(hwnd_);
  if (window_dpi != dpi_) {
    dpi_ = window_dpi;
    SetWindowPos(hwnd_, nullptr, 0, 0, Scale(kWidth), Scale(kHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowIcons();
  }
  KeepOnScreen();
  CreateControls();
  menu_ = std::make_unique<win32::SkinnedMenu>(hwnd_);
  // The icon is in the tray from window creation, whatever the start-up sequence does.
  tray_.SetIcon(small_icon_);
  tray_.Add();
  CreatePageViews();
  form_.FormCreate();
  RefreshPages();
  // The browser's tabs run at a lower integrity level (Protected Mode) and must reach the window.
  win32::LetThroughFromLowerIntegrity(hwnd_, kMessagesFromLowerIntegrity,
                                      std::size(kMessagesFromLowerIntegrity));
  SetPropA(hwnd_, kStartedProperty, reinterpret_cast<HANDLE>(1));
}

void MainWindow::CreateControls() {
  // The design font; the start-up sequence replaces it by the system's character set.
  font_charset_ = GB2312_CHARSET;
  font_.reset(MakeFont(dpi_, font_charset_));
  auto child = [&](DWORD ex_style, const char* cls, const char* text, DWORD style, const RECT& r,
                   HWND parent, int id) {
    return CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, Scale(r.left),
                           Scale(r.top), Scale(r.right - r.left), Scale(r.bottom - r.top), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  };

  notice_ = child(0, "STATIC", app_.notice().notice_text().c_str(), SS_CENTER | SS_NOTIFY | SS_NOPREFIX,
                  RECT{0, 0, 0, 0}, hwnd_, kIdNotice);
  LayoutNotice();

  tree_ = child(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                kTreeRect, hwnd_, kIdTree);
  for (const PageInfo& page : kPages) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(page.tree_entry);
    SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
  }

  page_host_ = child(WS_EX_CONTROLPARENT, kPageHostClass, "MainPage", 0, kPageRect, hwnd_,
                     kIdPageHost);
  for (int i = 0; i < kPageCount; ++i) {
    // Window text = page caption (never shown: the tabs are hidden), class TTabSheet.
    // Hidden until shown; placed with the others below.
    sheets_[i] = CreateWindowExA(WS_EX_CONTROLPARENT, kSheetClass, kPages[i].page_caption,
                                 WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, page_host_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdSheetFirst + i)),
                                 instance_, nullptr);
  }
  LayOutControls();
  ApplyFont(font_.get());
  ShowSheet(kGeneralPageIndex);
}

void MainWindow::CreatePageViews() {
  win32::PageContext context;
  context.font = font_.get();
  context.dpi = dpi_;
  context.run = [this](const std::function<void()>& work) { return app_.Run(work); };
  for (const win32::PageViewRow& row : win32::PageViewRows()) {
    context.sheet = sheets_[row.page];
    views_[row.page] = row.make(context, app_);
  }
}

// The window's own controls at the current dpi (the pages' views lay out their own).
void MainWindow::LayOutControls() {
  Place(tree_, kTreeRect, dpi_);
  SendMessageA(tree_, TVM_SETINDENT, Scale(kTreeIndent), 0);
  Place(page_host_, kPageRect, dpi_);
  for (HWND sheet : sheets_) Place(sheet, kSheetRect, dpi_);
  LayoutNotice();
}

// The 96-dpi place with a larger dpi's size may reach past the screen's work area.
void MainWindow::KeepOnScreen() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT window{};
  if (!GetWindowRect(hwnd_, &window) ||
      !GetMonitorInfoA(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor))
    return;
  const RECT inside =
      win32::ToRect(KeepInside(win32::ToLayoutRect(window), win32::ToLayoutRect(monitor.rcWork)));
  if (inside.left != window.left || inside.top != window.top)
    SetWindowPos(hwnd_, nullptr, inside.left, inside.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window's icons at the sizes for its dpi (the class's are for the system's).
void MainWindow::SetWindowIcons() {
  HICON big = win32::LoadIconForDpi(instance_, IDI_ORVANEL, 32, dpi_);
  HICON small = win32::LoadIconForDpi(instance_, IDI_ORVANEL, 16, dpi_);
  if (big) SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

// Moved to a screen of another dpi: the suggested rectangle keeps the window's place on it;
// the fonts are made anew for the dpi and every control is laid out again from the 96-dpi
// layout.
void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  dpi_ = UsableDpi(dpi);
  win32::UniqueFont font(MakeFont(dpi_, font_charset_));
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOutControls();
  if (font) ApplyFont(font.get());
  for (auto& view : views_)
    if (view) view->ChangeDpi(dpi_, font ? font.get() : font_.get());
  if (font) font_ = std::move(font);  // the old font is deleted only after no control uses it
  SetWindowIcons();
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::ApplyFont(HFONT font) {
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnumChildWindows(hwnd_, SetFontOnChild, reinterpret_cast<LPARAM>(font));
}

// Start-up: the form's font (9 points, the system's default character set), the caption, the
// page tabs hidden and the first page shown.
void MainWindow::SetUpWindow() {
  win32::UniqueFont font(MakeFont(dpi_, DEFAULT_CHARSET));
  if (font) {
    font_charset_ = DEFAULT_CHARSET;
    ApplyFont(font.get());
    font_ = std::move(font);  // the old font is deleted only after no control uses it
  }
  SetWindowTextA(hwnd_, kMainCaption);
  ShowSheet(kGeneralPageIndex);
}

void MainWindow::LayoutNotice() {
  if (!notice_) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int height = Scale(kNoticeHeight);
  MoveWindow(notice_, 0, client.bottom - height, client.right, height, TRUE);
}

void MainWindow::RefreshPages() {
  for (auto& view : views_)
    if (view) view->Refresh();
  if (notice_ && app_.notice().notice_text_version() != notice_version_) {
    notice_version_ = app_.notice().notice_text_version();
    SetWindowTextA(notice_, app_.notice().notice_text().c_str());
  }
}

void MainWindow::ShowSheet(int index) {
  // Show the new sheet before hiding the old one, so the area never flashes empty.
  ShowWindow(sheets_[index], SW_SHOW);
  for (int i = 0; i < kPageCount; ++i)
    if (i != index) ShowWindow(sheets_[i], SW_HIDE);
}

// ---- events ----

void MainWindow::OnCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  const int code = HIWORD(wparam);
  if (lparam == 0) {
    if (code == 0) OnMenuCommand(static_cast<UINT>(id));
    return;
  }
  HWND control = reinterpret_cast<HWND>(lparam);
  HWND parent = GetParent(control);
  if (parent && parent != hwnd_ && IsChild(hwnd_, parent) && !IsOwnContainer(parent)) {
    // Enter on a push button of a page: IsDialogMessage reports the click to the main window,
    // not to the button's parent, which is where the page handles it.
    SendMessageA(parent, WM_COMMAND, wparam, lparam);
    return;
  }
  if (control == notice_ && code == STN_CLICKED) {
    form_.NoticeClick();
    RefreshPages();
  }
}

void MainWindow::OnMenuCommand(UINT id) {
  switch (id) {
    case win32::kCmdInetOpt: form_.item_InetOptClick(); return;
    case win32::kCmdSysInfo: form_.item_SysInfoClick(); return;
    case win32::kCmdHide: form_.item_hideClick(); return;
    case win32::kCmdDisp: form_.item_dispClick(); return;
    case win32::kCmdExit: form_.item_exitClick(); return;
    default: break;
  }
  if (id >= win32::kCmdBlockedFirst && id <= win32::kCmdBlockedLast) {
    app_.BlockedHistoryItemClick(static_cast<int>(id - win32::kCmdBlockedFirst));
    RefreshPages();
  }
}

// The page control and its sheets: their controls' messages are the main window's own.
bool MainWindow::IsOwnContainer(HWND window) const {
  if (window == page_host_) return true;
  for (HWND sheet : sheets_)
    if (window == sheet) return true;
  return false;
}

void MainWindow::OnTreeSelectionChanged(HTREEITEM item) {
  if (!item) return;
  // The page is the entry's position among its siblings.
  int index = 0;
  for (HTREEITEM prev = item;
       (prev = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_PREVIOUS, reinterpret_cast<LPARAM>(prev))));)
    ++index;
  form_.MenuTreeChange(index);
  ShowSheet(form_.active_page());
  RefreshPages();
}

void MainWindow::OnClose() {
  // A message box of the shut-down sequence runs a message loop: a second close waits for the
  // first instead of starting the sequence again, and a close after a session end does nothing.
  if (!form_.FormClose()) return;
  // Closing always ends the program, whatever a step of the sequence reported.
  DestroyWindow(hwnd_);
}

void MainWindow::OpenTrayMenu(POINT at) {
  // An open menu keeps its entries, and the addresses its picks stand for.
  if (!menu_ || menu_->tracking()) return;
  menu_->Build(win32::TrayMenuEntries(form_.icon_menu()));
  menu_->Track(at);
}

// ---- AppWindow ----

void MainWindow::PostToSelf(unsigned message, unsigned long long wparam) {
  PostMessageA(hwnd_, message, static_cast<WPARAM>(wparam), 0);
}

void MainWindow::ShowAndRestore() {
  restoring_ = true;
  application_.ShowMain();
  restoring_ = false;
}

void MainWindow::Hide() { application_.HideMain(); }

void MainWindow::Close() {
  // Posted, so the shut-down sequence never runs inside the handler (or menu) that asked.
  PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

}  // namespace orv
