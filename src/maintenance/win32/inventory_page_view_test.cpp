#include "maintenance/win32/inventory_page_view.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "maintenance/toolbar_page.h"
#include "platform/memory/recorders.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"

namespace orv::win32 {
namespace {

RECT RectIn(HWND control, HWND parent) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string Text(HWND hwnd) {
  char text[64] = {};
  GetWindowTextA(hwnd, text, sizeof(text));
  return text;
}

TEST(InventoryPageViewTest, LaysOutTheListAndThreeButtonsWithTheirHints) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "OrvInventoryViewTestSheet";
  RegisterClassA(&wc);
  // Hidden: under Wine without a window manager, hiding a shown window waits two seconds.
  HWND sheet = CreateWindowExA(0, wc.lpszClassName, "toolbar", WS_POPUP, 0, 0, 417, 329, nullptr,
                               nullptr, wc.hInstance, nullptr);
  Win32Registry registry;
  Win32FileSystem files;
  RecordingShell shell;
  ScriptedMessageBoxes boxes;
  FixedClock clock;
  ToolbarPage page({registry, files, shell, boxes, clock}, "C:\\", "C:\\");
  PageContext context;
  context.sheet = sheet;
  {
    InventoryPageView view(context, page);
    const HWND buttons[] = {view.refresh_button(), view.action_button(), view.export_button()};
    const char* captions[] = {"刷新", "删除", "导出"};
    const char* hints[] = {"刷新显示", "删除所选的项目", "将列表导出到文本文件"};
    const RECT list = RectIn(view.list_view(), view.handle());
    int left = 0;
    for (int i = 0; i < 3; ++i) {  // 65 x 25, in one row under the list, left to right
      EXPECT_EQ(Text(buttons[i]), captions[i]);
      EXPECT_EQ(view.HintOf(buttons[i]), hints[i]);
      const RECT r = RectIn(buttons[i], view.handle());
      EXPECT_EQ(r.right - r.left, 65);
      EXPECT_EQ(r.bottom - r.top, 25);
      EXPECT_GT(r.top, list.bottom);
      EXPECT_GT(r.left, left);
      left = r.right;
    }
    const int widths[] = {40, 100, 50, 100};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ListView_GetColumnWidth(view.list_view(), i), widths[i]);
    RECT client{};
    GetClientRect(view.list_view(), &client);  // the last column takes the rest
    EXPECT_EQ(ListView_GetColumnWidth(view.list_view(), 4), client.right - 290);
  }
  DestroyWindow(sheet);
}

}  // namespace
}  // namespace orv::win32
