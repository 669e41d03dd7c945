#include "popup_blocker/win32/ad_page_view.h"

#include <commctrl.h>

#include <algorithm>

#include "shell/win32/mouse_press.h"

namespace orv::win32 {

namespace {

const char kInfoCaption[] = "可使用 * 及 ?  通配符。要保存修改后的设置请按“保存设置”按钮。";
const char* const kSheetCaptions[] = {"黑名单", "白名单", "临时白名单"};
const char* const kSheetInfoCaptions[] = {
    "符合黑名单条件的网址将被自动拦截。",
    "符合白名单条件的网址将免除过滤，不会被拦截。",
    "从菜单中访问了被拦截的网址将加入临时白名单。临时白名单上的数据每次程序关闭时会自动删除。",
};
const char kAddCaption[] = "增加";
const char kDeleteCaption[] = "删除";
const char kEditCaption[] = "修改";
const char kKillAdCaption[] = "开启拦截广告功能";
const char kNoticeCaption[] = "拦截到广告时显示通知";
const char kApplyCaption[] = "应用";
const char kCancelCaption[] = "取消";

// Layout at 96 dots per inch. Page rectangles are relative to the container (which fills the
// host's sheet), sheet rectangles to their sheet.
constexpr RECT kInfoRect{16, 12, 16 + 390, 12 + 14};
constexpr RECT kPageControlRect{16, 32, 16 + 385, 32 + 24};
constexpr RECT kSheetRect{16, 60, 16 + 385, 60 + 206};
constexpr RECT kSaveRect{16, 280, 16 + 81, 280 + 25};
constexpr RECT kCancelRect{128, 280, 128 + 81, 280 + 25};
constexpr RECT kSheetInfoRect{0, 2, 385, 2 + 14};
constexpr RECT kTempInfoRect{0, 2, 385, 2 + 28};  // two lines, word-wrapped
constexpr int kListWidth = 296;
constexpr int kSheetBottom = 206;
constexpr int kListTop = 22, kTempListTop = 36;
constexpr int kBlackListBottom = 152;
constexpr RECT kKillAdRect{0, 160, 240, 160 + 17};
constexpr RECT kNoticeRect{0, 183, 240, 183 + 17};
constexpr int kButtonLeft = 306, kButtonWidth = 75, kButtonHeight = 25, kButtonStep = 32;

// Control ids; 1 and 2 (IDOK, IDCANCEL) stay free for the dialog keys.
enum ControlId : int {
  kIdInfo = 10,
  kIdPageControl = 11,
  kIdSheetFirst = 20,      // + list index
  kIdSheetInfoFirst = 30,  // + list index
  kIdListFirst = 40,       // + list index
  kIdAddFirst = 50,        // + list index
  kIdDeleteFirst = 60,     // + list index
  kIdEditFirst = 70,       // + list index
  kIdKillAd = 80,
  kIdNotice = 81,
  kIdSave = 82,
  kIdCancel = 83,
};

}  // namespace

AdPageView::AdPageView(const PageContext& context, AdPage& page)
    : PageView(context), page_(page) {
  if (!CreateContainer()) return;
  CreateControls();
  Refresh();
}

void AdPageView::CreateControls() {
  HWND container = handle();
  auto make = [&](DWORD ex_style, const char* cls, const char* text, DWORD style, const RECT& r,
                  HWND parent, int id) {
    return CreateControl(ex_style, cls, text, style, r, parent, id);
  };
  auto button = [&](const char* text, int left, int top, HWND parent, int id) {
    return CreateButton(text, RECT{left, top, left + kButtonWidth, top + kButtonHeight}, parent,
                        id);
  };

  info_ = make(0, "STATIC", kInfoCaption, SS_LEFTNOWORDWRAP | SS_NOPREFIX, kInfoRect, container,
               kIdInfo);
  page_control_ = make(0, WC_TABCONTROLA, "PageKillAd",
                       WS_TABSTOP | TCS_BUTTONS | TCS_FLATBUTTONS, kPageControlRect, container,
                       kIdPageControl);
  for (int i = 0; i < kLists; ++i) {
    TCITEMA tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<char*>(kSheetCaptions[i]);
    SendMessageA(page_control_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tab));

    const AdList list = ListAt(i);
    // Sheets sit below the button row (flat-button tabs draw no frame around their sheets).
    sheets_[i] = CreatePanel(container, kSheetRect, kIdSheetFirst + i, kSheetCaptions[i]);
    HWND s = sheets_[i];
    const bool temp = list == AdList::Temp;
    make(0, "STATIC", kSheetInfoCaptions[i],
         (temp ? SS_LEFT : SS_LEFTNOWORDWRAP) | SS_NOPREFIX, temp ? kTempInfoRect : kSheetInfoRect,
         s, kIdSheetInfoFirst + i);

    const int top = temp ? kTempListTop : kListTop;
    const int bottom = list == AdList::Black ? kBlackListBottom : kSheetBottom;
    lists_[i] = make(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                     WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                         LVS_SHOWSELALWAYS | LVS_EDITLABELS,
                     RECT{0, top, kListWidth, bottom}, s, kIdListFirst + i);
    SendMessageA(lists_[i], LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = Scale(kListWidth);
    SendMessageA(lists_[i], LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));

    int row = top;
    if (!temp) {
      add_[i] = button(kAddCaption, kButtonLeft, row, s, kIdAddFirst + i);
      row += kButtonStep;
    }
    delete_[i] = button(kDeleteCaption, kButtonLeft, row, s, kIdDeleteFirst + i);
    edit_[i] = button(kEditCaption, kButtonLeft, row + kButtonStep, s, kIdEditFirst + i);
  }
  HWND black = sheets_[Index(AdList::Black)];
  chk_kill_ad_ = make(0, "BUTTON", kKillAdCaption, WS_TABSTOP | BS_AUTOCHECKBOX, kKillAdRect, black,
                      kIdKillAd);
  chk_notice_ = make(0, "BUTTON", kNoticeCaption, WS_TABSTOP | BS_AUTOCHECKBOX, kNoticeRect, black,
                     kIdNotice);
  // A mouse press on either box is the user starting an edit; the keyboard is not.
  for (HWND box : {chk_kill_ad_, chk_notice_}) {
    NotifyMousePress(box, [this] {
      if (!alive()) return;
      Run([this] { page_.chkKillADMouseDown(); });
      Refresh();
    });
  }

