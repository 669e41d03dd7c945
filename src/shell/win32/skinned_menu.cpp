#include "shell/win32/skinned_menu.h"

#include <commctrl.h>

#include <algorithm>

namespace orv::win32 {

namespace {

// Sizes at 96 dpi.
constexpr int kStripWidth = 24;    // the gradient strip where tool-bar menus keep their images
constexpr int kTextGap = 8;        // strip -> caption
constexpr int kRightMargin = 24;   // room for a sub-menu's arrow
constexpr int kItemHeight = 22;
constexpr int kSeparatorHeight = 7;
constexpr UINT_PTR kHintToolId = 1;

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int Scaled(int pixels) { return MulDiv(pixels, ScreenDpi(), 96); }

COLORREF Blend(COLORREF a, COLORREF b, int step, int steps) {
  auto mix = [&](int ca, int cb) { return ca + (cb - ca) * step / std::max(steps, 1); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
  // ExtTextOut with an opaque rectangle fills without creating a brush.
  COLORREF old = SetBkColor(dc, colour);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

void FrameSolid(HDC dc, const RECT& r, COLORREF colour) {
  FillSolid(dc, {r.left, r.top, r.right, r.top + 1}, colour);
  FillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, colour);
  FillSolid(dc, {r.left, r.top, r.left + 1, r.bottom}, colour);
  FillSolid(dc, {r.right - 1, r.top, r.right, r.bottom}, colour);
}

// ---- the menu window's frame ----
// The system draws the popup's own 3-D frame; the skin wants a flat border in its colour, so the
// program subclasses each menu window while its menu is open and paints over that frame.

const MenuSkin* g_frame_skin = nullptr;
HHOOK g_create_hook = nullptr;

void PaintMenuFrame(HWND menu_window, HDC dc) {
  if (!g_frame_skin) return;
  RECT window{};
  GetWindowRect(menu_window, &window);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menu_window, MN_GETHMENU, 0, 0));
  RECT content{};
  bool have_content = false;
  int count = menu ? GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    RECT r{};
    if (!GetMenuItemRect(menu_window, menu, i, &r)) continue;
    if (!have_content) {
      content = r;
      have_content = true;
    } else {
      UnionRect(&content, &content, &r);
    }
  }
  RECT whole{0, 0, window.right - window.left, window.bottom - window.top};
  int saved = SaveDC(dc);
  if (have_content) {
    OffsetRect(&content, -window.left, -window.top);
    ExcludeClipRect(dc, content.left, content.top, content.right, content.bottom);
  }
  FillSolid(dc, whole, g_frame_skin->background);
  // The items' gradient strip reaches out to the border.
  if (have_content && content.left > 1)
    FillSolid(dc, {1, 1, content.left, whole.bottom - 1}, g_frame_skin->strip_from);
  FrameSolid(dc, whole, g_frame_skin->border);
  RestoreDC(dc, saved);
}

LRESULT CALLBACK MenuWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case WM_PAINT:
    case WM_NCPAINT: {
      LRESULT r = DefSubclassProc(hwnd, message, wparam, lparam);
      HDC dc = GetWindowDC(hwnd);
      PaintMenuFrame(hwnd, dc);
      ReleaseDC(hwnd, dc);
      return r;
    }
    case WM_PRINT: {
      LRESULT r = DefSubclassProc(hwnd, message, wparam, lparam);
      if (lparam & PRF_NONCLIENT) PaintMenuFrame(hwnd, reinterpret_cast<HDC>(wparam));
      return r;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, MenuWindowProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

bool IsMenuWindow(HWND hwnd) {
  char name[16] = {};
  GetClassNameA(hwnd, name, sizeof(name));
  return lstrcmpA(name, "#32768") == 0;
}

LRESULT CALLBACK MenuCreateHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION) {
    auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (call->message == WM_CREATE && IsMenuWindow(call->hwnd))
      SetWindowSubclass(call->hwnd, MenuWindowProc, 1, 0);
  }
  return CallNextHookEx(g_create_hook, code, wparam, lparam);
}

// ---- the pressed entry ----
// The menu's own loop takes the mouse messages and redraws nothing when a button goes down on
// the entry already highlighted; its message filter sees them, and repaints the open menus so
// that the entry shows pressed (drawing reads the button state).

HHOOK g_filter_hook = nullptr;

BOOL CALLBACK InvalidateMenuWindow(HWND hwnd, LPARAM) {
  if (IsMenuWindow(hwnd) && IsWindowVisible(hwnd)) InvalidateRect(hwnd, nullptr, FALSE);
  return TRUE;
}

LRESULT CALLBACK MenuFilterHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == MSGF_MENU) {
    switch (reinterpret_cast<const MSG*>(lparam)->message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
        EnumThreadWindows(GetCurrentThreadId(), InvalidateMenuWindow, 0);
        break;
      default:
        break;
    }
  }
  return CallNextHookEx(g_filter_hook, code, wparam, lparam);
}

