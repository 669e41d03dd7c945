// The main window on screens of 96 and 144 dots per inch: the program says it is per-monitor
// aware, its window and every page are laid out for the dpi, nothing sticks out of the area it
// belongs to, and a screenshot of each is kept. Under Wine the dpi is the value "LogPixels" of
// HKCU\Control Panel\Desktop, read when a process starts: set for the program of one test only.
// Sizes are physical pixels (Wine lets every process see them; the driver is not scaled).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "remote_controls.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
const char kDesktopKey[] = "Control Panel\\Desktop";

// Sets the screen's dpi for processes started from now on, and puts the old value back.
class ScopedLogPixels {
 public:
  explicit ScopedLogPixels(DWORD dpi) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof(old_), type = 0;
    had_ = RegQueryValueExA(key, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&old_),
                            &size) == ERROR_SUCCESS && type == REG_DWORD;
    ok_ = RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                         sizeof(dpi)) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  ~ScopedLogPixels() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
      return;
    if (had_)
      RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_),
                     sizeof(old_));
    else
      RegDeleteValueA(key, "LogPixels");
    RegCloseKey(key);
  }
  bool ok() const { return ok_; }

 private:
  DWORD old_ = 0;
  bool had_ = false;
  bool ok_ = false;
};

RECT ClientOnScreen(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string Describe(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  std::ostringstream out;
  out << ClassOf(w) << " \"" << WindowText(w) << "\" id " << GetDlgCtrlID(w) << " at (" << r.left
      << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
  return out.str();
}

// Every control the program placed (the children of its own containers, shown or on a hidden
// sheet) that sticks out of its container's client area.
BOOL CALLBACK CollectClipped(HWND child, LPARAM param) {
  auto* clipped = reinterpret_cast<std::vector<std::string>*>(param);
  HWND parent = GetParent(child);
  const std::string parent_class = ClassOf(parent);
  // Inside the common controls their own parts are theirs to place.
  if (parent_class != "TOrvanelForm" && parent_class != "TPageControl" &&
      parent_class != "TTabSheet" && parent_class != "TPageView")
    return TRUE;
  if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) return TRUE;
  RECT r{};
  GetWindowRect(child, &r);
  if (!Inside(r, ClientOnScreen(parent)))
    clipped->push_back(Describe(child) + " outside " + Describe(parent));
  return TRUE;
}

std::vector<std::string> ClippedControls(HWND main) {
  std::vector<std::string> clipped;
  EnumChildWindows(main, CollectClipped, reinterpret_cast<LPARAM>(&clipped));
  return clipped;
}

// The rectangles of the controls on the pages (children of the views' containers and panels),
// in their parent's client coordinates.
BOOL CALLBACK CollectPageControl(HWND child, LPARAM param) {
  if (ClassOf(GetParent(child)) != "TPageView") return TRUE;
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  reinterpret_cast<std::vector<std::pair<HWND, RECT>>*>(param)->push_back({child, r});
  return TRUE;
}

std::vector<std::pair<HWND, RECT>> PageControls(HWND main) {
  std::vector<std::pair<HWND, RECT>> controls;
  EnumChildWindows(main, CollectPageControl, reinterpret_cast<LPARAM>(&controls));
  return controls;
}

// A drop-down list is as high as its font makes it (its layout height is that of the open list);
// an etched line sizes itself when made (Wine adds its edges to it): of these only the place of
// the top-left corner (and the list's width) is the layout's.
void KeepOwnSize(HWND control, const RECT& actual, RECT* expected) {
  const std::string window_class = ClassOf(control);
  if (window_class == "ComboBox") {
    expected->bottom = expected->top + (actual.bottom - actual.top);
  } else if (window_class == "Static" &&
             (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ETCHEDHORZ) {
    expected->right = expected->left + (actual.right - actual.left);
    expected->bottom = expected->top + (actual.bottom - actual.top);
  }
}

int AwarenessOfWindow(HWND window) {
  // Looked up at run time: older systems lack them.
  using GetContextFn = HANDLE(WINAPI*)(HWND);
  using AwarenessFn = int(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  auto get_context = reinterpret_cast<GetContextFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
  auto awareness = reinterpret_cast<AwarenessFn>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  if (!get_context || !awareness) return -1;
  return awareness(get_context(window));
}

class DisplayScaling : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    dpi_ = GetParam();
    log_pixels_ = std::make_unique<ScopedLogPixels>(dpi_);
    ASSERT_TRUE(log_pixels_->ok());
    const std::string folder = MakeProgramFolder("DisplayScaling" + std::to_string(dpi_));
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(program_.Start(folder + "Orvanel.exe"));
    main_ = WaitForMainWindow(program_.id(), kTimeoutMs);
    ASSERT_NE(main_, nullptr);
    PostMessageA(main_, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main_) != FALSE; }, kTimeoutMs));
    Sync();
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
    log_pixels_.reset();
  }
  void Sync() {
    DWORD_PTR ignored;
    SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored);
  }
  int Scaled(int length96) const { return MulDiv(length96, dpi_, 96); }
  // Shows the page of tree entry `index` (0 to 9).
  void ShowPage(int index) {
    ChooseTreeEntry(main_, index);
    Sync();
  }
  void SaveShot(const std::string& name) {
    Screenshot shot;
    Sleep(300);  // the last paints of the page just shown
    ASSERT_TRUE(CaptureDesktop(&shot));
    const std::string path = SaveScreenshot(shot, name);
    EXPECT_FALSE(path.empty());
    std::cout << "screenshot: " << path << std::endl;
  }

  int dpi_ = 96;
  std::unique_ptr<ScopedLogPixels> log_pixels_;
  Process program_;
  HWND main_ = nullptr;
};

