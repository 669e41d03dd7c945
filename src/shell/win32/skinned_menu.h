#pragma once
// The tray's popup menu, drawn by the program in the tool-bar skin's colours: owner-drawn
// items (their captions also set as the items' text, for the keyboard and screen readers), a
// gradient strip on the left, a flat one-pixel border, the highlighted entry in the pressed
// colour while a mouse button is held on it, and a tool tip that shows an entry's hint (the full
// address of a blocked window) while the entry is highlighted.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "shell/tray_menu.h"
#include "shell/win32/gdi_objects.h"

namespace orv::win32 {

constexpr COLORREF ToColorRef(SkinColour c) { return RGB(c.red, c.green, c.blue); }

// Colours of the skin as GDI takes them: the tray menu's skin (shell/tray_menu.h).
struct MenuSkin {
  COLORREF background = ToColorRef(kSkinPopupBackground);
  COLORREF strip_from = ToColorRef(kSkinPopupGradientFrom);
  COLORREF strip_to = ToColorRef(kSkinPopupGradientTo);
  COLORREF border = ToColorRef(kSkinBorder);
  COLORREF separator = ToColorRef(kSkinSeparator);
  COLORREF selected_fill = ToColorRef(kSkinSelectedFill);
  // The highlighted entry while a mouse button is held down on it.
  COLORREF pressed_fill = ToColorRef(kSkinPressed);
};

// One entry of the menu as the window layer builds it.
struct MenuEntry {
  enum class Kind { Command, Separator, SubMenu };
  Kind kind = Kind::Command;
  UINT id = 0;               // WM_COMMAND id of a command
  std::string caption;
  std::string hint;          // shown as a tool tip while highlighted; empty: none
  bool enabled = true;
  std::vector<MenuEntry> children;  // a sub-menu's entries

  static MenuEntry Command(UINT id, std::string caption, std::string hint = {}) {
    MenuEntry e;
    e.id = id;
    e.caption = std::move(caption);
    e.hint = std::move(hint);
    return e;
  }
  static MenuEntry Separator() {
    MenuEntry e;
    e.kind = Kind::Separator;
    return e;
  }
  static MenuEntry SubMenu(std::string caption, std::vector<MenuEntry> children, bool enabled) {
    MenuEntry e;
    e.kind = Kind::SubMenu;
    e.caption = std::move(caption);
    e.children = std::move(children);
    e.enabled = enabled;
    return e;
  }
};

class SkinnedMenu {
 public:
  // owner receives WM_COMMAND for a pick and must pass its menu messages to HandleMessage.
  explicit SkinnedMenu(HWND owner, MenuSkin skin = {});
  ~SkinnedMenu();
  SkinnedMenu(const SkinnedMenu&) = delete;
  SkinnedMenu& operator=(const SkinnedMenu&) = delete;

  // Replaces the menu's contents.
  void Build(const std::vector<MenuEntry>& entries);
  // Opens the menu at a screen point and returns when it closes; a pick arrives at the owner as
  // WM_COMMAND (id, lParam 0).
  void Track(POINT at);

  // WM_MEASUREITEM, WM_DRAWITEM (menus only), WM_MENUSELECT, WM_EXITMENULOOP. True when handled;
  // *result is then the window procedure's answer.
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

  HMENU handle() const { return menu_.get(); }
  bool tracking() const { return tracking_; }
  // The window of the menu open now (nullptr when closed); for tests and screenshots.
  static HWND OpenMenuWindow();

 private:
  struct Item {
    MenuEntry::Kind kind;
    std::string caption;
    std::string hint;
  };
  HMENU Fill(const std::vector<MenuEntry>& entries);
  void Measure(MEASUREITEMSTRUCT* mis);
  void Draw(const DRAWITEMSTRUCT* dis);
  void MenuSelect(UINT item, UINT flags, HMENU menu);
  void ShowHint(HMENU menu, UINT position, const std::string& hint);
  void HideHint();
  HFONT MenuFont();

  HWND owner_;
  MenuSkin skin_;
  UniqueMenu menu_;
  std::vector<HMENU> sub_menus_;  // destroyed with menu_
  std::deque<Item> items_;        // itemData of every entry points here
  UniqueFont font_;
  UniqueBrush background_brush_;
  HWND tooltip_ = nullptr;
  bool hint_shown_ = false;
  bool tracking_ = false;  // Track runs: the menu must not be rebuilt or destroyed
};

}  // namespace orv::win32
