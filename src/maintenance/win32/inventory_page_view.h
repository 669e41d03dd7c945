#pragma once
// The controls of an inventory page (TabSheet6 to TabSheet9), one class for the four: the
// tick-box list filling the top of the sheet and three buttons under it (refresh, the page's
// action, export), each with its hint, laid out from the page's InventoryLayout.
#include <windows.h>

#include "maintenance/inventory_page.h"
#include "maintenance/win32/check_list_view.h"
#include "maintenance/win32/control_hints.h"
#include "shell/win32/page_view.h"

namespace orv::win32 {

class InventoryPageView : public PageView {
 public:
  InventoryPageView(const PageContext& context, InventoryPage& page);
  ~InventoryPageView() override;

  // Draws the page's rows: only what differs is written.
  void Refresh() override;

  HWND list_view() const { return list_.handle(); }
  HWND refresh_button() const { return refresh_; }
  HWND action_button() const { return action_; }
  HWND export_button() const { return export_; }
  // The hint shown for a button (its tool tip), "" when it has none.
  std::string HintOf(HWND button) const { return hints_.Of(button); }

 private:
  void OnCommand(HWND control, int id, int code) override;
  LRESULT OnNotify(const NMHDR& header) override;
  void FitLastColumn();

  InventoryPage& page_;
  CheckListView list_;
  HWND refresh_ = nullptr;
  HWND action_ = nullptr;
  HWND export_ = nullptr;
  ControlHints hints_;
};

}  // namespace orv::win32
