#include "shell/win32/message_filter.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "popup_blocker/ad_messages.h"

namespace orv {
namespace win32 {
namespace {

struct Call {
  HWND window;
  UINT message;
  DWORD action;
  bool operator==(const Call& o) const {
    return window == o.window && message == o.message && action == o.action;
  }
};
std::vector<Call> g_calls;

BOOL WINAPI RecordForWindow(HWND window, UINT message, DWORD action, void* extra) {
  EXPECT_EQ(extra, nullptr);
  g_calls.push_back({window, message, action});
  return TRUE;
}
BOOL WINAPI RecordForProcess(UINT message, DWORD action) {
  g_calls.push_back({nullptr, message, action});
  return TRUE;
}

TEST(MessageFilter, TheWindowsOwnFilterFirstThenTheProcessesThenNone) {
  HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
  const unsigned* messages = kMessagesFromLowerIntegrity;
  const size_t count = std::size(kMessagesFromLowerIntegrity);
  const struct {
    MessageFilterFunctions functions;
    MessageFilterWay way;
    HWND called_for;
  } cases[] = {
      {{&RecordForWindow, &RecordForProcess}, MessageFilterWay::kWindow, window},  // Windows 7+
      {{nullptr, &RecordForProcess}, MessageFilterWay::kProcess, nullptr},          // Vista
      {{nullptr, nullptr}, MessageFilterWay::kNone, nullptr},                       // XP
  };
  for (const auto& c : cases) {
    g_calls.clear();
    EXPECT_EQ(LetThroughFromLowerIntegrity(window, messages, count, c.functions), c.way);
    std::vector<Call> expected;
    if (c.way != MessageFilterWay::kNone)
      for (unsigned m : kMessagesFromLowerIntegrity) expected.push_back({c.called_for, m, 1});
    EXPECT_EQ(g_calls, expected);
  }
}

TEST(MessageFilter, TheSystemHasTheWindowsFilter) {
  // Windows 7 and later (and Wine) have both; the window's is taken.
  const MessageFilterFunctions system = SystemMessageFilterFunctions();
  ASSERT_NE(system.for_window, nullptr);
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LetThroughFromLowerIntegrity(window, kMessagesFromLowerIntegrity,
                                         std::size(kMessagesFromLowerIntegrity)),
            MessageFilterWay::kWindow);
  DestroyWindow(window);
}

}  // namespace
}  // namespace win32
}  // namespace orv
