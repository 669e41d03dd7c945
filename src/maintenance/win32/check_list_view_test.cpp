#include "maintenance/win32/check_list_view.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace orv::win32 {
namespace {

// A top-level window holding one list view; the list's tick changes reported as the user's are
// collected.
struct Host {
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Host*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    int row = 0;
    bool ticked = false;
    if (message == WM_NOTIFY && self &&
        self->view.TickChange(*reinterpret_cast<NMHDR*>(lparam), &row, &ticked))
      self->changes.emplace_back(row, ticked);
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  Host() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvCheckListHost";
    RegisterClassA(&wc);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    top = CreateWindowA("OrvCheckListHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                        nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(top, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    HWND list = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 380,
                              260, top, nullptr, wc.hInstance, nullptr);
    view.Attach(list, {{nullptr, 40}, {"名称", 150}, {"执行文件", 0}}, 96);
  }
  ~Host() { DestroyWindow(top); }
  bool Ticked(int row) const {
    return ListView_GetCheckState(view.handle(), row) != 0;
  }

  HWND top = nullptr;
  CheckListView view;
  std::vector<std::pair<int, bool>> changes;
};

TEST(CheckListViewTest, SyncWritesRowsAndTicksAndOnlyUserTicksAreReported) {
  Host host;
  CheckList list;
  list.Append({"1", "menu entry", "C:\\a.htm"});
  list.Append({"2", "other", ""});
  list.SetTicked(1, true);
  host.view.Sync(list);
  ASSERT_EQ(ListView_GetItemCount(host.view.handle()), 2);
  EXPECT_EQ(host.view.CellText(0, 1), "menu entry");
  EXPECT_EQ(host.view.CellText(0, 2), "C:\\a.htm");
  EXPECT_FALSE(host.Ticked(0));
  EXPECT_TRUE(host.Ticked(1));
  EXPECT_TRUE(host.changes.empty());  // the program's own writes are not the user's

  // The user ticks row 0 (as a click on its box does), then the list shrinks and changes.
  ListView_SetCheckState(host.view.handle(), 0, TRUE);
  EXPECT_EQ(host.changes, (std::vector<std::pair<int, bool>>{{0, true}}));
  CheckList shorter;
  shorter.Append({"1", "renamed", ""});
  host.view.Sync(shorter, /*suspend_redraw=*/true);
  ASSERT_EQ(ListView_GetItemCount(host.view.handle()), 1);
  EXPECT_EQ(host.view.CellText(0, 1), "renamed");
  EXPECT_EQ(host.view.CellText(0, 2), "");
  EXPECT_FALSE(host.Ticked(0));
}

}  // namespace
}  // namespace orv::win32
