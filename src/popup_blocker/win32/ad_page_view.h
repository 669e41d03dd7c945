#pragma once
// The controls of the ad-blocker page (TabSheet2): the inner page control PageKillAd with its
// three sheets, the list views blacklist, WhiteList and TempWhiteList, their buttons, the two
// switches and apply/cancel. Each event goes to the AdPage at the event boundary and the controls
// are then redrawn from the page's state.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "popup_blocker/ad_page.h"
#include "shell/win32/page_view.h"

namespace orv::win32 {

class AdPageView : public PageView {
 public:
  // Builds the page on its sheet (TabSheet2). Lengths are designed at 96 dots per inch.
  AdPageView(const PageContext& context, AdPage& page);

  // Redraws everything from the page: the three lists (only rows that differ are touched), the
  // selections, the check boxes and the enabled state of apply and cancel.
  void Refresh() override;

  // Controls, for the host and for tests.
  HWND ListViewOf(AdList list) const { return lists_[Index(list)]; }
  HWND SheetOf(AdList list) const { return sheets_[Index(list)]; }
  HWND page_control() const { return page_control_; }
  HWND info_label() const { return info_; }
  HWND add_button(AdList list) const { return add_[Index(list)]; }  // null for Temp
  HWND delete_button(AdList list) const { return delete_[Index(list)]; }
  HWND edit_button(AdList list) const { return edit_[Index(list)]; }
  HWND check_box(AdSwitch which) const {
    return which == AdSwitch::KillAD ? chk_kill_ad_ : chk_notice_;
  }
  HWND apply_button() const { return btn_save_; }
  HWND cancel_button() const { return btn_cancel_; }

 private:
  static constexpr int kLists = 3;
  static int Index(AdList list) { return static_cast<int>(list); }
  static AdList ListAt(int index) { return static_cast<AdList>(index); }

  void CreateControls();
  void OnCommand(HWND control, int id, int code) override;
  LRESULT OnNotify(const NMHDR& header) override;
  LRESULT OnEndLabelEdit(int list, int item, const char* text);
  void OnBeginLabelEdit(int list, int item);
  void ShowSheet(int index);
  void StartEditing(AdList list, int row);
  void SyncItems(int list);
  void SyncSelection(int list);
  void FitColumn(int list);
  int ListIndexOf(HWND control) const;

  AdPage& page_;
  bool refreshing_ = false;  // selection changes made by Refresh are not the user's

  HWND info_ = nullptr;
  HWND page_control_ = nullptr;
  std::array<HWND, kLists> sheets_{};
  std::array<HWND, kLists> lists_{};
  std::array<HWND, kLists> add_{};
  std::array<HWND, kLists> delete_{};
  std::array<HWND, kLists> edit_{};
  HWND chk_kill_ad_ = nullptr;
  HWND chk_notice_ = nullptr;
  HWND btn_save_ = nullptr;
  HWND btn_cancel_ = nullptr;
  // The captions each list view holds now, so Refresh touches only the rows that differ.
  std::array<std::vector<std::string>, kLists> shown_;
};

}  // namespace orv::win32
