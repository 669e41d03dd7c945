#include "gestures/win32/mouse_page_view.h"

namespace orv::win32 {

namespace {

// Layout at 96 dots per inch, relative to the sheet. The four stroke rows, then the middle
// button's row below the separator.
constexpr RECT kLabel1Rect{16, 12, 16 + 385, 12 + 28};
constexpr int kRowTop[kGestureCount] = {48, 90, 132, 174, 234};
constexpr int kPictureLeft = 40, kPictureSize = 32;
constexpr int kComboLeft = 100, kComboWidth = 150, kComboDropHeight = 220;
constexpr RECT kSeparatorRect{16, 220, 16 + 385, 220 + 2};
constexpr RECT kLabel2Rect{16, 240, 16 + 80, 240 + 16};
constexpr RECT kSaveRect{16, 280, 16 + 81, 280 + 25};
constexpr RECT kCancelRect{128, 280, 128 + 81, 280 + 25};

// Control ids; 1 and 2 (IDOK, IDCANCEL) stay free for the dialog keys.
enum ControlId : int {
  kIdFirstCombo = 301,    // + Gesture: Mouse_ActionLeft ... Mouse_ActionMiddle
  kIdFirstPicture = 311,  // + Gesture: Mouse_ImgLeft ... Mouse_ImgDown
  kIdMouseSave = 320,
  kIdMouseCancel = 321,
};

// An arrow pointing right in a 32 x 32 box: shaft, then head.
constexpr POINT kRightArrow[] = {{4, 13}, {17, 13}, {17, 5}, {28, 16}, {17, 27}, {17, 19}, {4, 19}};

// The arrow of a stroke, turned to its direction and scaled into `box`.
void DrawStrokeArrow(HDC dc, const RECT& box, Gesture gesture) {
  const int size = box.right - box.left < box.bottom - box.top ? box.right - box.left
                                                                : box.bottom - box.top;
  POINT points[sizeof(kRightArrow) / sizeof(kRightArrow[0])];
  for (size_t i = 0; i < sizeof(kRightArrow) / sizeof(kRightArrow[0]); ++i) {
    const int x = kRightArrow[i].x, y = kRightArrow[i].y;
    POINT p{x, y};
    if (gesture == Gesture::Left) p = POINT{32 - x, y};
    if (gesture == Gesture::Down) p = POINT{y, x};
    if (gesture == Gesture::Up) p = POINT{y, 32 - x};
    points[i] = POINT{box.left + MulDiv(p.x, size, 32), box.top + MulDiv(p.y, size, 32)};
  }
  Polygon(dc, points, static_cast<int>(sizeof(points) / sizeof(points[0])));
}

}  // namespace

MousePageView::MousePageView(const PageContext& context, MousePage& page)
    : PageView(context),
      page_(page),
      arrow_brush_(CreateSolidBrush(RGB(0, 84, 166))),
      arrow_pen_(CreatePen(PS_SOLID, 1, RGB(0, 40, 90))) {
  if (!CreateContainer()) return;
  HWND container = handle();
  CreateControl(0, "STATIC", kMouseLabel1Caption, SS_LEFT, kLabel1Rect, container, -1);
  for (int g = 0; g < kGestureCount; ++g) {
    const int top = kRowTop[g];
    if (g != static_cast<int>(Gesture::Middle)) {
      CreateControl(0, "STATIC", "", SS_OWNERDRAW,
                    RECT{kPictureLeft, top, kPictureLeft + kPictureSize, top + kPictureSize},
                    container, kIdFirstPicture + g);
    }
    // The list's height includes its drop-down part; its edit part sits level with the picture.
    const int combo_top = g == static_cast<int>(Gesture::Middle) ? top + 2 : top + 6;
    combos_[g] = CreateControl(
        0, "COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
        RECT{kComboLeft, combo_top, kComboLeft + kComboWidth, combo_top + kComboDropHeight},
        container, kIdFirstCombo + g);
    for (const char* caption : kGestureActionCaptions)
      SendMessageA(combos_[g], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption));
  }
  CreateControl(0, "STATIC", "", SS_ETCHEDHORZ, kSeparatorRect, container, -1);
  CreateControl(0, "STATIC", kMouseLabel2Caption, SS_LEFT, kLabel2Rect, container, -1);
  btn_mouse_save_ = CreateButton(kMouseApplyCaption, kSaveRect, container, kIdMouseSave, WS_DISABLED);
  btn_mouse_cancel_ =
      CreateButton(kMouseCancelCaption, kCancelRect, container, kIdMouseCancel, WS_DISABLED);
  ApplyFont();
  Refresh();
}

void MousePageView::Refresh() {
  if (!alive()) return;
  const MousePageState& state = page_.state();
  for (int g = 0; g < kGestureCount; ++g) {
    // CB_SETCURSEL with -1 clears the selection.
    if (SendMessageA(combos_[g], CB_GETCURSEL, 0, 0) != state.item_index[g])
      SendMessageA(combos_[g], CB_SETCURSEL, static_cast<WPARAM>(state.item_index[g]), 0);
  }
  EnableWindow(btn_mouse_save_, state.save_enabled);
  EnableWindow(btn_mouse_cancel_, state.cancel_enabled);
}

void MousePageView::OnCommand(HWND control, int id, int code) {
  if (id >= kIdFirstCombo && id < kIdFirstCombo + kGestureCount) {
    if (code != CBN_SELCHANGE) return;
    const int index = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
    Run([&] { page_.Mouse_ActionLeftChange(static_cast<Gesture>(id - kIdFirstCombo), index); });
  } else if (code == BN_CLICKED && id == kIdMouseSave) {
    Run([&] { page_.btn_mouse_saveClick(); });
  } else if (code == BN_CLICKED && id == kIdMouseCancel) {
    Run([&] { page_.btn_mouse_cancelClick(); });
  } else {
    return;
  }
  Refresh();
}

bool MousePageView::OnMessage(HWND, UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
  if (message != WM_DRAWITEM) return false;
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  const int g = static_cast<int>(item.CtlID) - kIdFirstPicture;
  if (g < 0 || g >= static_cast<int>(Gesture::Middle)) return false;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  SelectInScope brush(item.hDC, arrow_brush_.get());
  SelectInScope pen(item.hDC, arrow_pen_.get());
  DrawStrokeArrow(item.hDC, item.rcItem, static_cast<Gesture>(g));
  *result = TRUE;
  return true;
}

}  // namespace orv::win32
