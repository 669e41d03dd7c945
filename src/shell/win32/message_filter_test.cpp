#include "shell/win32/message_filter.h"

#include <gtest/gtest.h>

#include <iterator>
#include <utility>
#include <vector>

#include "popup_blocker/ad_messages.h"

namespace orv {
namespace win32 {
namespace {

// The window (nullptr: the process) and message of each call; the action must be "allow".
std::vector<std::pair<HWND, UINT>> g_calls;

BOOL WINAPI RecordForWindow(HWND window, UINT message, DWORD action, void* extra) {
  EXPECT_EQ(action, 1u);
  EXPECT_EQ(extra, nullptr);
  g_calls.push_back({window, message});
  return TRUE;
}
BOOL WINAPI RecordForProcess(UINT message, DWORD action) {
  EXPECT_EQ(action, 1u);
  g_calls.push_back({nullptr, message});
  return TRUE;
}

TEST(MessageFilter, TheWindowsOwnFilterFirstThenTheProcessesThenNone) {
  HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
  const struct {
    MessageFilterFunctions functions;  // as Windows 7 and later, Vista, XP have them
    MessageFilterWay way;
  } cases[] = {{{&RecordForWindow, &RecordForProcess}, MessageFilterWay::kWindow},
               {{nullptr, &RecordForProcess}, MessageFilterWay::kProcess},
               {{nullptr, nullptr}, MessageFilterWay::kNone}};
  for (const auto& c : cases) {
    g_calls.clear();
    EXPECT_EQ(LetThroughFromLowerIntegrity(window, kMessagesFromLowerIntegrity,
                                           std::size(kMessagesFromLowerIntegrity), c.functions),
              c.way);
    std::vector<std::pair<HWND, UINT>> expected;
    if (c.way != MessageFilterWay::kNone)
      for (unsigned m : kMessagesFromLowerIntegrity)
        expected.push_back({c.way == MessageFilterWay::kWindow ? window : nullptr, m});
    EXPECT_EQ(g_calls, expected);
  }
  // The system's own (Windows 7 and later, and Wine, have both): the window's is taken.
  ASSERT_NE(SystemMessageFilterFunctions().for_window, nullptr);
  HWND real = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                              nullptr);
  EXPECT_EQ(LetThroughFromLowerIntegrity(real, kMessagesFromLowerIntegrity,
                                         std::size(kMessagesFromLowerIntegrity)),
            MessageFilterWay::kWindow);
  DestroyWindow(real);
}

}  // namespace
}  // namespace win32
}  // namespace orv
