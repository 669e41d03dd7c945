// Program start, single instance and the main window, seen from outside the program.
#include <gtest/gtest.h>

#include <iostream>

#include "harness.h"

namespace e2e {
namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 15000;

// Texts and lookups of the program depend on code page 936.
TEST(Environment, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

class ProgramStart : public ::testing::Test {
 protected:
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    folder_ = MakeProgramFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder_.empty()) << "could not copy the program into a test folder";
    exe_ = folder_ + "Orvanel.exe";
  }
  void TearDown() override {
    first_.Kill();
    second_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
  }

  HWND StartFirst() {
    if (!first_.Start(exe_)) {
      ADD_FAILURE() << "cannot start " << exe_ << " (error " << GetLastError() << ")";
      return nullptr;
    }
    HWND hwnd = WaitForMainWindow(first_.id(), kStartTimeoutMs);
    EXPECT_NE(hwnd, nullptr) << "no TOrvanelForm window with the program's caption";
    return hwnd;
  }

  std::string folder_, exe_;
  Process first_, second_;
};

TEST_F(ProgramStart, StartsWithItsHiddenMainWindow) {
  HWND hwnd = StartFirst();
  ASSERT_NE(hwnd, nullptr);
  char class_name[64] = {};
  GetClassNameA(hwnd, class_name, sizeof(class_name));
  EXPECT_STREQ(class_name, kOrvanelClass);
  EXPECT_EQ(WindowText(hwnd), kOrvanelCaption);
  EXPECT_FALSE(IsWindowVisible(hwnd)) << "the program must start hidden";
  EXPECT_TRUE(first_.Running());
}

TEST_F(ProgramStart, SecondStartEndsSilentlyAndLeavesTheFirstAlone) {
  HWND hwnd = StartFirst();
  ASSERT_NE(hwnd, nullptr);
  ASSERT_TRUE(second_.Start(exe_));
  DWORD code = 12345;
  ASSERT_TRUE(second_.WaitForExit(kExitTimeoutMs, &code)) << "the second instance keeps running";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(FindTopLevelWindows(kOrvanelClass, second_.id()).empty());
  std::vector<HWND> windows = FindTopLevelWindows(kOrvanelClass);
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0], hwnd);
  EXPECT_TRUE(first_.Running());
  EXPECT_FALSE(IsWindowVisible(hwnd)) << "nothing may be shown by the second start";
}

TEST_F(ProgramStart, CloseMessageEndsTheProgramAndFreesTheInstance) {
  HWND hwnd = StartFirst();
  ASSERT_NE(hwnd, nullptr);
  ASSERT_TRUE(PostMessageA(hwnd, WM_CLOSE, 0, 0));
  DWORD code = 12345;
  ASSERT_TRUE(first_.WaitForExit(kExitTimeoutMs, &code)) << "WM_CLOSE did not end the program";
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(IsWindow(hwnd));
  // The single-instance name goes with the process: a new start gets its window again.
  ASSERT_TRUE(second_.Start(exe_));
  EXPECT_NE(WaitForMainWindow(second_.id(), kStartTimeoutMs), nullptr);
}

TEST_F(ProgramStart, ScreenshotOfTheShownWindowIsSaved) {
  HWND hwnd = StartFirst();
  ASSERT_NE(hwnd, nullptr);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(hwnd) != FALSE; }, kStartTimeoutMs));

  // Painting is asynchronous: wait until the middle of the window shows its face colour.
  RECT rect;
  ASSERT_TRUE(GetWindowRect(hwnd, &rect));
  const int cx = (rect.left + rect.right) / 2, cy = (rect.top + rect.bottom) / 2;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  Screenshot shot;
  bool painted = WaitUntil(
      [&] {
        if (!CaptureDesktop(&shot) || cx < 0 || cy < 0 || cx >= shot.width || cy >= shot.height)
          return false;
        const unsigned char* p = &shot.rgb[(static_cast<std::size_t>(cy) * shot.width + cx) * 3];
        return RGB(p[0], p[1], p[2]) == face;
      },
      kStartTimeoutMs);
  EXPECT_TRUE(painted) << "the shown window never appeared in a capture of the desktop";
  ASSERT_GT(shot.width, 0);
  EXPECT_GE(shot.DistinctColours(3), 3) << "a desktop with a window has more than two colours";

  const std::string path = SaveScreenshot(shot, "program_start");
  ASSERT_FALSE(path.empty()) << "could not write the screenshot";
  std::string png;
  ASSERT_TRUE(ReadFileBytes(path, &png));
  // Stored deflate: the size follows from the picture's size alone.
  const std::size_t raw = (static_cast<std::size_t>(shot.width) * 3 + 1) * shot.height;
  const std::size_t blocks = (raw + 65534) / 65535;
  EXPECT_EQ(png.size(), 8 + 25 + 12 + 2 + blocks * 5 + raw + 4 + 12);
  EXPECT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
  std::cout << "screenshot: " << path << std::endl;
}

}  // namespace
}  // namespace e2e
