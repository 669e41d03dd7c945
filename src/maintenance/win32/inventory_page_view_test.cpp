#include "maintenance/win32/inventory_page_view.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/recorders.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"

namespace orv::win32 {
namespace {

// A page whose rows come from the test, not the registry.
class FixedPage : public InventoryPage {
 public:
  explicit FixedPage(const InventoryServices& services) : InventoryPage(services, "C:\\", "x.txt") {}
  const InventoryLayout& layout() const override {
    static const InventoryLayout layout{{{nullptr, 40}, {"名称", 150}, {"执行文件", 0}},
                                        {kRefreshCaption, kRefreshHint},
                                        {kDeleteCaption, kDeleteHint},
                                        {kExportCaption, kExportHint}};
    return layout;
  }
  void RunAction() override {
    ActOnTicked("确认删除", "?", [this](const CheckRow& row) {
      acted.push_back(row.cells[1]);
      names.erase(names.begin() + (std::stoi(row.cells[0]) - 1));
      return true;
    });
    ShowDone("done");
  }

  std::vector<std::string> names{"a", "b", "c"};
  std::vector<std::string> acted;

 protected:
  void Fill() override {
    for (const std::string& name : names) AddRow({name, "C:\\" + name + ".htm"});
  }
};

// Answers Yes and notes how many rows the list showed when each box came up.
class CountingBoxes : public MessageBoxes {
 public:
  HWND list = nullptr;
  std::vector<int> rows_shown;
  BoxAnswer Show(const std::string&, const std::string&, BoxButtons buttons, BoxIcon) override {
    rows_shown.push_back(ListView_GetItemCount(list));
    return buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
  }
};

std::string Text(HWND hwnd) {
  char text[256] = {};
  GetWindowTextA(hwnd, text, sizeof(text));
  return text;
}

RECT RectIn(HWND control, HWND parent) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class InventoryPageViewTest : public ::testing::Test {
 protected:
  InventoryPageViewTest() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvInventoryViewTestHost";
    RegisterClassA(&wc);
    // Hidden: under Wine without a window manager, hiding a shown window waits two seconds.
    sheet_ = CreateWindowExA(0, wc.lpszClassName, "TabSheet6", WS_POPUP, 0, 0, 417, 329, nullptr,
                             nullptr, wc.hInstance, nullptr);
    context_.sheet = sheet_;
    context_.run = [](const std::function<void()>& work) {
      work();
      return true;
    };
  }
  ~InventoryPageViewTest() override { DestroyWindow(sheet_); }
  void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

  HWND sheet_ = nullptr;
  PageContext context_;
  Win32Registry registry_;
  Win32FileSystem files_;
  RecordingShell shell_;
  CountingBoxes boxes_;
  FixedPage page_{InventoryServices{registry_, files_, shell_, boxes_}};
};

TEST_F(InventoryPageViewTest, LaysOutTheListAndThreeButtonsWithTheirHints) {
  InventoryPageView view(context_, page_);
  const HWND buttons[] = {view.refresh_button(), view.action_button(), view.export_button()};
  const char* captions[] = {"刷新", "删除", "导出"};
  const char* hints[] = {"刷新显示", "删除所选的项目", "将列表导出到文本文件"};
  const RECT list = RectIn(view.list_view(), view.handle());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Text(buttons[i]), captions[i]);
    EXPECT_EQ(view.HintOf(buttons[i]), hints[i]);
    const RECT r = RectIn(buttons[i], view.handle());
    EXPECT_EQ(r.right - r.left, 65);
    EXPECT_EQ(r.bottom - r.top, 25);
    EXPECT_GT(r.top, list.bottom);  // under the list, in one row from left to right
    if (i > 0) {
      EXPECT_GT(r.left, RectIn(buttons[i - 1], view.handle()).right);
    }
  }
  EXPECT_EQ(ListView_GetColumnWidth(view.list_view(), 0), 40);
  EXPECT_EQ(ListView_GetColumnWidth(view.list_view(), 1), 150);
  // The last column takes the rest of the list's width.
  RECT client{};
  GetClientRect(view.list_view(), &client);
  EXPECT_GT(ListView_GetColumnWidth(view.list_view(), 2), client.right - 190 - 40);
}

TEST_F(InventoryPageViewTest, TicksReachThePageAndTheListIsRedrawnBeforeTheResultBox) {
  InventoryPageView view(context_, page_);
  boxes_.list = view.list_view();
  Click(view.refresh_button());
  ASSERT_EQ(ListView_GetItemCount(view.list_view()), 3);
  ListView_SetCheckState(view.list_view(), 0, TRUE);  // as a click on the box does
  ListView_SetCheckState(view.list_view(), 2, TRUE);
  EXPECT_EQ(page_.list().TickedFromLast(), (std::vector<int>{2, 0}));
  Click(view.action_button());
  EXPECT_EQ(page_.acted, (std::vector<std::string>{"c", "a"}));
  // The question came with all three rows, the result with the rebuilt list of one.
  EXPECT_EQ(boxes_.rows_shown, (std::vector<int>{3, 1}));
  char text[64] = {};
  ListView_GetItemText(view.list_view(), 0, 1, text, sizeof(text));
  EXPECT_STREQ(text, "b");
  EXPECT_FALSE(ListView_GetCheckState(view.list_view(), 0));
}

}  // namespace
}  // namespace orv::win32