bool MouseButtonDown() {
  return GetKeyState(VK_LBUTTON) < 0 || GetKeyState(VK_RBUTTON) < 0;
}

// Installs the frame painter and the pressed-entry repaint for the menus opened during one
// Track call.
class FramePainterScope {
 public:
  explicit FramePainterScope(const MenuSkin* skin) {
    g_frame_skin = skin;
    g_create_hook = SetWindowsHookExA(WH_CALLWNDPROC, MenuCreateHook, nullptr, GetCurrentThreadId());
    g_filter_hook = SetWindowsHookExA(WH_MSGFILTER, MenuFilterHook, nullptr, GetCurrentThreadId());
  }
  FramePainterScope(const FramePainterScope&) = delete;
  FramePainterScope& operator=(const FramePainterScope&) = delete;
  ~FramePainterScope() {
    if (g_filter_hook) UnhookWindowsHookEx(g_filter_hook);
    g_filter_hook = nullptr;
    if (g_create_hook) UnhookWindowsHookEx(g_create_hook);
    g_create_hook = nullptr;
    g_frame_skin = nullptr;
  }
};

}  // namespace

SkinnedMenu::SkinnedMenu(HWND owner, MenuSkin skin)
    : owner_(owner), skin_(skin), background_brush_(CreateSolidBrush(skin.background)) {
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                             WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, owner_, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  if (tooltip_) {
    // The version-5 record: the later one is refused by the controls of older systems.
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = owner_;
    tool.uId = kHintToolId;
    tool.lpszText = const_cast<char*>("");
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

SkinnedMenu::~SkinnedMenu() {
  // The tip is owned by the owner window and may have gone with it.
  if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
}

HFONT SkinnedMenu::MenuFont() {
  if (!font_) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
      font_.reset(CreateFontIndirectA(&metrics.lfMenuFont));
  }
  return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void SkinnedMenu::Build(const std::vector<MenuEntry>& entries) {
  if (tracking_) return;  // the open menu keeps its entries
  HideHint();
  menu_.reset();  // destroys the sub-menus too
  sub_menus_.clear();
  items_.clear();
  menu_.reset(Fill(entries));
  MENUINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
  info.hbrBack = background_brush_.get();
  SetMenuInfo(menu_.get(), &info);
}

HMENU SkinnedMenu::Fill(const std::vector<MenuEntry>& entries) {
  HMENU menu = CreatePopupMenu();
  for (const MenuEntry& e : entries) {
    items_.push_back({e.kind, e.caption, e.hint});
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STATE | MIIM_ID;
    mii.fType = MFT_OWNERDRAW;
    if (e.kind != MenuEntry::Kind::Separator) {
      mii.fMask |= MIIM_STRING;
      mii.dwTypeData = const_cast<char*>(items_.back().caption.c_str());
    }
    mii.dwItemData = reinterpret_cast<ULONG_PTR>(&items_.back());
    mii.fState = e.enabled ? MFS_ENABLED : MFS_DISABLED;
    mii.wID = e.id;
    switch (e.kind) {
      case MenuEntry::Kind::Separator:
        mii.fType |= MFT_SEPARATOR;
        mii.wID = 0;
        break;
      case MenuEntry::Kind::SubMenu: {
        mii.fMask |= MIIM_SUBMENU;
        mii.hSubMenu = Fill(e.children);
        sub_menus_.push_back(mii.hSubMenu);
        break;
      }
      case MenuEntry::Kind::Command:
        break;
    }
    InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &mii);
  }
  return menu;
}

void SkinnedMenu::Track(POINT at) {
  if (!menu_ || tracking_) return;
  FramePainterScope frame(&skin_);
  tracking_ = true;
  TrackPopupMenu(menu_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner_, nullptr);
  tracking_ = false;
  HideHint();
}

HWND SkinnedMenu::OpenMenuWindow() { return FindWindowA("#32768", nullptr); }

bool SkinnedMenu::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      if (mis->CtlType != ODT_MENU) return false;
      Measure(mis);
      *result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (dis->CtlType != ODT_MENU) return false;
      Draw(dis);
      *result = TRUE;
      return true;
    }
    case WM_MENUSELECT:
      MenuSelect(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HMENU>(lparam));
      *result = 0;
      return true;
    case WM_EXITMENULOOP:
      HideHint();
      *result = 0;
      return true;
    default:
      return false;
  }
}

