#pragma once
// The tray icon's menu IconMenu: its fixed entries, the sub-menu of blocked windows, and the
// colours of its skin. The window layer builds and draws the real menu from this model.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

inline constexpr char kTrayTip[] = "Orvanel";

enum class TrayMenuEntryKind { Command, Separator, SubMenu };

struct TrayMenuEntry {
  const char* name;
  const char* caption;  // empty for a separator
  TrayMenuEntryKind kind;
};

// From top to bottom.
inline constexpr std::array<TrayMenuEntry, 9> kIconMenuEntries{{
    {"item_InetOpt", "Internet 选项", TrayMenuEntryKind::Command},
    {"item_SysInfo", "系统信息", TrayMenuEntryKind::Command},
    {"TBSeparatorItem2", "", TrayMenuEntryKind::Separator},
    {"item_hide", "隐藏窗口", TrayMenuEntryKind::Command},
    {"item_disp", "显示窗口", TrayMenuEntryKind::Command},
    {"TBSeparatorItem1", "", TrayMenuEntryKind::Separator},
    {"Subitem_KilledAd", "已拦截的窗口", TrayMenuEntryKind::SubMenu},
    {"TBSeparatorItem3", "", TrayMenuEntryKind::Separator},
    {"item_exit", "退出", TrayMenuEntryKind::Command},
}};

// One entry of the blocked-window sub-menu: its caption and the address it stands for.
struct HistoryEntry {
  std::string caption, hint;
};

// Whatever keeps the recently blocked windows (the blocking engine) shows them to the menu
// through this.
class BlockedWindowHistory {
 public:
  virtual ~BlockedWindowHistory() = default;
  // In menu order, top first.
  virtual std::vector<HistoryEntry> Entries() const = 0;
};

// The menu model. The blocked-window sub-menu is disabled until it has its first entry; without
// a history it stays disabled and empty.
class IconMenu {
 public:
  explicit IconMenu(const BlockedWindowHistory* history = nullptr) : history_(history) {}
  void SetHistory(const BlockedWindowHistory* history) { history_ = history; }

  const std::array<TrayMenuEntry, 9>& Entries() const { return kIconMenuEntries; }
  // The blocked-window entries for the menu being built now, top first. The menu keeps them
  // while it is open, so they are also what its picks stand for (BlockedWindowAddress).
  std::vector<HistoryEntry> BlockedWindows();
  bool BlockedWindowsEnabled() const;
  // The address of entry index of the menu as last built (its hint), or nullptr. Reports that
  // arrive while the menu is open change the history, not the menu the user picks from.
  const std::string* BlockedWindowAddress(int index) const;

 private:
  std::vector<HistoryEntry> Current() const;

  const BlockedWindowHistory* history_;
  std::vector<std::string> shown_addresses_;
};

// Colours of the menu skin TBSkin1 as red, green, blue (convert before handing them to GDI,
// which orders them blue, green, red). Menu text and highlighted text use the system colours,
// and the selected item's border the system highlight colour.
struct SkinColour {
  uint8_t red, green, blue;
};
inline constexpr SkinColour kSkinPopupBackground{0xF9, 0xF8, 0xF7};
inline constexpr SkinColour kSkinPopupGradientFrom{0xDB, 0xD8, 0xD1};
inline constexpr SkinColour kSkinPopupGradientTo{0xF4, 0xF3, 0xF1};
inline constexpr SkinColour kSkinBorder{0x66, 0x66, 0x66};
inline constexpr SkinColour kSkinSeparator{0x93, 0x93, 0x93};
inline constexpr SkinColour kSkinSelectedFill{0xB6, 0xBD, 0xD2};
inline constexpr SkinColour kSkinPressed{0x9D, 0xA8, 0xC4};

}  // namespace orv
