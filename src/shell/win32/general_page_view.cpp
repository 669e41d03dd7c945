#include "shell/win32/general_page_view.h"

#include "shell/win32/mouse_press.h"

namespace orv::win32 {

namespace {

// Layout at 96 dots per inch, relative to the sheet.
constexpr RECT kAutoStartRect{16, 12, 16 + 201, 12 + 17};
constexpr RECT kMenuRect{16, 40, 16 + 209, 40 + 17};
constexpr RECT kSaveRect{16, 280, 16 + 81, 280 + 25};
constexpr RECT kCancelRect{128, 280, 128 + 81, 280 + 25};

// Control ids; 1 and 2 (IDOK, IDCANCEL) stay free for the dialog keys.
enum ControlId : int {
  kIdAutoStart = 201,
  kIdMenu = 202,
  kIdGenSave = 203,
  kIdGenCancel = 204,
};

bool IsChecked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(HWND box, bool checked) {
  SendMessageA(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

GeneralPageView::GeneralPageView(const PageContext& context, GeneralPage& page)
    : PageView(context), page_(page) {
  if (!CreateContainer()) return;
  HWND container = handle();
  auto check_box = [&](const char* text, const RECT& rect, int id) {
    return CreateControl(0, "BUTTON", text, WS_TABSTOP | BS_AUTOCHECKBOX, rect, container, id);
  };
  chk_auto_start_ = check_box(kAutoStartCaption, kAutoStartRect, kIdAutoStart);
  chk_menu_ = check_box(kMenuCaption, kMenuRect, kIdMenu);
  btn_gen_save_ = CreateButton(kApplyCaption, kSaveRect, container, kIdGenSave, WS_DISABLED);
  btn_gen_cancel_ = CreateButton(kCancelCaption, kCancelRect, container, kIdGenCancel, WS_DISABLED);
  // A mouse press on either box is the user starting an edit; the keyboard is not.
  for (HWND box : {chk_auto_start_, chk_menu_}) {
    NotifyMousePress(box, [this] {
      if (!alive()) return;
      Run([this] { page_.chkAutoStartMouseDown(); });
      Refresh();
    });
  }
  ApplyFont();
  Refresh();
}

void GeneralPageView::Refresh() {
  if (!alive()) return;
  const GeneralPageState& state = page_.state();
  SetChecked(chk_auto_start_, state.auto_start_checked);
  SetChecked(chk_menu_, state.menu_checked);
  EnableWindow(btn_gen_save_, state.save_enabled);
  EnableWindow(btn_gen_cancel_, state.cancel_enabled);
}

void GeneralPageView::OnCommand(HWND control, int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case kIdAutoStart: Run([&] { page_.SetAutoStartChecked(IsChecked(control)); }); break;
    case kIdMenu: Run([&] { page_.SetMenuChecked(IsChecked(control)); }); break;
    case kIdGenSave: Run([&] { page_.btn_gen_saveClick(); }); break;
    case kIdGenCancel: Run([&] { page_.btn_gen_cancelClick(); }); break;
    default: return;
  }
  Refresh();
}

}  // namespace orv::win32