void SkinnedMenu::Measure(MEASUREITEMSTRUCT* mis) {
  const Item* item = reinterpret_cast<const Item*>(mis->itemData);
  if (!item) return;
  if (item->kind == MenuEntry::Kind::Separator) {
    mis->itemWidth = Scaled(kStripWidth);
    mis->itemHeight = Scaled(kSeparatorHeight);
    return;
  }
  HDC dc = GetDC(owner_);
  SIZE text{};
  {
    SelectInScope font(dc, MenuFont());
    GetTextExtentPoint32A(dc, item->caption.c_str(), static_cast<int>(item->caption.size()), &text);
  }
  ReleaseDC(owner_, dc);
  mis->itemWidth = Scaled(kStripWidth + kTextGap + kRightMargin) + text.cx;
  mis->itemHeight = std::max<int>(Scaled(kItemHeight), text.cy + Scaled(8));
}

void SkinnedMenu::Draw(const DRAWITEMSTRUCT* dis) {
  const Item* item = reinterpret_cast<const Item*>(dis->itemData);
  if (!item) return;
  HDC dc = dis->hDC;
  const RECT& r = dis->rcItem;
  FillSolid(dc, r, skin_.background);
  int strip = Scaled(kStripWidth);
  for (int x = 0; x < strip; ++x)
    FillSolid(dc, {r.left + x, r.top, r.left + x + 1, r.bottom},
              Blend(skin_.strip_from, skin_.strip_to, x, strip - 1));

  if (item->kind == MenuEntry::Kind::Separator) {
    int y = (r.top + r.bottom) / 2;
    FillSolid(dc, {r.left + strip + Scaled(kTextGap), y, r.right, y + 1}, skin_.separator);
    return;
  }
  bool selected = (dis->itemState & ODS_SELECTED) != 0;
  bool disabled = (dis->itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
  if (selected) {
    RECT sel = r;
    InflateRect(&sel, -1, 0);
    FillSolid(dc, sel, MouseButtonDown() ? skin_.pressed_fill : skin_.selected_fill);
    FrameSolid(dc, sel, GetSysColor(COLOR_HIGHLIGHT));
  }
  COLORREF text_colour = disabled   ? GetSysColor(COLOR_GRAYTEXT)
                         : selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                    : GetSysColor(COLOR_MENUTEXT);
  SelectInScope font(dc, MenuFont());
  int old_mode = SetBkMode(dc, TRANSPARENT);
  COLORREF old_colour = SetTextColor(dc, text_colour);
  RECT text = r;
  text.left += strip + Scaled(kTextGap);
  text.right -= Scaled(kRightMargin);
  // Addresses may hold "&": it is text here, not an accelerator mark.
  DrawTextA(dc, item->caption.c_str(), static_cast<int>(item->caption.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
  SetTextColor(dc, old_colour);
  SetBkMode(dc, old_mode);
}

void SkinnedMenu::MenuSelect(UINT item, UINT flags, HMENU menu) {
  if (flags == 0xFFFF && menu == nullptr) {  // the menu closed
    HideHint();
    return;
  }
  if (!menu || (flags & (MF_POPUP | MF_SEPARATOR))) {
    HideHint();
    return;
  }
  int count = GetMenuItemCount(menu);
  for (int pos = 0; pos < count; ++pos) {
    if (GetMenuItemID(menu, pos) != item) continue;
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_DATA;
    GetMenuItemInfoA(menu, pos, TRUE, &mii);
    const Item* data = reinterpret_cast<const Item*>(mii.dwItemData);
    if (data && !data->hint.empty()) {
      ShowHint(menu, static_cast<UINT>(pos), data->hint);
      return;
    }
    break;
  }
  HideHint();
}

void SkinnedMenu::ShowHint(HMENU menu, UINT position, const std::string& hint) {
  if (!tooltip_) return;
  RECT item{};
  if (!GetMenuItemRect(nullptr, menu, position, &item)) return;
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = owner_;
  tool.uId = kHintToolId;
  tool.lpszText = const_cast<char*>(hint.c_str());
  SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  // Beside the entry; to its left when the screen ends on the right. The tip's size is known
  // only once it shows with the new text.
  SendMessageA(tooltip_, TTM_TRACKPOSITION, 0, MAKELPARAM(item.right + 2, item.top));
  SendMessageA(tooltip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  RECT tip{};
  GetWindowRect(tooltip_, &tip);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromRect(&item, MONITOR_DEFAULTTONEAREST), &monitor);
  const int width = tip.right - tip.left;
  if (item.right + 2 + width > monitor.rcWork.right) {
    const int x = std::max<int>(monitor.rcWork.left, item.left - width - 2);
    SendMessageA(tooltip_, TTM_TRACKPOSITION, 0, MAKELPARAM(x, item.top));
  }
  hint_shown_ = true;
}

void SkinnedMenu::HideHint() {
  if (!tooltip_ || !hint_shown_) return;
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = owner_;
  tool.uId = kHintToolId;
  SendMessageA(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  hint_shown_ = false;
}

}  // namespace orv::win32
