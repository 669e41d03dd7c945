#pragma once
// The controls of the ActiveX immunity page (TabSheet4): the tick-box list mainlist, its
// buttons, the two edits of a new entry and the advice button. Rows that are not immune are
// drawn red on light green.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "maintenance/activex_page.h"
#include "maintenance/win32/check_list_view.h"
#include "maintenance/win32/control_hints.h"
#include "shell/win32/page_view.h"

namespace orv::win32 {

class ActiveXPageView : public PageView {
 public:
  ActiveXPageView(const PageContext& context, ActiveXPage& page);

  void Refresh() override;

  // Controls, for tests.
  HWND list() const { return list_.handle(); }
  HWND name_edit() const { return add_name_; }
  HWND clsid_edit() const { return add_clsid_; }
  HWND button(int id) const { return GetDlgItem(handle(), id); }

  enum ControlId : int {
    kIdList = 300,
    kIdRefresh, kIdSelAll, kIdUnSelAll, kIdRevSel, kIdDel, kIdSet, kIdUnSet, kIdAdd, kIdHelp,
    kIdName, kIdClsid, kIdNameLabel, kIdClsidLabel,
  };

 private:
  void OnCommand(HWND control, int id, int code) override;
  LRESULT OnNotify(const NMHDR& header) override;
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

  ActiveXPage& page_;
  CheckListView list_;
  ControlHints hints_;
  HWND add_name_ = nullptr;
  HWND add_clsid_ = nullptr;
};

}  // namespace orv::win32
