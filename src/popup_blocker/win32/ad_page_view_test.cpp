#include "popup_blocker/win32/ad_page_view.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/scratch_folder.h"
#include "platform/win32/win32_files.h"
#include "lists/ini_array.h"
#include "shell/settings.h"
#include "shell/win32/gdi_objects.h"

namespace orv::win32 {
namespace {

// The settings key alone, in memory: the page's switches are read and written here instead of
// the user's real registry. Every path opens the same key.
class SettingsKeyOnly : public Registry {
 public:
  std::map<std::string, RegValue> values;

  std::unique_ptr<RegistryKey> OpenKey(RegRoot, const std::string&, bool, RegAccess,
                                       RegView) override {
    return std::make_unique<Key>(values);
  }
  bool KeyExists(RegRoot, const std::string&, RegView) override { return true; }
  bool DeleteKey(RegRoot, const std::string&, RegView) override { return false; }
  bool HasTwoViews() const override { return false; }
  RegView OwnView() const override { return RegView::Bits32; }

 private:
  class Key : public RegistryKey {
   public:
    explicit Key(std::map<std::string, RegValue>& values) : values_(values) {}
    bool QueryValue(const std::string& name, RegValue* out) const override {
      auto it = values_.find(name);
      if (it == values_.end()) return false;
      *out = it->second;
      return true;
    }
    bool SetValue(const std::string& name, const RegValue& value) override {
      values_[name] = value;
      return true;
    }
    bool DeleteValue(const std::string& name) override { return values_.erase(name) > 0; }
    std::vector<std::string> SubKeyNames() const override { return {}; }
    std::vector<std::string> ValueNames() const override {
      std::vector<std::string> names;
      for (const auto& v : values_) names.push_back(v.first);
      return names;
    }
    bool HasSubKey(const std::string&) const override { return false; }

   private:
    std::map<std::string, RegValue>& values_;
  };
};

RegValue Dword(uint32_t v) { return RegValue{kRegDword, std::string(reinterpret_cast<char*>(&v), 4)}; }

// A top-level window with a 417 x 329 child standing for the main window's TabSheet2. It stays
// hidden: under Wine without a window manager, hiding a shown window waits two seconds.
class HostWindow {
 public:
  HostWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "OrvAdPageViewTestHost";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    RECT r{0, 0, 425, 337};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    top_ = CreateWindowExA(0, wc.lpszClassName, "Orvanel", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           20, 20, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                           wc.hInstance, nullptr);
    sheet_ = CreateWindowExA(WS_EX_CONTROLPARENT, wc.lpszClassName, "TabSheet2",
                             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 4, 4, 417, 329, top_,
                             nullptr, wc.hInstance, nullptr);
  }
  ~HostWindow() { DestroyWindow(top_); }
  HWND top() const { return top_; }
  HWND sheet() const { return sheet_; }

 private:
  HWND top_ = nullptr;
  HWND sheet_ = nullptr;
};

std::vector<std::string> Rows(HWND list) {
  std::vector<std::string> rows;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[1024] = {};
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    rows.push_back(text);
  }
  return rows;
}

int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

// Selects a row as a click would: the view changes its state and notifies its parent.
void SelectRow(HWND list, int row) {
  LVITEMA state{};
  state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

std::string WindowText(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof(text));
  return text;
}

HWND EditBox(HWND list) {
  return reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
}

// Types into the open in-place editor and presses a key there (Enter confirms, Escape cancels).
void FinishEditing(HWND list, const std::string& text, WPARAM key = VK_RETURN) {
  HWND edit = EditBox(list);
  ASSERT_NE(edit, nullptr) << "no in-place editor open";
  SetWindowTextA(edit, text.c_str());
  SendMessageA(edit, WM_KEYDOWN, key, 0);
}

