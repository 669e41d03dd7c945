#pragma once
// The controls of the URL shortcuts page (TabSheet10): the heading with its icon, the tick-box
// list UrlShortcut, refresh and delete, the two edits of a new shortcut and add.
#include <windows.h>

#include "maintenance/url_shortcut_page.h"
#include "maintenance/win32/check_list_view.h"
#include "maintenance/win32/control_hints.h"
#include "shell/win32/page_view.h"

namespace orv::win32 {

class UrlShortcutPageView : public PageView {
 public:
  UrlShortcutPageView(const PageContext& context, UrlShortcutPage& page);

  void Refresh() override;

  // Controls, for tests.
  HWND list() const { return list_.handle(); }
  HWND name_edit() const { return name_; }
  HWND url_edit() const { return url_; }
  HWND button(int id) const { return GetDlgItem(handle(), id); }

  enum ControlId : int {
    kIdList = 500,
    kIdRefresh, kIdDelete, kIdAdd, kIdName, kIdUrl,
    kIdIcon, kIdHeading, kIdNameLabel, kIdNote, kIdUrlLabel,
  };

 private:
  void OnCommand(HWND control, int id, int code) override;
  LRESULT OnNotify(const NMHDR& header) override;
  void OnDpiChanged() override;
  // The system's information icon at the small size for the view's dpi.
  void ShowInformationIcon();

  UrlShortcutPage& page_;
  CheckListView list_;
  ControlHints hints_;
  HWND name_ = nullptr;
  HWND url_ = nullptr;
};

}  // namespace orv::win32
