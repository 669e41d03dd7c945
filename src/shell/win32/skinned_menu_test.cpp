#include "shell/win32/skinned_menu.h"

#include <gtest/gtest.h>

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

// The tray menu's shape: two commands, separator, two commands, separator, sub-menu,
// separator, exit.
std::vector<MenuEntry> TrayEntries(std::vector<MenuEntry> blocked) {
  bool any = !blocked.empty();
  return {MenuEntry::Command(101, "Internet 选项"), MenuEntry::Command(102, "系统信息"),
          MenuEntry::Separator(),
          MenuEntry::Command(103, "隐藏窗口"), MenuEntry::Command(104, "显示窗口"),
          MenuEntry::Separator(),
          MenuEntry::SubMenu("已拦截的窗口", std::move(blocked), any),
          MenuEntry::Separator(),
          MenuEntry::Command(105, "退出")};
}

MENUITEMINFOA ItemInfo(HMENU menu, int pos) {
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof(mii);
  mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
  GetMenuItemInfoA(menu, pos, TRUE, &mii);
  return mii;
}

TEST(SkinnedMenu, BuildsOwnerDrawnEntriesInOrder) {
  HiddenWindow owner;
  SkinnedMenu menu(owner.hwnd());
  menu.Build(TrayEntries({}));
  HMENU h = menu.handle();
  ASSERT_EQ(GetMenuItemCount(h), 9);
  const std::vector<UINT> ids{101, 102, 0, 103, 104, 0, 0, 0, 105};
  for (int i = 0; i < 9; ++i) {
    MENUITEMINFOA mii = ItemInfo(h, i);
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW) << i;
    EXPECT_NE(mii.dwItemData, 0u) << i;
    const bool separator = i == 2 || i == 5 || i == 7;
    EXPECT_EQ((mii.fType & MFT_SEPARATOR) != 0, separator) << i;
    if (i != 6) {
      EXPECT_EQ(mii.wID, ids[i]) << i;
    }
  }
  // The sub-menu of blocked windows exists, is empty and disabled.
  MENUITEMINFOA sub = ItemInfo(h, 6);
  ASSERT_NE(sub.hSubMenu, nullptr);
  EXPECT_EQ(GetMenuItemCount(sub.hSubMenu), 0);
  EXPECT_TRUE(sub.fState & MFS_DISABLED);
}

TEST(SkinnedMenu, BlockedWindowsEnableTheSubMenuAndRebuildReplacesTheMenu) {
  HiddenWindow owner;
  SkinnedMenu menu(owner.hwnd());
  menu.Build(TrayEntries({}));
  HMENU first = menu.handle();
  HMENU first_sub = ItemInfo(first, 6).hSubMenu;
  menu.Build(TrayEntries({MenuEntry::Command(1000, "(2) http://a.example/", "http://a.example/"),
                          MenuEntry::Command(1001, "(1) http://b.example/", "http://b.example/")}));
  EXPECT_FALSE(IsMenu(first));
  EXPECT_FALSE(IsMenu(first_sub));
  MENUITEMINFOA sub = ItemInfo(menu.handle(), 6);
  ASSERT_NE(sub.hSubMenu, nullptr);
  EXPECT_FALSE(sub.fState & MFS_DISABLED);
  ASSERT_EQ(GetMenuItemCount(sub.hSubMenu), 2);
  EXPECT_EQ(GetMenuItemID(sub.hSubMenu, 0), 1000u);
  EXPECT_EQ(GetMenuItemID(sub.hSubMenu, 1), 1001u);
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
    menu_.Build(TrayEntries({}));
  }
  int Scaled(int px) const { return MulDiv(px, dpi_, 96); }
  HiddenWindow owner_;
  SkinnedMenu menu_{owner_.hwnd()};
  MenuSkin skin_;
  int dpi_ = 96;
};

TEST_F(SkinnedMenuDrawing, PlainEntryHasTheStripAndTheBackground) {
  DrawnItem item(menu_, 0, 0);
  ASSERT_TRUE(item.measured());
  ASSERT_TRUE(item.drawn());
  EXPECT_GE(item.height(), Scaled(22));
  EXPECT_GT(item.measured_width(), Scaled(24 + 8 + 24));
  const int mid = item.height() / 2;
  EXPECT_EQ(item.At(0, mid), skin_.strip_from);
  EXPECT_EQ(item.At(Scaled(24) - 1, mid), skin_.strip_to);
  EXPECT_EQ(item.At(195, mid), skin_.background);  // right of the caption
}

TEST_F(SkinnedMenuDrawing, SelectedEntryIsFilledAndFramedInTheHighlightColour) {
  DrawnItem item(menu_, 3, ODS_SELECTED);
  const int mid = item.height() / 2;
  EXPECT_EQ(item.At(195, mid), skin_.selected_fill);
  EXPECT_EQ(item.At(100, 0), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(item.At(1, mid), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(item.At(100, item.height() - 1), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(SkinnedMenuDrawing, SeparatorIsAThinLineRightOfTheStrip) {
  DrawnItem item(menu_, 2, 0);
  EXPECT_EQ(item.height(), Scaled(7));
  const int mid = item.height() / 2;
  EXPECT_EQ(item.At(150, mid), skin_.separator);
  EXPECT_EQ(item.At(150, mid - 1), skin_.background);
  EXPECT_EQ(item.At(150, mid + 1), skin_.background);
  EXPECT_EQ(item.At(0, mid), skin_.strip_from);  // the strip runs through separators
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
