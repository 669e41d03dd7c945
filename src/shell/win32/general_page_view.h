#pragma once
// The controls of the general page (TabSheet1): start with Windows, the browser context-menu
// entries, apply and cancel.
#include <windows.h>

#include "shell/general_page.h"
#include "shell/win32/page_view.h"

namespace orv::win32 {

class GeneralPageView : public PageView {
 public:
  GeneralPageView(const PageContext& context, GeneralPage& page);

  void Refresh() override;

  HWND auto_start_box() const { return chk_auto_start_; }
  HWND menu_box() const { return chk_menu_; }
  HWND apply_button() const { return btn_gen_save_; }
  HWND cancel_button() const { return btn_gen_cancel_; }

 private:
  void OnCommand(HWND control, int id, int code) override;

  GeneralPage& page_;
  HWND chk_auto_start_ = nullptr;
  HWND chk_menu_ = nullptr;
  HWND btn_gen_save_ = nullptr;
  HWND btn_gen_cancel_ = nullptr;
};

}  // namespace orv::win32
