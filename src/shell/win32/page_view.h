#pragma once
// The controls of one settings page. Each view builds its controls inside a container window
// that fills the page's sheet (TabSheetN of the main window), so every notification of its
// controls comes to the view itself; each event goes to the page object at the event boundary
// and the controls are then redrawn from the page's state.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/dpi_scaling.h"
#include "shell/error_display.h"

namespace orv::win32 {

// What a page's view is given: its sheet, the form's font (may be null: the system font), the
// screen's dots per inch and the event boundary.
struct PageContext {
  HWND sheet = nullptr;
  HFONT font = nullptr;
  int dpi = 96;
  EventRunner run;
};

// A window's text (an edit's contents), however long.
std::string TextOf(HWND window);

class PageView {
 public:
  explicit PageView(const PageContext& context);
  virtual ~PageView();
  PageView(const PageView&) = delete;
  PageView& operator=(const PageView&) = delete;

  // Redraws the controls from the page object. The main window calls it after every event
  // that may have changed a page (start-up, private messages, tray picks, a page shown), so it
  // must touch only what differs.
  virtual void Refresh() = 0;

  // The container window (child of the sheet); null before it is made and once destroyed.
  HWND handle() const { return container_; }

  // The window went to a screen of another dpi and the sheet has its new size: lays every
  // control out again from its 96-dpi rectangle and gives it `font` (made for that dpi).
  void ChangeDpi(int dpi, HFONT font);

 protected:
  // Makes the container, filling the sheet. Call it first in the derived constructor.
  bool CreateContainer();
  // A child panel of the view's own class (an inner sheet): its controls report here too.
  HWND CreatePanel(HWND parent, const RECT& rect, int id, const char* text);
  // A child control; rect is at 96 dots per inch (kept for a later change of dpi).
  HWND CreateControl(DWORD ex_style, const char* window_class, const char* text, DWORD style,
                     const RECT& rect, HWND parent, int id);
  HWND CreateButton(const char* text, const RECT& rect, HWND parent, int id,
                    DWORD extra_style = 0);
  // Sets the form's font on every control made so far.
  void ApplyFont();
  int Scale(int pixels) const { return ScaleToDpi(pixels, dpi_); }
  int dpi() const { return dpi_; }
  // After ChangeDpi has moved the controls: what else of the view has a size (icons).
  virtual void OnDpiChanged() {}
  // Between the container's creation and its WM_DESTROY: controls' last notifications while
  // they go are not events.
  bool alive() const { return alive_; }
  // Runs one page event at the event boundary; false when it ended with an error.
  bool Run(const std::function<void()>& work) { return run_(work); }

  // Notifications of the view's controls (from the container or a panel).
  virtual void OnCommand(HWND /*control*/, int /*id*/, int /*code*/) {}
  virtual LRESULT OnNotify(const NMHDR& /*header*/) { return 0; }
  // Any other message of the container or a panel; true when handled (*result is the answer).
  virtual bool OnMessage(HWND /*hwnd*/, UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/,
                         LRESULT* /*result*/) {
    return false;
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND sheet_;
  HFONT font_;
  int dpi_;
  EventRunner run_;
  HWND container_ = nullptr;
  bool alive_ = false;
  struct Placed {
    HWND window;
    RECT rect96;
  };
  std::vector<Placed> placed_;  // controls and panels made here, with their 96-dpi rectangles
};

}  // namespace orv::win32
