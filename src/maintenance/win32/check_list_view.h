#pragma once
// A report-style list view with a tick box in front of every row, grid lines and whole-row
// selection, drawn from a CheckList. The page's view creates the control and hands it here; the
// control's tick changes come back as the user's through TickChange.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "maintenance/check_list.h"

namespace orv::win32 {

class CheckListView {
 public:
  struct Column {
    const char* header;  // nullptr or "": no text
    int width;           // at 96 dots per inch; 0 fills the width left by the others
  };

  // Sets the styles and the columns on a list view made with LVS_REPORT.
  void Attach(HWND list_view, const std::vector<Column>& columns, int dpi);
  HWND handle() const { return list_; }

  // Shows the rows: only rows, cells and ticks that differ are written. With suspend_redraw
  // the control does not repaint until the whole list is written.
  void Sync(const CheckList& list, bool suspend_redraw = false);

  // An LVN_ITEMCHANGED of this control that the user's click or key made to a row's tick box:
  // true with the row and its new tick, which the caller hands to its CheckList. Changes made
  // by Sync are not the user's.
  bool TickChange(const NMHDR& header, int* row, bool* ticked);

  // The row's text as shown (for tests and custom drawing).
  std::string CellText(int row, int column) const;

 private:
  void WriteRow(int index, const CheckRow& row, bool insert);

  HWND list_ = nullptr;
  int columns_ = 0;
  bool syncing_ = false;
  std::vector<CheckRow> shown_;
};

}  // namespace orv::win32