  btn_save_ = CreateButton(kApplyCaption, kSaveRect, container, kIdSave, WS_DISABLED);
  btn_cancel_ = CreateButton(kCancelCaption, kCancelRect, container, kIdCancel, WS_DISABLED);
  ApplyFont();
  ShowSheet(0);
}

// ---- refresh ----

void AdPageView::Refresh() {
  if (!alive()) return;
  refreshing_ = true;
  for (int i = 0; i < kLists; ++i) {
    SyncItems(i);
    SyncSelection(i);
    FitColumn(i);
  }
  SendMessageA(chk_kill_ad_, BM_SETCHECK, page_.chkKillAD ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageA(chk_notice_, BM_SETCHECK, page_.chkKillAdNotice ? BST_CHECKED : BST_UNCHECKED, 0);
  EnableWindow(btn_save_, page_.btn_ad_save_enabled);
  EnableWindow(btn_cancel_, page_.btn_ad_cancel_enabled);
  refreshing_ = false;
}

// Rewrites only the rows between the unchanged head and tail, so an append, a delete or an
// edit costs a message or two however long the list is.
void AdPageView::SyncItems(int list) {
  const std::vector<std::string>& want = page_.View(ListAt(list)).items;
  std::vector<std::string>& have = shown_[list];
  if (want == have) return;
  HWND view = lists_[list];
  size_t head = 0;
  while (head < have.size() && head < want.size() && have[head] == want[head]) ++head;
  size_t tail = 0;
  while (tail < have.size() - head && tail < want.size() - head &&
         have[have.size() - 1 - tail] == want[want.size() - 1 - tail])
    ++tail;
  const size_t old_middle = have.size() - head - tail;
  const size_t new_middle = want.size() - head - tail;
  const size_t common = std::min(old_middle, new_middle);

  const bool many = old_middle + new_middle > 8;
  if (many) SendMessageA(view, WM_SETREDRAW, FALSE, 0);
  for (size_t k = 0; k < common; ++k) {
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = const_cast<char*>(want[head + k].c_str());
    SendMessageA(view, LVM_SETITEMTEXTA, head + k, reinterpret_cast<LPARAM>(&item));
  }
  for (size_t k = common; k < old_middle; ++k)
    SendMessageA(view, LVM_DELETEITEM, head + common, 0);
  for (size_t k = common; k < new_middle; ++k) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(head + k);
    item.pszText = const_cast<char*>(want[head + k].c_str());
    SendMessageA(view, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  if (many) {
    SendMessageA(view, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(view, nullptr, TRUE);
  }
  have = want;
}

void AdPageView::SyncSelection(int list) {
  HWND view = lists_[list];
  const int want = page_.View(ListAt(list)).selected;
  const int have = static_cast<int>(SendMessageA(view, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  if (want == have) return;
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED;
  if (have >= 0) SendMessageA(view, LVM_SETITEMSTATE, have, reinterpret_cast<LPARAM>(&state));
  if (want >= 0) {
    state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(view, LVM_SETITEMSTATE, want, reinterpret_cast<LPARAM>(&state));
  }
}

// The one column fills the view's width (less a vertical scroll bar when one shows).
void AdPageView::FitColumn(int list) {
  HWND view = lists_[list];
  RECT client{};
  GetClientRect(view, &client);
  if (SendMessageA(view, LVM_GETCOLUMNWIDTH, 0, 0) != client.right)
    SendMessageA(view, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(client.right, 0));
}

// ---- events ----

void AdPageView::ShowSheet(int index) {
  if (index < 0 || index >= kLists) return;
  ShowWindow(sheets_[index], SW_SHOW);
  for (int i = 0; i < kLists; ++i)
    if (i != index) ShowWindow(sheets_[i], SW_HIDE);
}

void AdPageView::StartEditing(AdList list, int row) {
  if (row < 0) return;
  HWND view = lists_[Index(list)];
  // A label can be edited only in a view that has the focus.
  SetFocus(view);
  SendMessageA(view, LVM_ENSUREVISIBLE, row, FALSE);
  SendMessageA(view, LVM_EDITLABELA, row, 0);
}

int AdPageView::ListIndexOf(HWND control) const {
  for (int i = 0; i < kLists; ++i)
    if (lists_[i] == control) return i;
  return -1;
}

void AdPageView::OnCommand(HWND, int id, int code) {
  if (code != BN_CLICKED) return;
  if (id >= kIdAddFirst && id < kIdAddFirst + kLists) {
    const AdList list = ListAt(id - kIdAddFirst);
    int row = -1;
    Run([&] { row = list == AdList::Black ? page_.KillAd_AddClick() : page_.KillAd_Add2Click(); });
    Refresh();
    StartEditing(list, row);
  } else if (id >= kIdDeleteFirst && id < kIdDeleteFirst + kLists) {
    const AdList list = ListAt(id - kIdDeleteFirst);
    Run([&] {
      if (list == AdList::Black) page_.KillAd_DelClick();
      else if (list == AdList::White) page_.KillAd_Del2Click();
      else page_.KillAd_Del3Click();
    });
    Refresh();
  } else if (id >= kIdEditFirst && id < kIdEditFirst + kLists) {
    const AdList list = ListAt(id - kIdEditFirst);
    int row = -1;
    Run([&] {
      row = list == AdList::Black   ? page_.KillAd_EditClick()
            : list == AdList::White ? page_.KillAd_Edit2Click()
                                    : page_.KillAd_Edit3Click();
    });
    StartEditing(list, row);
  } else if (id == kIdKillAd || id == kIdNotice) {
    Run([&] { page_.ToggleSwitch(id == kIdKillAd ? AdSwitch::KillAD : AdSwitch::KillAdNotice); });
    Refresh();
  } else if (id == kIdSave) {
    Run([&] { page_.btn_ad_saveClick(); });
    Refresh();
  } else if (id == kIdCancel) {
    Run([&] { page_.btn_ad_cancelClick(); });
    Refresh();
  }
}

LRESULT AdPageView::OnNotify(const NMHDR& header) {
  if (header.hwndFrom == page_control_) {
    if (header.code == TCN_SELCHANGE)
      ShowSheet(static_cast<int>(SendMessageA(page_control_, TCM_GETCURSEL, 0, 0)));
    return 0;
  }
  const int list = ListIndexOf(header.hwndFrom);
  if (list < 0) return 0;
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if (refreshing_ || !(change.uChanged & LVIF_STATE)) return 0;
      const bool was = change.uOldState & LVIS_SELECTED;
      const bool is = change.uNewState & LVIS_SELECTED;
      AdListView& view = page_.View(ListAt(list));
      if (is && !was) {
        Run([&] { view.Select(change.iItem); });
      } else if (was && !is && (change.iItem < 0 || view.selected == change.iItem)) {
        Run([&] { view.Select(-1); });
      }
      return 0;
    }
    case LVN_BEGINLABELEDITA:
      OnBeginLabelEdit(list, reinterpret_cast<const NMLVDISPINFOA&>(header).item.iItem);
      return FALSE;
    case LVN_BEGINLABELEDITW:
      OnBeginLabelEdit(list, reinterpret_cast<const NMLVDISPINFOW&>(header).item.iItem);
      return FALSE;
    case LVN_ENDLABELEDITA: {
      const LVITEMA& item = reinterpret_cast<const NMLVDISPINFOA&>(header).item;
      return OnEndLabelEdit(list, item.iItem, item.pszText);
    }
    case LVN_ENDLABELEDITW: {
      const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
      if (!item.pszText) return FALSE;
      const int size = WideCharToMultiByte(CP_ACP, 0, item.pszText, -1, nullptr, 0, nullptr, nullptr);
      std::string text(size > 0 ? size : 1, '\0');
      WideCharToMultiByte(CP_ACP, 0, item.pszText, -1, &text[0], size, nullptr, nullptr);
      return OnEndLabelEdit(list, item.iItem, text.c_str());
    }
    default:
      return 0;
  }
}

// The edit box starts with the whole caption and takes any length: the view's own copy of a
// label is cut at 259 characters, and an address longer than that must not lose its tail.
void AdPageView::OnBeginLabelEdit(int list, int item) {
  const std::vector<std::string>& items = page_.View(ListAt(list)).items;
  HWND edit = reinterpret_cast<HWND>(SendMessageA(lists_[list], LVM_GETEDITCONTROL, 0, 0));
  if (!edit || item < 0 || item >= static_cast<int>(items.size())) return;
  SendMessageA(edit, EM_LIMITTEXT, 0, 0);
  SetWindowTextA(edit, items[item].c_str());
}

// No text: editing was cancelled. Otherwise the page decides; a refused caption (blank) makes
// the view keep the old one.
LRESULT AdPageView::OnEndLabelEdit(int list, int item, const char* text) {
  if (!text) return FALSE;
  bool accepted = false;
  const std::string caption = text;
  Run([&] { accepted = page_.EndEdit(ListAt(list), item, caption); });
  Refresh();
  return accepted ? TRUE : FALSE;
}

}  // namespace orv::win32
