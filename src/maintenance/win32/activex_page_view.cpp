#include "maintenance/win32/activex_page_view.h"

#include <algorithm>

namespace orv::win32 {

namespace {

// Layout at 96 dots per inch, relative to the sheet (417 x 329).
constexpr RECT kListRect{8, 8, 409, 214};
constexpr int kRowTop = 222, kButtonHeight = 25;
constexpr int kNameTop = 258, kClsidTop = 290, kEditHeight = 22, kLabelDrop = 4;
constexpr int kEditLeft = 54;
constexpr RECT kNameEditRect{kEditLeft, kNameTop, 204, kNameTop + kEditHeight};
constexpr RECT kClsidEditRect{kEditLeft, kClsidTop, 318, kClsidTop + kEditHeight};

struct ButtonInfo {
  int id;
  const char* caption;
  const char* hint;  // nullptr: none
  int left, top, right;
};
constexpr ButtonInfo kButtons[] = {
    {ActiveXPageView::kIdRefresh, "刷新", "刷新项目列表", 8, kRowTop, 56},
    {ActiveXPageView::kIdSelAll, "全选", nullptr, 60, kRowTop, 108},
    {ActiveXPageView::kIdUnSelAll, "全不选", nullptr, 112, kRowTop, 164},
    {ActiveXPageView::kIdRevSel, "反选", nullptr, 168, kRowTop, 216},
    {ActiveXPageView::kIdDel, "删除", nullptr, 220, kRowTop, 268},
    {ActiveXPageView::kIdSet, "免疫", "将所选择的项目设为免疫", 283, kRowTop, 335},
    {ActiveXPageView::kIdUnSet, "取消免疫", "将所选择的项目设为未免疫", 339, kRowTop, 409},
    {ActiveXPageView::kIdAdd, "添加项目", nullptr, 329, kNameTop - 1, 409},
    {ActiveXPageView::kIdHelp, "免疫建议", "关于如果选择免疫插件的建议", 329, kClsidTop - 1, 409},
};

}  // namespace

ActiveXPageView::ActiveXPageView(const PageContext& context, ActiveXPage& page)
    : PageView(context), page_(page) {
  if (!CreateContainer()) return;
  HWND container = handle();
  hints_.Attach(container);
  HWND list = CreateControl(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "mainlist",
                            WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                            kListRect, container, kIdList);
  for (const ButtonInfo& b : kButtons) {
    HWND button = CreateButton(b.caption, RECT{b.left, b.top, b.right, b.top + kButtonHeight},
                               container, b.id);
    if (b.hint) hints_.Add(button, b.hint);
  }
  auto label = [&](const char* text, int top, int right, int id) {
    CreateControl(0, "STATIC", text, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                  RECT{8, top + kLabelDrop, right, top + kLabelDrop + 14}, container, id);
  };
  label("名称：", kNameTop, kEditLeft - 2, kIdNameLabel);
  label("CLSID：", kClsidTop, kEditLeft - 2, kIdClsidLabel);
  const DWORD edit_style = WS_TABSTOP | ES_AUTOHSCROLL;
  add_name_ = CreateControl(WS_EX_CLIENTEDGE, "EDIT", "", edit_style, kNameEditRect, container,
                            kIdName);
  add_clsid_ = CreateControl(WS_EX_CLIENTEDGE, "EDIT", "", edit_style, kClsidEditRect, container,
                             kIdClsid);
  ApplyFont();
  // The CLSID column is 230 wide, or wider where the font needs more for a whole identifier
  // (32 hexadecimal digits and 4 dashes; other fonts than the design's have wider digits); the
  // name column gives the difference.
  const int dpi = Scale(96);
  auto text_width = [&](const char* text) {
    return static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
  };
  const int clsid_pixels = text_width("0123456789ABCDEF") * 2 + text_width("----") + Scale(12);
  const int clsid_width = std::max(230, MulDiv(clsid_pixels, 96, dpi));
  const int name_width = std::max(60, 100 - (clsid_width - 230));
  list_.Attach(list, {{"名称", name_width}, {"CLSID", clsid_width}, {"状态", 50}}, dpi);
  Refresh();
}

void ActiveXPageView::Refresh() {
  if (!alive()) return;
  list_.Sync(page_.mainlist(), /*suspend_redraw=*/true);
}

void ActiveXPageView::OnCommand(HWND, int id, int code) {
  if (code != BN_CLICKED) return;
  AddFocus focus = AddFocus::None;
  switch (id) {
    case kIdRefresh: Run([&] { page_.btnRefreshClick(); }); break;
    case kIdSelAll: Run([&] { page_.btnSelAllClick(); }); break;
    case kIdUnSelAll: Run([&] { page_.btnUnSelAllClick(); }); break;
    case kIdRevSel: Run([&] { page_.btnRevSelClick(); }); break;
    case kIdDel: Run([&] { page_.btnDelClick(); }); break;
    case kIdSet: Run([&] { page_.btnSetClick(); }); break;
    case kIdUnSet: Run([&] { page_.btnUnSetClick(); }); break;
    case kIdHelp: Run([&] { page_.btn_antiXhelpClick(); }); break;
    case kIdAdd:
      Run([&] { focus = page_.btnAddClick(TextOf(add_name_), TextOf(add_clsid_)); });
      break;
    default: return;
  }
  Refresh();
  if (focus == AddFocus::Name) SetFocus(add_name_);
  if (focus == AddFocus::Clsid || focus == AddFocus::ClsidSelectAll) SetFocus(add_clsid_);
  if (focus == AddFocus::ClsidSelectAll) SendMessageA(add_clsid_, EM_SETSEL, 0, -1);
}

LRESULT ActiveXPageView::OnNotify(const NMHDR& header) {
  if (header.hwndFrom != list_.handle()) return 0;
  if (header.code == NM_CUSTOMDRAW)
    return OnCustomDraw(const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header)));
  int row = 0;
  bool ticked = false;
  if (list_.TickChange(header, &row, &ticked)) Run([&] { page_.SetTicked(row, ticked); });
  return 0;
}

// Rows that are not immune: red text on light green; the others keep the default colours.
LRESULT ActiveXPageView::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  if (!page_.DrawsAsNotImmune(static_cast<int>(draw.nmcd.dwItemSpec))) return CDRF_DODEFAULT;
  draw.clrText = kNotImmuneTextColour;
  draw.clrTextBk = kNotImmuneBackColour;
  return CDRF_NEWFONT;
}

}  // namespace orv::win32
