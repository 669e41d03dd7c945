#include "shell/win32/page_view.h"

#include "shell/win32/window_dpi.h"

namespace orv::win32 {

namespace {

const char kViewClass[] = "TPageView";

HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

bool RegisterViewClass(WNDPROC proc) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExA(ModuleInstance(), kViewClass, &existing)) return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = ModuleInstance();
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kViewClass;
  return RegisterClassExA(&wc) != 0;
}

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
  SendMessageA(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

}  // namespace

std::string TextOf(HWND window) {
  std::string text(GetWindowTextLengthA(window) + 1, '\0');
  text.resize(GetWindowTextA(window, &text[0], static_cast<int>(text.size())));
  return text;
}

PageView::PageView(const PageContext& context)
    : sheet_(context.sheet),
      font_(context.font),
      dpi_(context.dpi > 0 ? context.dpi : 96),
      run_(context.run) {}

PageView::~PageView() {
  if (container_) DestroyWindow(container_);
}

bool PageView::CreateContainer() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                            ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  if (!RegisterViewClass(&PageView::WindowProc)) return false;
  RECT client{};
  GetClientRect(sheet_, &client);
  container_ = CreateWindowExA(WS_EX_CONTROLPARENT, kViewClass, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                               client.bottom, sheet_, nullptr, ModuleInstance(), this);
  alive_ = container_ != nullptr;
  return alive_;
}

HWND PageView::CreatePanel(HWND parent, const RECT& r, int id, const char* text) {
  const RECT at = ScaleRect(r, dpi_);
  HWND panel = CreateWindowExA(WS_EX_CONTROLPARENT, kViewClass, text, WS_CHILD | WS_CLIPCHILDREN,
                               at.left, at.top, at.right - at.left, at.bottom - at.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleInstance(),
                               this);
  if (panel) placed_.push_back({panel, r});
  return panel;
}

HWND PageView::CreateControl(DWORD ex_style, const char* window_class, const char* text,
                             DWORD style, const RECT& r, HWND parent, int id) {
  const RECT at = ScaleRect(r, dpi_);
  HWND control = CreateWindowExA(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style,
                                 at.left, at.top, at.right - at.left, at.bottom - at.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ModuleInstance(), nullptr);
  if (control) placed_.push_back({control, r});
  return control;
}

HWND PageView::CreateButton(const char* text, const RECT& rect, HWND parent, int id,
                            DWORD extra_style) {
  return CreateControl(0, "BUTTON", text, WS_TABSTOP | BS_PUSHBUTTON | extra_style, rect, parent,
                       id);
}

void PageView::ApplyFont() {
  if (font_ && container_)
    EnumChildWindows(container_, SetFontOnChild, reinterpret_cast<LPARAM>(font_));
}

void PageView::ChangeDpi(int dpi, HFONT font) {
  const int old_dpi = dpi_;
  dpi_ = UsableDpi(dpi);
  font_ = font;
  if (!container_) return;
  RECT client{};
  GetClientRect(sheet_, &client);
  MoveWindow(container_, 0, 0, client.right, client.bottom, FALSE);
  for (const Placed& p : placed_) {
    const RECT at = ScaleRect(p.rect96, dpi_);
    MoveWindow(p.window, at.left, at.top, at.right - at.left, at.bottom - at.top, FALSE);
    char window_class[32] = "";
    GetClassNameA(p.window, window_class, sizeof(window_class));
    if (lstrcmpiA(window_class, WC_LISTVIEWA) != 0) continue;
    // Column widths were made for the old dpi.
    HWND header = reinterpret_cast<HWND>(SendMessageA(p.window, LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int c = 0; c < columns; ++c) {
      const int width = static_cast<int>(SendMessageA(p.window, LVM_GETCOLUMNWIDTH, c, 0));
      SendMessageA(p.window, LVM_SETCOLUMNWIDTH, c, MAKELPARAM(MulDiv(width, dpi_, old_dpi), 0));
    }
  }
  if (font_) EnumChildWindows(container_, SetFontOnChild, reinterpret_cast<LPARAM>(font_));
  OnDpiChanged();
  Refresh();
  RedrawWindow(container_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// One procedure for the container and its panels: the view arrives with WM_NCCREATE.
LRESULT CALLBACK PageView::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  PageView* self;
  if (message == WM_NCCREATE) {
    self = static_cast<PageView*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<PageView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
  return self->HandleMessage(hwnd, message, wparam, lparam);
}

LRESULT PageView::HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (alive_ && lparam) {
        HWND control = reinterpret_cast<HWND>(lparam);
        OnCommand(control, GetDlgCtrlID(control), HIWORD(wparam));
      }
      return 0;
    case WM_NOTIFY:
      return alive_ ? OnNotify(*reinterpret_cast<const NMHDR*>(lparam)) : 0;
    case WM_DESTROY:
      // The controls go after the container: their last notifications are not events.
      if (hwnd == container_) alive_ = false;
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      if (hwnd == container_) container_ = nullptr;
      break;
    default:
      if (alive_) {
        LRESULT result = 0;
        if (OnMessage(hwnd, message, wparam, lparam, &result)) return result;
      }
      break;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace orv::win32
