#include "maintenance/win32/ie_settings_page_view.h"

#include <commctrl.h>

#include <functional>
#include <string>

namespace orv::win32 {

namespace {

// Layout at 96 dots per inch, relative to the sheet (417 x 329).
constexpr int kFirstRowTop = 8, kRowStep = 28, kEditHeight = 22, kLabelDrop = 4;
constexpr int kLabelLeft = 16, kEditLeft = 90, kEditRight = 401;
constexpr RECT kSaveRect{16, 280, 16 + 81, 280 + 25};
constexpr RECT kCancelRect{128, 280, 128 + 81, 280 + 25};
constexpr RECT kDefaultRect{296, 280, 401, 280 + 25};

// Control ids; 1 and 2 (IDOK, IDCANCEL) stay free for the dialog keys.
enum ControlId : int {
  kIdEditFirst = 400,   // + field
  kIdLabelFirst = 420,  // + field
  kIdDefault = 440,
  kIdSave,
  kIdCancel,
};

// A character typed into an edit (printable, Backspace, control combinations such as Ctrl+V)
// arrives as WM_CHAR; the page hears of it once the edit has taken it.
LRESULT CALLBACK CharProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                          DWORD_PTR data) {
  auto* on_char = reinterpret_cast<std::function<void()>*>(data);
  if (message == WM_CHAR) {
    LRESULT r = DefSubclassProc(hwnd, message, wparam, lparam);
    (*on_char)();
    return r;
  }
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, CharProc, id);
    delete on_char;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void NotifyCharacter(HWND edit, std::function<void()> on_char) {
  auto* hook = new std::function<void()>(std::move(on_char));
  if (!SetWindowSubclass(edit, CharProc, 1, reinterpret_cast<DWORD_PTR>(hook))) delete hook;
}

}  // namespace

IESettingsPageView::IESettingsPageView(const PageContext& context, IESettingsPage& page)
    : PageView(context), page_(page) {
  if (!CreateContainer()) return;
  HWND container = handle();
  hints_.Attach(container);
  for (int f = 0; f < kIEFieldCount; ++f) {
    const int top = kFirstRowTop + f * kRowStep;
    CreateControl(0, "STATIC", kIEFields[f].label, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                  RECT{kLabelLeft, top + kLabelDrop, kEditLeft - 2, top + kLabelDrop + 14},
                  container, kIdLabelFirst + f);
    const bool editable = f < kIEEditableFields;
    edits_[f] = CreateControl(WS_EX_CLIENTEDGE, "EDIT", "",
                              ES_AUTOHSCROLL | (editable ? WS_TABSTOP : WS_DISABLED),
                              RECT{kEditLeft, top, kEditRight, top + kEditHeight}, container,
                              kIdEditFirst + f);
    SendMessageA(edits_[f], EM_LIMITTEXT, 0, 0);
    if (editable) {
      NotifyCharacter(edits_[f], [this] {
        if (!alive()) return;
        Run([this] { page_.IE_verKeyPress(); });
        Refresh();
      });
    }
  }
  btn_default_ = CreateButton("恢复默认设置", kDefaultRect, container, kIdDefault);
  hints_.Add(btn_default_, "恢复IE的默认设置");
  btn_save_ = CreateButton("应用", kSaveRect, container, kIdSave, WS_DISABLED);
  btn_cancel_ = CreateButton("取消", kCancelRect, container, kIdCancel, WS_DISABLED);
  ApplyFont();
  Refresh();
}

void IESettingsPageView::Refresh() {
  if (!alive()) return;
  for (int f = 0; f < kIEFieldCount; ++f)
    if (TextOf(edits_[f]) != page_.text(f)) SetWindowTextA(edits_[f], page_.text(f).c_str());
  EnableWindow(btn_save_, page_.apply_enabled());
  EnableWindow(btn_cancel_, page_.cancel_enabled());
}

void IESettingsPageView::OnCommand(HWND control, int id, int code) {
  if (id >= kIdEditFirst && id < kIdEditFirst + kIEFieldCount) {
    // Every change of an edit's text, typed or pasted, is the field's text.
    if (code == EN_CHANGE) page_.SetText(id - kIdEditFirst, TextOf(control));
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case kIdDefault: Run([&] { page_.btn_IE_defaultClick(); }); break;
    case kIdSave: Run([&] { page_.btn_ie_saveClick(); }); break;
    case kIdCancel: Run([&] { page_.btn_ie_cancelClick(); }); break;
    default: return;
  }
  Refresh();
}

}  // namespace orv::win32
