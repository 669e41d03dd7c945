#include "shell/win32/skinned_menu.h"

#include <gtest/gtest.h>

#include "shell/win32/tray_menu_entries.h"

#include <vector>

namespace orv::win32 {
namespace {

class HiddenWindow {
 public:
  HiddenWindow() {
    hwnd_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  }
  ~HiddenWindow() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

// The tray menu's skin as the program must draw it.
constexpr COLORREF kBackground = RGB(0xF9, 0xF8, 0xF7);
constexpr COLORREF kStripFrom = RGB(0xDB, 0xD8, 0xD1);
constexpr COLORREF kStripTo = RGB(0xF4, 0xF3, 0xF1);
constexpr COLORREF kSeparator = RGB(0x93, 0x93, 0x93);
constexpr COLORREF kSelectedFill = RGB(0xB6, 0xBD, 0xD2);
constexpr COLORREF kPressedFill = RGB(0x9D, 0xA8, 0xC4);

MENUITEMINFOA ItemInfo(HMENU menu, int pos) {
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
  GetMenuItemInfoA(menu, pos, TRUE, &mii);
  return mii;
}

TEST(SkinnedMenu, TheTrayMenuHasItsNineEntriesInOrderAndTheEmptySubMenuDisabled) {
  enum Kind { kCommand, kSeparator, kSubMenu };
  const struct {
    Kind kind;
    const char* caption;
    UINT id;  // what a pick sends the window (the end-to-end driver sends these too)
  } expected[] = {
      {kCommand, "Internet 选项", 101}, {kCommand, "系统信息", 102}, {kSeparator, "", 0},
      {kCommand, "隐藏窗口", 103},      {kCommand, "显示窗口", 104}, {kSeparator, "", 0},
      {kSubMenu, "已拦截的窗口", 0},     {kSeparator, "", 0},         {kCommand, "退出", 105},
  };
  HiddenWindow owner;
  IconMenu model;  // no blocked window yet
  SkinnedMenu menu(owner.hwnd());
  menu.Build(TrayMenuEntries(model));
  HMENU h = menu.handle();
  ASSERT_EQ(GetMenuItemCount(h), 9);
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    MENUITEMINFOA mii = ItemInfo(h, i);
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);
    EXPECT_NE(mii.dwItemData, 0u);
    EXPECT_EQ((mii.fType & MFT_SEPARATOR) != 0, expected[i].kind == kSeparator);
    EXPECT_EQ(mii.hSubMenu != nullptr, expected[i].kind == kSubMenu);
    char text[64] = {};
    GetMenuStringA(h, i, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, expected[i].caption);
    if (expected[i].kind == kCommand) {
      EXPECT_EQ(mii.wID, expected[i].id);
      EXPECT_FALSE(mii.fState & MFS_DISABLED);
    }
    if (expected[i].kind == kSubMenu) {
      EXPECT_EQ(GetMenuItemCount(mii.hSubMenu), 0);
      EXPECT_TRUE(mii.fState & MFS_DISABLED);
    }
  }
}

// Two blocked windows, as the blocking engine's history lists them.
class TwoBlockedWindows : public BlockedWindowHistory {
 public:
  std::vector<HistoryEntry> Entries() const override {
    return {{"(2) http://a.example/", "http://a.example/"}, {"(1) http://b.example/", "http://b.example/"}};
  }
};

TEST(SkinnedMenu, BlockedWindowsEnableTheSubMenuAndRebuildReplacesTheMenu) {
  HiddenWindow owner;
  IconMenu model;
  SkinnedMenu menu(owner.hwnd());
  menu.Build(TrayMenuEntries(model));
  HMENU first = menu.handle();
  HMENU first_sub = ItemInfo(first, 6).hSubMenu;
  TwoBlockedWindows history;
  model.SetHistory(&history);
  menu.Build(TrayMenuEntries(model));
  EXPECT_FALSE(IsMenu(first));
  EXPECT_FALSE(IsMenu(first_sub));
  MENUITEMINFOA sub = ItemInfo(menu.handle(), 6);
  ASSERT_NE(sub.hSubMenu, nullptr);
  EXPECT_FALSE(sub.fState & MFS_DISABLED);
  ASSERT_EQ(GetMenuItemCount(sub.hSubMenu), 2);
  EXPECT_EQ(GetMenuItemID(sub.hSubMenu, 0), 1000u);
  EXPECT_EQ(GetMenuItemID(sub.hSubMenu, 1), 1001u);
  char text[64] = {};
  GetMenuStringA(sub.hSubMenu, 1, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "(1) http://b.example/");
  // A pick of the second entry stands for its address, as built.
  ASSERT_NE(model.BlockedWindowAddress(1), nullptr);
  EXPECT_EQ(*model.BlockedWindowAddress(1), "http://b.example/");
}

// Draws one entry of the menu into a 32-bit bitmap and reads pixels back.
class DrawnItem {
 public:
  DrawnItem(SkinnedMenu& menu, int pos, UINT state, int width = 200) {
    MENUITEMINFOA mii = ItemInfo(menu.handle(), pos);
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemID = mii.wID;
    mis.itemData = mii.dwItemData;
    LRESULT r = 0;
    measured_ = menu.HandleMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis), &r);
    height_ = static_cast<int>(mis.itemHeight);
    measured_width_ = static_cast<int>(mis.itemWidth);

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height_;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &bmi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    width_ = width;

    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = mii.wID;
    dis.itemState = state;
    dis.hwndItem = reinterpret_cast<HWND>(menu.handle());
    dis.hDC = dc_;
    dis.rcItem = {0, 0, width, height_};
    dis.itemData = mii.dwItemData;
    drawn_ = menu.HandleMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis), &r);
    GdiFlush();
  }
  ~DrawnItem() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  COLORREF At(int x, int y) const {
    DWORD p = static_cast<const DWORD*>(bits_)[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int height() const { return height_; }
  int measured_width() const { return measured_width_; }
  bool measured() const { return measured_; }
  bool drawn() const { return drawn_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  void* bits_ = nullptr;
  int width_ = 0, height_ = 0, measured_width_ = 0;
  bool measured_ = false, drawn_ = false;
};

class SkinnedMenuDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    menu_.Build(TrayMenuEntries(model_));
  }
  int Scaled(int px) const { return MulDiv(px, dpi_, 96); }
  HiddenWindow owner_;
  IconMenu model_;
  SkinnedMenu menu_{owner_.hwnd()};
  int dpi_ = 96;
};

