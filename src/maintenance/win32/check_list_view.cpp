#include "maintenance/win32/check_list_view.h"

#include <algorithm>

namespace orv::win32 {

namespace {

// State image 1 is the empty box, 2 the ticked one.
UINT TickState(bool ticked) { return INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1); }

}  // namespace

void CheckListView::Attach(HWND list_view, const std::vector<Column>& columns, int dpi) {
  list_ = list_view;
  columns_ = static_cast<int>(columns.size());
  const DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
  RECT client{};
  GetClientRect(list_, &client);
  int used = 0;
  for (const Column& c : columns) used += MulDiv(c.width, dpi, 96);
  for (int i = 0; i < columns_; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(columns[i].header ? columns[i].header : "");
    column.iSubItem = i;
    // The filling column takes what the others leave, less a vertical scroll bar.
    column.cx = columns[i].width > 0
                    ? MulDiv(columns[i].width, dpi, 96)
                    : std::max<int>(40, client.right - used - GetSystemMetrics(SM_CXVSCROLL));
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

void CheckListView::WriteRow(int index, const CheckRow& row, bool insert) {
  LVITEMA item{};
  item.iItem = index;
  if (insert) {
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>(row.cells.empty() ? "" : row.cells[0].c_str());
    SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  for (int c = insert ? 1 : 0; c < columns_; ++c) {
    const std::string& text = c < static_cast<int>(row.cells.size()) ? row.cells[c] : std::string();
    if (!insert && c < static_cast<int>(shown_[index].cells.size()) && shown_[index].cells[c] == text)
      continue;
    LVITEMA cell{};
    cell.iSubItem = c;
    cell.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&cell));
  }
  if (insert || shown_[index].ticked != row.ticked) {
    LVITEMA state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = TickState(row.ticked);
    SendMessageA(list_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
  }
}

void CheckListView::Sync(const CheckList& list, bool suspend_redraw) {
  if (!list_) return;
  const std::vector<CheckRow>& want = list.rows();
  if (want.size() == shown_.size()) {
    bool same = true;
    for (size_t i = 0; same && i < want.size(); ++i)
      same = want[i].cells == shown_[i].cells && want[i].ticked == shown_[i].ticked;
    if (same) return;
  }
  syncing_ = true;
  if (suspend_redraw) SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  // Rows past the common length go or come; the common ones are rewritten where they differ.
  while (shown_.size() > want.size()) {
    SendMessageA(list_, LVM_DELETEITEM, shown_.size() - 1, 0);
    shown_.pop_back();
  }
  for (size_t i = 0; i < want.size(); ++i) {
    if (i < shown_.size()) {
      WriteRow(static_cast<int>(i), want[i], false);
      shown_[i] = want[i];
    } else {
      WriteRow(static_cast<int>(i), want[i], true);
      shown_.push_back(want[i]);
    }
  }
  if (suspend_redraw) {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
  syncing_ = false;
}

bool CheckListView::TickChange(const NMHDR& header, int* row, bool* ticked) {
  if (syncing_ || header.hwndFrom != list_ || header.code != LVN_ITEMCHANGED) return false;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  if (!(change.uChanged & LVIF_STATE) || change.iItem < 0) return false;
  const UINT old_image = change.uOldState & LVIS_STATEIMAGEMASK;
  const UINT new_image = change.uNewState & LVIS_STATEIMAGEMASK;
  if (old_image == new_image || new_image == 0) return false;
  *row = change.iItem;
  *ticked = new_image == TickState(true);
  // The control already shows the new tick.
  if (change.iItem < static_cast<int>(shown_.size())) shown_[change.iItem].ticked = *ticked;
  return true;
}

std::string CheckListView::CellText(int row, int column) const {
  char buffer[1024] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = sizeof(buffer);
  SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

}  // namespace orv::win32