TEST_P(DisplayScaling, TheProgramIsPerMonitorAwareAndEveryPageFitsAtThisDpi) {
  const int awareness = AwarenessOfWindow(main_);
  if (awareness >= 0) {
    EXPECT_EQ(awareness, 2) << "the window is not per-monitor dpi aware";
  }

  RECT r{};
  ASSERT_TRUE(GetWindowRect(main_, &r));
  EXPECT_EQ(r.right - r.left, Scaled(599));
  EXPECT_EQ(r.bottom - r.top, Scaled(387));
  // Laid out larger, it still lies inside its screen's work area.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(main_, MONITOR_DEFAULTTONEAREST), &monitor));
  EXPECT_TRUE(Inside(r, monitor.rcWork))
      << Describe(main_) << " reaches past the work area (" << monitor.rcWork.right << " x "
      << monitor.rcWork.bottom << ")";
  HWND tree = FindWindowExA(main_, nullptr, WC_TREEVIEWA, nullptr);
  ASSERT_NE(tree, nullptr);
  ASSERT_TRUE(GetWindowRect(tree, &r));
  EXPECT_EQ(r.right - r.left, Scaled(8 + 129) - Scaled(8));
  EXPECT_EQ(r.bottom - r.top, Scaled(8 + 337) - Scaled(8));
  HWND host = FindWindowExA(main_, nullptr, "TPageControl", nullptr);
  ASSERT_TRUE(GetWindowRect(host, &r));
  EXPECT_EQ(r.right - r.left, Scaled(152 + 425) - Scaled(152));

  const std::string dpi = std::to_string(dpi_);
  SaveShot("main_window_" + dpi + "dpi");
  for (const std::string& clipped : ClippedControls(main_)) ADD_FAILURE() << "clipped: " << clipped;
  // Two pages with many controls: the ad blocker's and the ActiveX list.
  ShowPage(1);
  SaveShot("ad_page_" + dpi + "dpi");
  ShowPage(3);
  SaveShot("activex_page_" + dpi + "dpi");
  for (const std::string& clipped : ClippedControls(main_)) ADD_FAILURE() << "clipped: " << clipped;
}

// Moved to a screen of 144 dpi (the message Windows sends then): the window takes the suggested
// rectangle and every control of every page is placed again from its 96-dpi layout.
using DpiChange = DisplayScaling;
TEST_P(DpiChange, TheWindowTakesTheSuggestedRectangleAndLaysEveryPageOutAgain) {
  const std::vector<std::pair<HWND, RECT>> before = PageControls(main_);
  ASSERT_GT(before.size(), 100u);
  RECT window{};
  ASSERT_TRUE(GetWindowRect(main_, &window));
  const RECT suggested{40, 30, 40 + MulDiv(599, 144, 96), 30 + MulDiv(387, 144, 96)};
  ASSERT_TRUE(SendDpiChanged(main_, 144, suggested));
  Sync();
  ASSERT_TRUE(GetWindowRect(main_, &window));
  EXPECT_TRUE(EqualRect(&window, &suggested))
      << "at (" << window.left << "," << window.top << ")-(" << window.right << ","
      << window.bottom << ")";
  HWND tree = FindWindowExA(main_, nullptr, WC_TREEVIEWA, nullptr);
  RECT r{};
  ASSERT_TRUE(GetWindowRect(tree, &r));
  EXPECT_EQ(r.right - r.left, MulDiv(137, 144, 96) - MulDiv(8, 144, 96));
  for (const auto& [control, r96] : before) {
    ASSERT_TRUE(GetWindowRect(control, &r));
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    RECT expected{MulDiv(r96.left, 144, 96), MulDiv(r96.top, 144, 96),
                  MulDiv(r96.right, 144, 96), MulDiv(r96.bottom, 144, 96)};
    KeepOwnSize(control, r, &expected);
    EXPECT_TRUE(EqualRect(&r, &expected))
        << Describe(control) << " not placed for 144 dpi: (" << r.left << "," << r.top << ")-("
        << r.right << "," << r.bottom << ") in its parent, not (" << expected.left << ","
        << expected.top << ")-(" << expected.right << "," << expected.bottom << ")";
  }
  for (const std::string& clipped : ClippedControls(main_)) ADD_FAILURE() << "clipped: " << clipped;
  ShowPage(1);
  SaveShot("ad_page_after_dpi_change_to_144dpi");
}

INSTANTIATE_TEST_SUITE_P(From96, DpiChange, ::testing::Values(96),
                         [](const ::testing::TestParamInfo<int>&) { return std::string("Dpi"); });

INSTANTIATE_TEST_SUITE_P(Dpi, DisplayScaling, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "At" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace e2e
