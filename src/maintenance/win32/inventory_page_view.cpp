#include "maintenance/win32/inventory_page_view.h"

#include <string>
#include <vector>

namespace orv::win32 {

namespace {

// Layout at 96 dots per inch, relative to the sheet (417 x 329): the list fills the top, the
// buttons (65 x 25) stand in one row under it.
constexpr RECT kListRect{0, 0, 417, 290};
constexpr int kButtonTop = 298, kButtonWidth = 65, kButtonHeight = 25, kButtonGap = 8;
constexpr int kButtonLeft = 8;

RECT ButtonRect(int position) {
  const int left = kButtonLeft + position * (kButtonWidth + kButtonGap);
  return RECT{left, kButtonTop, left + kButtonWidth, kButtonTop + kButtonHeight};
}

// Control ids; 1 and 2 (IDOK, IDCANCEL) stay free for the dialog keys.
enum ControlId : int {
  kIdList = 301,
  kIdRefresh = 302,
  kIdAction = 303,
  kIdExport = 304,
};

}  // namespace

InventoryPageView::InventoryPageView(const PageContext& context, InventoryPage& page)
    : PageView(context), page_(page) {
  if (!CreateContainer()) return;
  const InventoryLayout& layout = page_.layout();
  HWND list =
      CreateControl(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
                    kListRect, handle(), kIdList);
  std::vector<CheckListView::Column> columns;
  for (const InventoryColumn& c : layout.columns) columns.push_back({c.header, c.width});
  list_.Attach(list, columns, Scale(96));  // Scale(96) is the screen's dots per inch
  refresh_ = CreateButton(layout.refresh.caption, ButtonRect(0), handle(), kIdRefresh);
  action_ = CreateButton(layout.action.caption, ButtonRect(1), handle(), kIdAction);
  export_ = CreateButton(layout.export_list.caption, ButtonRect(2), handle(), kIdExport);
  hints_.Attach(handle());
  hints_.Add(refresh_, layout.refresh.hint);
  hints_.Add(action_, layout.action.hint);
  hints_.Add(export_, layout.export_list.hint);
  ApplyFont();
  // A rebuild that a dialog follows (the action's result, an error) shows its rows first.
  page_.SetRowsChanged([this] { Refresh(); });
  Refresh();
}

InventoryPageView::~InventoryPageView() { page_.SetRowsChanged(nullptr); }

void InventoryPageView::Refresh() {
  if (!alive()) return;
  list_.Sync(page_.list(), page_.layout().fill_with_redraw_suspended);
  FitLastColumn();
}

// The last column takes the rest of the list's width, and more when a text is wider: the list
// then scrolls sideways instead of cutting off the paths and locations that column holds.
void InventoryPageView::FitLastColumn() {
  const int last = static_cast<int>(page_.layout().columns.size()) - 1;
  HWND list = list_.handle();
  RECT client{};
  GetClientRect(list, &client);
  int rest = client.right;
  for (int i = 0; i < last; ++i) rest -= ListView_GetColumnWidth(list, i);
  ListView_SetColumnWidth(list, last, LVSCW_AUTOSIZE);
  if (ListView_GetColumnWidth(list, last) < rest) ListView_SetColumnWidth(list, last, rest);
}

void InventoryPageView::OnCommand(HWND /*control*/, int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case kIdRefresh: Run([this] { page_.Refresh(); }); break;
    case kIdAction: Run([this] { page_.RunAction(); }); break;
    case kIdExport: Run([this] { page_.Export(); }); break;
    default: return;
  }
  Refresh();
}

LRESULT InventoryPageView::OnNotify(const NMHDR& header) {
  int row = 0;
  bool ticked = false;
  if (list_.TickChange(header, &row, &ticked)) page_.SetTicked(row, ticked);
  return 0;
}

}  // namespace orv::win32
