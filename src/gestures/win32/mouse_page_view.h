#pragma once
// The controls of the mouse gesture page (TabSheet3): Label1, the four stroke pictures beside
// their drop-down lists, a separator, Label2 beside the middle button's list, apply and cancel.
#include <windows.h>

#include <array>

#include "gestures/mouse_page.h"
#include "shell/win32/gdi_objects.h"
#include "shell/win32/page_view.h"

namespace orv::win32 {

class MousePageView : public PageView {
 public:
  MousePageView(const PageContext& context, MousePage& page);

  void Refresh() override;

  HWND combo_box(Gesture gesture) const { return combos_[static_cast<int>(gesture)]; }
  HWND apply_button() const { return btn_mouse_save_; }
  HWND cancel_button() const { return btn_mouse_cancel_; }

 private:
  void OnCommand(HWND control, int id, int code) override;
  bool OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  MousePage& page_;
  std::array<HWND, kGestureCount> combos_{};  // Mouse_ActionLeft ... Mouse_ActionMiddle
  HWND btn_mouse_save_ = nullptr;
  HWND btn_mouse_cancel_ = nullptr;
  UniqueBrush arrow_brush_;
  UniquePen arrow_pen_;
};

}  // namespace orv::win32
