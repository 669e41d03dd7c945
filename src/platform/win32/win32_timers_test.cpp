#include "platform/win32/win32_timers.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

class TimerWindow {
 public:
  TimerWindow() {
    hwnd_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  }
  ~TimerWindow() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }

  // Timer events that reach the window within ms milliseconds.
  std::vector<TimerId> Ticks(DWORD ms) {
    std::vector<TimerId> ticks;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
      MSG msg;
      while (PeekMessageA(&msg, hwnd_, WM_TIMER, WM_TIMER, PM_REMOVE))
        if (auto id = Win32Timers::FromEventId(msg.wParam)) ticks.push_back(*id);
      Sleep(5);
    }
    return ticks;
  }

 private:
  HWND hwnd_;
};

bool Contains(const std::vector<TimerId>& ticks, TimerId id) {
  for (TimerId t : ticks)
    if (t == id) return true;
  return false;
}

TEST(Win32Timers, EventIdsNameTheTwoTimers) {
  EXPECT_EQ(Win32Timers::FromEventId(Win32Timers::EventId(TimerId::DownloadNotice)),
            TimerId::DownloadNotice);
  EXPECT_EQ(Win32Timers::FromEventId(Win32Timers::EventId(TimerId::CheckOnline)),
            TimerId::CheckOnline);
  EXPECT_NE(Win32Timers::EventId(TimerId::DownloadNotice), Win32Timers::EventId(TimerId::CheckOnline));
  EXPECT_FALSE(Win32Timers::FromEventId(0).has_value());
  EXPECT_FALSE(Win32Timers::FromEventId(77).has_value());
}

TEST(Win32Timers, StartedTimerTicksAtTheWindowUntilStopped) {
  TimerWindow window;
  Win32Timers timers(window.hwnd());
  timers.Start(TimerId::CheckOnline, 10);
  EXPECT_TRUE(timers.IsRunning(TimerId::CheckOnline));
  EXPECT_FALSE(timers.IsRunning(TimerId::DownloadNotice));
  std::vector<TimerId> ticks = window.Ticks(300);
  EXPECT_TRUE(Contains(ticks, TimerId::CheckOnline));
  EXPECT_FALSE(Contains(ticks, TimerId::DownloadNotice));

  timers.Stop(TimerId::CheckOnline);
  EXPECT_FALSE(timers.IsRunning(TimerId::CheckOnline));
  EXPECT_TRUE(window.Ticks(150).empty());
}

TEST(Win32Timers, TimerStartedBeforeTheWindowRunsOnceTheWindowIsSet) {
  TimerWindow window;
  Win32Timers timers;
  timers.Start(TimerId::DownloadNotice, 10);
  timers.Start(TimerId::CheckOnline, 10);
  timers.Stop(TimerId::CheckOnline);
  timers.set_window(window.hwnd());
  std::vector<TimerId> ticks = window.Ticks(300);
  EXPECT_TRUE(Contains(ticks, TimerId::DownloadNotice));
  EXPECT_FALSE(Contains(ticks, TimerId::CheckOnline));
}

TEST(Win32Timers, StartingARunningTimerAgainDoesNotPutOffItsTick) {
  TimerWindow window;
  Win32Timers timers(window.hwnd());
  timers.Start(TimerId::CheckOnline, 200);
  std::vector<TimerId> ticks;
  // Started again every 50 ms: a restart would keep the 200 ms tick from ever coming.
  for (int i = 0; i < 10; ++i) {
    timers.Start(TimerId::CheckOnline, 200);
    for (TimerId t : window.Ticks(50)) ticks.push_back(t);
  }
  EXPECT_TRUE(Contains(ticks, TimerId::CheckOnline));
}

}  // namespace
}  // namespace orv
