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

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr UINT kTrayCallback = WM_APP + 1;
constexpr WPARAM kTrayIconId = 1;
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
    HWND tree = FindWindowExA(main_, nullptr, WC_TREEVIEWA, nullptr);
    LPARAM item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    for (int i = 0; i < index && item; ++i)
      item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, item);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
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

INSTANTIATE_TEST_SUITE_P(Dpi, DisplayScaling, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "At" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace e2e