TEST_F(SkinnedMenuDrawing, PlainEntryHasTheStripAndTheBackground) {
  DrawnItem item(menu_, 0, 0);
  ASSERT_TRUE(item.measured());
  ASSERT_TRUE(item.drawn());
  EXPECT_GE(item.height(), Scaled(22));
  EXPECT_GT(item.measured_width(), Scaled(24 + 8 + 24));
  const int mid = item.height() / 2;
  EXPECT_EQ(item.At(0, mid), kStripFrom);
  EXPECT_EQ(item.At(Scaled(24) - 1, mid), kStripTo);
  EXPECT_EQ(item.At(195, mid), kBackground);  // right of the caption
}

// Held down: the pressed colour, else the selected fill; framed in the highlight colour.
TEST_F(SkinnedMenuDrawing, SelectedEntryIsFilledPressedWhileAButtonIsDownAndFramed) {
  BYTE keys[256] = {};
  ASSERT_TRUE(GetKeyboardState(keys));
  const BYTE saved = keys[VK_LBUTTON];
  for (const bool down : {false, true}) {
    SCOPED_TRACE(down ? "button down" : "button up");
    keys[VK_LBUTTON] = down ? 0x80 : 0;
    ASSERT_TRUE(SetKeyboardState(keys));
    DrawnItem item(menu_, 3, ODS_SELECTED);
    const int mid = item.height() / 2;
    EXPECT_EQ(item.At(195, mid), down ? kPressedFill : kSelectedFill);
    EXPECT_EQ(item.At(100, 0), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(item.At(1, mid), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(item.At(100, item.height() - 1), GetSysColor(COLOR_HIGHLIGHT));
  }
  keys[VK_LBUTTON] = saved;
  SetKeyboardState(keys);
}

TEST_F(SkinnedMenuDrawing, SeparatorIsAThinLineRightOfTheStrip) {
  DrawnItem item(menu_, 2, 0);
  EXPECT_EQ(item.height(), Scaled(7));
  const int mid = item.height() / 2;
  EXPECT_EQ(item.At(150, mid), kSeparator);
  EXPECT_EQ(item.At(150, mid - 1), kBackground);
  EXPECT_EQ(item.At(150, mid + 1), kBackground);
  EXPECT_EQ(item.At(0, mid), kStripFrom);  // the strip runs through separators
}

TEST_F(SkinnedMenuDrawing, OtherOwnerDrawnControlsAreNotTheMenus) {
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  LRESULT r = 0;
  EXPECT_FALSE(menu_.HandleMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis), &r));
  EXPECT_FALSE(menu_.HandleMessage(WM_COMMAND, 101, 0, &r));
}

}  // namespace
}  // namespace orv::win32