// The window's own visibility, whatever its (hidden) host's.
bool IsShown(HWND hwnd) { return (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

bool IsChecked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

class AdPageViewTest : public ::testing::Test {
 protected:
  AdPageViewTest() : page_(files_, registry_, folder_.path() + "\\") {
    CreateDirectoryA(folder_.PathOf("conf").c_str(), nullptr);
    files_.WriteFileAtomically(page_.KillAdIniPath(),
                       "[POPUPAD]\r\nad0=*.zeta.example/*\r\nad1=*banner*\r\nad2=?ads.example\r\n"
                       "pass0=www.example.org\r\ntemp0=left.over/\r\n");
    registry_.values[settings::kAllowKillAD] = Dword(1);
    registry_.values[settings::kKillAdNotice] = Dword(0);
    page_.LoadAdPage();
    PageContext context;
    context.sheet = host_.sheet();
    context.run = [this](const std::function<void()>& work) {
      try {
        work();
        return true;
      } catch (const std::exception& e) {
        errors_.push_back(e.what());
        return false;
      }
    };
    view_ = std::make_unique<AdPageView>(context, page_);
  }

  HWND black() const { return view_->ListViewOf(AdList::Black); }
  HWND white() const { return view_->ListViewOf(AdList::White); }
  HWND temp() const { return view_->ListViewOf(AdList::Temp); }
  std::vector<std::string> StoredRun(const char* prefix) {
    return TIniArray(files_, page_.KillAdIniPath(), kAdSection, prefix).Items();
  }

  ScratchFolder folder_{"adview"};
  Win32FileSystem files_;
  SettingsKeyOnly registry_;
  AdPage page_;
  HostWindow host_;
  std::vector<std::string> errors_;
  std::unique_ptr<AdPageView> view_;
};

TEST_F(AdPageViewTest, ShowsTheFileRunsInFileOrderAndTheStoredSwitches) {
  EXPECT_EQ(Rows(black()), (std::vector<std::string>{"*.zeta.example/*", "*banner*", "?ads.example"}));
  EXPECT_EQ(Rows(white()), (std::vector<std::string>{"www.example.org"}));
  EXPECT_TRUE(Rows(temp()).empty());  // the temporary list is emptied at load
  EXPECT_TRUE(IsChecked(view_->check_box(AdSwitch::KillAD)));
  EXPECT_FALSE(IsChecked(view_->check_box(AdSwitch::KillAdNotice)));
  EXPECT_FALSE(IsWindowEnabled(view_->apply_button()));
  EXPECT_FALSE(IsWindowEnabled(view_->cancel_button()));
  EXPECT_EQ(view_->add_button(AdList::Temp), nullptr);

  // The one column fills the view: whole rows are hit and no horizontal scroll bar shows.
  RECT client{};
  GetClientRect(black(), &client);
  EXPECT_EQ(SendMessageA(black(), LVM_GETCOLUMNWIDTH, 0, 0), client.right);
}

TEST_F(AdPageViewTest, TabsShowOneSheetAtATime) {
  HWND tabs = view_->page_control();
  ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
  char text[64] = {};
  TCITEMA tab{};
  tab.mask = TCIF_TEXT;
  tab.pszText = text;
  tab.cchTextMax = sizeof(text);
  SendMessageA(tabs, TCM_GETITEMA, 2, reinterpret_cast<LPARAM>(&tab));
  EXPECT_STREQ(text, "临时白名单");

  EXPECT_TRUE(IsShown(view_->SheetOf(AdList::Black)));
  EXPECT_FALSE(IsShown(view_->SheetOf(AdList::Temp)));
  SendMessageA(tabs, TCM_SETCURSEL, 2, 0);
  NMHDR change{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(GetParent(tabs), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
  EXPECT_FALSE(IsShown(view_->SheetOf(AdList::Black)));
  EXPECT_FALSE(IsShown(view_->SheetOf(AdList::White)));
  EXPECT_TRUE(IsShown(view_->SheetOf(AdList::Temp)));
}

TEST_F(AdPageViewTest, AddStartsEditingTheNewRowAndEnterStoresTheCaption) {
  SendMessageA(view_->add_button(AdList::Black), BM_CLICK, 0, 0);
  ASSERT_EQ(page_.blacklist.items.size(), 4u);
  EXPECT_EQ(page_.blacklist.items[3], kNewItemCaption);
  EXPECT_EQ(WindowText(EditBox(black())), kNewItemCaption);

  FinishEditing(black(), "*.popup.example/*");
  EXPECT_EQ(page_.blacklist.items[3], "*.popup.example/*");
  EXPECT_EQ(Rows(black())[3], "*.popup.example/*");
  EXPECT_EQ(EditBox(black()), nullptr);
  // List edits alone leave apply and cancel as they are; the file is untouched until apply.
  EXPECT_FALSE(IsWindowEnabled(view_->apply_button()));
  EXPECT_EQ(StoredRun(kBlackListPrefix).size(), 3u);

  // Escape keeps the added row's caption.
  SendMessageA(view_->add_button(AdList::White), BM_CLICK, 0, 0);
  FinishEditing(white(), "typed then dropped", VK_ESCAPE);
  EXPECT_EQ(page_.WhiteList.items, (std::vector<std::string>{"www.example.org", kNewItemCaption}));
  EXPECT_EQ(Rows(white()), page_.WhiteList.items);
}

TEST_F(AdPageViewTest, BlankEditKeepsTheOldCaptionAndLongCaptionsKeepTheirTail) {
  SelectRow(black(), 1);
  EXPECT_EQ(page_.blacklist.selected, 1);
  SendMessageA(view_->edit_button(AdList::Black), BM_CLICK, 0, 0);
  FinishEditing(black(), "   ");
  EXPECT_EQ(page_.blacklist.items[1], "*banner*");
  EXPECT_EQ(Rows(black())[1], "*banner*");

  // The view keeps only 259 characters of a label; the editor must still get the whole address.
  const std::string long_address = "http://ads.example/" + std::string(300, 'q');
  page_.blacklist.items[1] = long_address;
  view_->Refresh();
  SendMessageA(view_->edit_button(AdList::Black), BM_CLICK, 0, 0);
  HWND edit = EditBox(black());
  ASSERT_NE(edit, nullptr);
  std::vector<char> text(GetWindowTextLengthA(edit) + 1);
  GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
  EXPECT_EQ(std::string(text.data()), long_address);
  FinishEditing(black(), long_address + "/z");
  EXPECT_EQ(page_.blacklist.items[1], long_address + "/z");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(AdPageViewTest, DeleteRemovesTheSelectedRowOnlyAndEditNeedsASelection) {
  SendMessageA(view_->delete_button(AdList::Black), BM_CLICK, 0, 0);  // nothing selected
  SendMessageA(view_->edit_button(AdList::Black), BM_CLICK, 0, 0);
  EXPECT_EQ(page_.blacklist.items.size(), 3u);
  EXPECT_EQ(EditBox(black()), nullptr);

  SelectRow(black(), 0);
  SendMessageA(view_->delete_button(AdList::Black), BM_CLICK, 0, 0);
  EXPECT_EQ(page_.blacklist.items, (std::vector<std::string>{"*banner*", "?ads.example"}));
  EXPECT_EQ(Rows(black()), page_.blacklist.items);
  EXPECT_EQ(SelectedRow(black()), -1);

  // Deleting the only row of a list and applying empties its run in the file.
  SelectRow(white(), 0);
  SendMessageA(view_->delete_button(AdList::White), BM_CLICK, 0, 0);
  EXPECT_TRUE(Rows(white()).empty());
  page_.chkKillADMouseDown();
  view_->Refresh();
  SendMessageA(view_->apply_button(), BM_CLICK, 0, 0);
  EXPECT_TRUE(StoredRun(kWhiteListPrefix).empty());
  EXPECT_EQ(StoredRun(kBlackListPrefix), page_.blacklist.items);
  EXPECT_FALSE(IsWindowEnabled(view_->apply_button()));
}

TEST_F(AdPageViewTest, MouseOnACheckBoxEnablesApplyAndCancelButTheKeyboardDoesNot) {
  HWND box = view_->check_box(AdSwitch::KillAD);
  // Space pressed and released on the focused box: the switch changes, the buttons stay off.
  SetFocus(box);
  SendMessageA(box, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageA(box, WM_KEYUP, VK_SPACE, 0);
  EXPECT_FALSE(page_.chkKillAD);
  EXPECT_FALSE(IsChecked(box));
  EXPECT_FALSE(IsWindowEnabled(view_->apply_button()));

  HWND notice = view_->check_box(AdSwitch::KillAdNotice);
  SendMessageA(notice, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageA(notice, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  EXPECT_TRUE(page_.chkKillAdNotice);
  EXPECT_TRUE(IsChecked(notice));
  EXPECT_TRUE(IsWindowEnabled(view_->apply_button()));
  EXPECT_TRUE(IsWindowEnabled(view_->cancel_button()));

  // Cancel reads the switches back from the settings key; list edits survive it.
  SelectRow(black(), 2);
  SendMessageA(view_->delete_button(AdList::Black), BM_CLICK, 0, 0);
  SendMessageA(view_->cancel_button(), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsChecked(box));
  EXPECT_FALSE(IsChecked(notice));
  EXPECT_FALSE(IsWindowEnabled(view_->apply_button()));
  EXPECT_FALSE(IsWindowEnabled(view_->cancel_button()));
  EXPECT_EQ(Rows(black()).size(), 2u);
}

TEST_F(AdPageViewTest, RefreshShowsRowsTheEngineAppendedAndKeepsTheSelection) {
  SelectRow(black(), 1);
  page_.blacklist.Append("http://added.from.browser/");
  page_.TempWhiteList.Append("http://visited.from.menu/");
  view_->Refresh();
  EXPECT_EQ(Rows(black()).back(), "http://added.from.browser/");
  EXPECT_EQ(Rows(black()).size(), 4u);
  EXPECT_EQ(Rows(temp()), (std::vector<std::string>{"http://visited.from.menu/"}));
  EXPECT_EQ(SelectedRow(black()), 1);
  EXPECT_EQ(page_.blacklist.selected, 1);

  // A row removed from the middle and one changed: the view follows the page exactly.
  page_.blacklist.items.erase(page_.blacklist.items.begin());
  page_.blacklist.items[1] = "changed";
  page_.blacklist.Select(-1);
  view_->Refresh();
  EXPECT_EQ(Rows(black()), page_.blacklist.items);
  EXPECT_EQ(SelectedRow(black()), -1);
}

TEST_F(AdPageViewTest, AFailingApplyIsReportedOnceAndLeavesTheButtonsOn) {
  SendMessageA(view_->check_box(AdSwitch::KillAD), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageA(view_->check_box(AdSwitch::KillAD), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  DeleteFileA(page_.KillAdIniPath().c_str());
  SendMessageA(view_->apply_button(), BM_CLICK, 0, 0);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_NE(errors_[0].find("didn't exists."), std::string::npos) << errors_[0];
  EXPECT_TRUE(IsWindowEnabled(view_->apply_button()));
}

TEST(AdPageViewLifetime, AViewOutlivedByItsWindowOrOutlivingItIsSafe) {
  ScratchFolder folder{"adview"};
  Win32FileSystem files;
  SettingsKeyOnly registry;
  AdPage page(files, registry, folder.path() + "\\");
  PageContext context;
  context.run = [](const std::function<void()>& work) {
    work();
    return true;
  };
  {
    HostWindow host;
    context.sheet = host.sheet();
    context.dpi = 144;
    AdPageView view(context, page);
    // Scaled by 1.5: apply sits at 16 x 280 design pixels.
    RECT r{};
    GetWindowRect(view.apply_button(), &r);
    MapWindowPoints(nullptr, view.handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 24);
    EXPECT_EQ(r.top, 420);
    EXPECT_EQ(r.right - r.left, 122);  // 81 x 1.5 rounded
  }  // the view goes first and takes its controls with it
  HostWindow host;
  context.sheet = host.sheet();
  context.dpi = 96;
  auto view = std::make_unique<AdPageView>(context, page);
  DestroyWindow(host.top());
  EXPECT_EQ(view->handle(), nullptr);
  page.blacklist.Append("x");
  view->Refresh();  // nothing left to draw into
  view.reset();
}

// The controls the view placed (children of its container and panels), with their rectangles
// in their parent's client coordinates.
BOOL CALLBACK CollectPlaced(HWND child, LPARAM out) {
  char parent_class[32] = "";
  GetClassNameA(GetParent(child), parent_class, sizeof(parent_class));
  if (std::string(parent_class) != "TPageView") return TRUE;
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  (*reinterpret_cast<std::map<HWND, RECT>*>(out))[child] = r;
  return TRUE;
}

std::map<HWND, RECT> PlacedControls(HWND container) {
  std::map<HWND, RECT> placed;
  EnumChildWindows(container, CollectPlaced, reinterpret_cast<LPARAM>(&placed));
  return placed;
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)); }

// Moved to a 144-dpi screen and back: every control is laid out from its 96-dpi rectangle (edges
// scaled, so nothing drifts or overlaps) with the new font, inside its parent, and the list's
// column fills it again.
TEST_F(AdPageViewTest, AChangeOfDpiLaysEveryControlOutAgainWithTheNewFont) {
  const std::map<HWND, RECT> at96 = PlacedControls(view_->handle());
  ASSERT_GT(at96.size(), 20u);
  UniqueFont font144(CreateFontA(-18, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "宋体"));
  UniqueFont font96(CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "宋体"));

  MoveWindow(host_.sheet(), 6, 6, MulDiv(417, 144, 96), MulDiv(329, 144, 96), FALSE);
  view_->ChangeDpi(144, font144.get());
  RECT sheet{}, container{};
  GetClientRect(host_.sheet(), &sheet);
  GetWindowRect(view_->handle(), &container);
  EXPECT_EQ(container.right - container.left, sheet.right);
  EXPECT_EQ(container.bottom - container.top, sheet.bottom);
  const std::map<HWND, RECT> at144 = PlacedControls(view_->handle());
  ASSERT_EQ(at144.size(), at96.size());
  for (const auto& [control, r96] : at96) {
    const RECT& r = at144.at(control);
    EXPECT_EQ(r.left, MulDiv(r96.left, 144, 96)) << GetDlgCtrlID(control);
    EXPECT_EQ(r.top, MulDiv(r96.top, 144, 96)) << GetDlgCtrlID(control);
    EXPECT_EQ(r.right, MulDiv(r96.right, 144, 96)) << GetDlgCtrlID(control);
    EXPECT_EQ(r.bottom, MulDiv(r96.bottom, 144, 96)) << GetDlgCtrlID(control);
    RECT parent{};
    GetClientRect(GetParent(control), &parent);
    EXPECT_TRUE(r.right <= parent.right && r.bottom <= parent.bottom)
        << "control " << GetDlgCtrlID(control) << " sticks out of its parent at 144 dpi";
    char window_class[32] = "";
    GetClassNameA(control, window_class, sizeof(window_class));
    if (std::string(window_class) != "TPageView") {  // inner sheets draw no text
      EXPECT_EQ(FontOf(control), font144.get()) << GetDlgCtrlID(control);
    }
  }
  RECT client{};
  GetClientRect(black(), &client);
  EXPECT_EQ(SendMessageA(black(), LVM_GETCOLUMNWIDTH, 0, 0), client.right);

  MoveWindow(host_.sheet(), 4, 4, 417, 329, FALSE);
  view_->ChangeDpi(96, font96.get());
  const std::map<HWND, RECT> back = PlacedControls(view_->handle());
  for (const auto& [control, r96] : at96) {
    const RECT& r = back.at(control);
    EXPECT_TRUE(EqualRect(&r, &r96)) << "control " << GetDlgCtrlID(control) << " drifted";
  }
  EXPECT_EQ(FontOf(view_->apply_button()), font96.get());
  view_.reset();  // before the fonts go
}

}  // namespace
}  // namespace orv::win32
