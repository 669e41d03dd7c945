#include "maintenance/win32/url_shortcut_page_view.h"

#include <commctrl.h>

#include <string>

namespace orv::win32 {

namespace {

// Layout at 96 dots per inch, relative to the sheet (417 x 329).
constexpr RECT kIconRect{8, 8, 8 + 16, 8 + 16};
constexpr RECT kHeadingRect{30, 10, 409, 10 + 14};
constexpr RECT kListRect{8, 30, 409, 218};
constexpr RECT kRefreshRect{8, 224, 83, 224 + 25};
constexpr RECT kDeleteRect{90, 224, 165, 224 + 25};
constexpr int kNameTop = 258, kUrlTop = 290, kEditHeight = 22, kLabelDrop = 4, kEditLeft = 72;
constexpr RECT kNameEditRect{kEditLeft, kNameTop, 200, kNameTop + kEditHeight};
constexpr RECT kNoteRect{206, kNameTop + kLabelDrop, 409, kNameTop + kLabelDrop + 14};
constexpr RECT kUrlEditRect{kEditLeft, kUrlTop, 318, kUrlTop + kEditHeight};
constexpr RECT kAddRect{329, kUrlTop - 1, 409, kUrlTop - 1 + 25};

}  // namespace

UrlShortcutPageView::UrlShortcutPageView(const PageContext& context, UrlShortcutPage& page)
    : PageView(context), page_(page) {
  if (!CreateContainer()) return;
  HWND container = handle();
  hints_.Attach(container);
  CreateControl(0, "STATIC", "", SS_ICON | SS_REALSIZECONTROL, kIconRect, container, kIdIcon);
  ShowInformationIcon();
  CreateControl(0, "STATIC", kShortcutHeading, SS_LEFTNOWORDWRAP | SS_NOPREFIX, kHeadingRect,
                container, kIdHeading);
  HWND list = CreateControl(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "UrlShortcut",
                            WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                            kListRect, container, kIdList);
  hints_.Add(CreateButton("刷新", kRefreshRect, container, kIdRefresh), "刷新显示");
  hints_.Add(CreateButton("删除", kDeleteRect, container, kIdDelete), "删除选定的快捷网址设置");
  auto label = [&](const char* text, int top, int id) {
    CreateControl(0, "STATIC", text, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                  RECT{8, top + kLabelDrop, kEditLeft - 2, top + kLabelDrop + 14}, container, id);
  };
  label("快捷名称：", kNameTop, kIdNameLabel);
  label("访问网址：", kUrlTop, kIdUrlLabel);
  name_ = CreateControl(WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kNameEditRect,
                        container, kIdName);
  CreateControl(0, "STATIC", "仅支持英文字母快捷名称", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kNoteRect,
                container, kIdNote);
  url_ = CreateControl(WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kUrlEditRect,
                       container, kIdUrl);
  SendMessageA(url_, EM_LIMITTEXT, 0, 0);
  CreateButton("添加", kAddRect, container, kIdAdd);
  ApplyFont();
  const int dpi = Scale(96);
  list_.Attach(list, {{nullptr, 40}, {"快捷名称", 120}, {"访问网址", 0}}, dpi);
  Refresh();
}

// A note on how the list is used.
void UrlShortcutPageView::ShowInformationIcon() {
  const int small = Scale(16);
  HANDLE picture = LoadImageA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION), IMAGE_ICON,
                              small, small, LR_SHARED);
  SendMessageA(GetDlgItem(handle(), kIdIcon), STM_SETICON, reinterpret_cast<WPARAM>(picture), 0);
}

void UrlShortcutPageView::OnDpiChanged() { ShowInformationIcon(); }

void UrlShortcutPageView::Refresh() {
  if (!alive()) return;
  list_.Sync(page_.UrlShortcut(), /*suspend_redraw=*/true);
}

void UrlShortcutPageView::OnCommand(HWND, int id, int code) {
  if (code != BN_CLICKED) return;
  ShortcutFocus focus = ShortcutFocus::None;
  switch (id) {
    case kIdRefresh: Run([&] { page_.TabSheet10Show(); }); break;
    case kIdDelete: Run([&] { page_.ShortcutDelClick(); }); break;
    case kIdAdd: Run([&] { focus = page_.ShortcutAddClick(TextOf(name_), TextOf(url_)); }); break;
    default: return;
  }
  Refresh();
  if (focus == ShortcutFocus::Name) SetFocus(name_);
  if (focus == ShortcutFocus::Url) SetFocus(url_);
}

LRESULT UrlShortcutPageView::OnNotify(const NMHDR& header) {
  int row = 0;
  bool ticked = false;
  if (list_.TickChange(header, &row, &ticked)) Run([&] { page_.SetTicked(row, ticked); });
  return 0;
}

}  // namespace orv::win32
