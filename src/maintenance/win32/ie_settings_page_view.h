#pragma once
// The controls of the IE general settings page (TabSheet5): nine labelled edits (the last three
// read-only), restore defaults, apply and cancel.
#include <windows.h>

#include <array>

#include "maintenance/ie_settings_page.h"
#include "maintenance/win32/control_hints.h"
#include "shell/win32/page_view.h"

namespace orv::win32 {

class IESettingsPageView : public PageView {
 public:
  IESettingsPageView(const PageContext& context, IESettingsPage& page);

  // Writes the fields whose text differs from the page's and the state of apply and cancel.
  void Refresh() override;

  // Controls, for tests.
  HWND edit(int field) const { return edits_[field]; }
  HWND defaults_button() const { return btn_default_; }
  HWND apply_button() const { return btn_save_; }
  HWND cancel_button() const { return btn_cancel_; }

 private:
  void OnCommand(HWND control, int id, int code) override;

  IESettingsPage& page_;
  ControlHints hints_;
  std::array<HWND, kIEFieldCount> edits_{};
  HWND btn_default_ = nullptr;
  HWND btn_save_ = nullptr;
  HWND btn_cancel_ = nullptr;
};

}  // namespace orv::win32
