// The four inventory pages of the real program, driven as the user drives them: the page chosen
// in the navigation tree, rows ticked in the list, the buttons pressed and the message boxes
// answered. Each page lists the registry entries the test makes (the test prefix has no others
// in these keys, beside the program's own start-up value), exports them to its report, which
// is read back byte for byte, and removes the ticked ones: keys and values deleted, toolbars and
// helper objects unregistered by RegSvr32 through test-only libraries that remove their class.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "harness.h"
#include "remote_controls.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr UINT kTrayCallback = WM_APP + 1;
constexpr WPARAM kTrayIconId = 1, kCmdHide = 103;

const std::string kMenuExt = "Software\\Microsoft\\Internet Explorer\\MenuExt\\";
const std::string kButtons = "Software\\Microsoft\\Internet Explorer\\Extensions\\";
const std::string kToolbars = "Software\\Microsoft\\Internet Explorer\\Toolbar";
const std::string kHelpers =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\";
const std::string kHooks = "Software\\Microsoft\\Internet Explorer\\URLSearchHooks";
const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunOnce = kRun + "Once";
const std::string kClasses = "Software\\Classes\\CLSID\\";
const std::string kToolbarId = "{1B52F3A9-FF49-4542-89F9-6C65F39C4BDC}";  // TestToolbar.dll
const std::string kHelperId = "{49A28555-CE77-4486-AD6B-61272A2C2D5F}";   // TestHelper.dll
const std::string kButtonId = "{2646CB9C-3CB3-4DB2-BFC6-221DC8FB9832}";
const std::string kDefaultHook = "{cfbfae00-17a6-11d0-99cb-00c04fd64497}";
// The registry view that is not the program's (the driver is built as the program is), and the
// mark its rows carry.
constexpr REGSAM kOtherView = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
const std::string kOtherMark = sizeof(void*) == 4 ? "[64位] " : "[32位] ";

bool Put(HKEY root, const std::string& path, const std::string& name, DWORD type,
         const std::string& text, REGSAM view = 0) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExA(key, name.c_str(), 0, type,
                                 reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}
bool HasKey(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}
bool HasValue(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return false;
  const bool found = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                     ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}
std::string ClassFile(const std::string& id) {
  char data[MAX_PATH * 2] = {};
  DWORD size = sizeof(data);
  RegGetValueA(HKEY_LOCAL_MACHINE, (kClasses + id + "\\InprocServer32").c_str(), nullptr,
               RRF_RT_REG_SZ, nullptr, data, &size);
  return data;
}
void RemoveTestEntries() {
  for (const std::string& key : {kMenuExt + "OrvanelTest | 菜单", kMenuExt + "OrvanelTest2",
                                 kMenuExt + "OrvanelTest3"})
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
  for (const std::string& key : {kButtons + kButtonId, kHelpers + kHelperId, kHelpers + kToolbarId,
                                 kClasses + kToolbarId, kClasses + kHelperId})
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kToolbars.c_str(), kToolbarId.c_str());
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kHooks.c_str(), kDefaultHook.c_str());
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunOnce.c_str(), "OrvanelTest");
  for (const char* name : {"OrvanelTest", "OrvanelTest2"})
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kRun.c_str(), name);
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunOnce.c_str(), "展开");
  HKEY other;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun.c_str(), 0, KEY_SET_VALUE | kOtherView, &other) ==
      ERROR_SUCCESS) {
    RegDeleteValueA(other, "OrvanelTest64");
    RegCloseKey(other);
  }
}

struct PageCase {
  const char* shot;           // screenshot name
  int tree_entry;
  const char* sheet;          // the sheet's caption
  const char* report;         // the export file
  const char* action;         // the action button's caption
  const char* confirm;        // the question's caption
  const char* done;           // the result box's caption, or nullptr
  const char* libraries[2];   // test libraries to register (nullptr: none)
  std::function<bool()> put;  // the test's entries
  std::function<std::string(const std::string& folder)> report_bytes;
  std::vector<int> ticks;
  int rows_after;
  std::function<bool()> acted;  // true once the action's effect is in the registry
  std::function<bool()> put_more;  // one more entry, shown when the window is shown again
};

const std::vector<PageCase>& Cases() {
  static const std::vector<PageCase> cases{
      {"inventory_menu_ext", 5, "menu", "menu.txt", "删除", "确认删除", nullptr, {},
       [] {
         return Put(HKEY_CURRENT_USER, kMenuExt + "OrvanelTest | 菜单", "", REG_SZ,
                    "C:\\Test Pages\\页面.htm") &&
                Put(HKEY_CURRENT_USER, kMenuExt + "OrvanelTest2\\Inner", "x", REG_SZ, "");
       },
       [](const std::string& folder) {  // with the program's own two entries
         return "1. OrvanelTest | 菜单 | C:\\Test Pages\\页面.htm\r\n2. OrvanelTest2 | \r\n"
                "3. 加入黑名单 | " + folder + "GetLink.htm\r\n4. 当前页面加入黑名单 | " + folder +
                "GetCurrent.htm\r\n";
       },
       {1}, 3, [] { return !HasKey(HKEY_CURRENT_USER, kMenuExt + "OrvanelTest2"); },
       [] { return Put(HKEY_CURRENT_USER, kMenuExt + "OrvanelTest3", "", REG_SZ, "3.htm"); }},
      {"inventory_toolbar", 6, "toolbar", "toolbar.txt", "删除", "确认删除", "已完成",
       {"TestToolbar.dll", nullptr},
       [] {
         return Put(HKEY_LOCAL_MACHINE, kButtons + kButtonId, "ButtonText", REG_SZ, "测试按钮") &&
                Put(HKEY_LOCAL_MACHINE, kButtons + kButtonId, "Exec", REG_SZ, "C:\\测试\\b.exe") &&
                Put(HKEY_LOCAL_MACHINE, kToolbars, kToolbarId, REG_SZ, "测试工具栏");
       },
       [](const std::string&) {
         return "1. " + kButtonId + " | 按钮 | 测试按钮 | C:\\测试\\b.exe\r\n2. " + kToolbarId +
                " | 工具栏 | 测试工具栏 | " + ClassFile(kToolbarId) + "\r\n";
       },
       {0, 1}, 0,
       [] {
         return !HasKey(HKEY_LOCAL_MACHINE, kButtons + kButtonId) &&
                !HasValue(HKEY_LOCAL_MACHINE, kToolbars, kToolbarId) &&
                !HasKey(HKEY_LOCAL_MACHINE, kClasses + kToolbarId);  // unregistered
       },
       [] { return Put(HKEY_LOCAL_MACHINE, kToolbars, kToolbarId, REG_BINARY, ""); }},
      {"inventory_helper_objects", 7, "bho", "ExtentProgram.txt", "卸载", "确认卸载", "已完成",
       {"TestHelper.dll", nullptr},
       [] {
         HKEY key;
         if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kHelpers + kHelperId).c_str(), 0, nullptr, 0,
                             KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
           return false;
         RegCloseKey(key);
         return Put(HKEY_CURRENT_USER, kHooks, kDefaultHook, REG_SZ, "");
       },
       [](const std::string&) {
         return "1. " + kHelperId + " | BHO | " + ClassFile(kHelperId) + "\r\n2. 系统扩展，勿卸载！" +
                kDefaultHook + " | 网址监控 | \r\n";
       },
       {0, 1}, 2,  // the page deletes nothing: both rows stay
       [] {
         return !HasKey(HKEY_LOCAL_MACHINE, kClasses + kHelperId) &&
                HasKey(HKEY_LOCAL_MACHINE, kHelpers + kHelperId) &&
                HasValue(HKEY_CURRENT_USER, kHooks, kDefaultHook);
       },
       [] { return Put(HKEY_LOCAL_MACHINE, kHelpers + kToolbarId, "", REG_SZ, ""); }},
      {"inventory_auto_run", 8, "autorun", "AutoStart.txt", "删除", "确认删除", "已完成", {},
       [] {
         return Put(HKEY_LOCAL_MACHINE, kRun, "OrvanelTest64", REG_SZ, "C:\\64.exe", kOtherView) &&
                Put(HKEY_LOCAL_MACHINE, kRunOnce, "OrvanelTest", REG_SZ, "C:\\m.exe /a | b") &&
                Put(HKEY_CURRENT_USER, kRun, "OrvanelTest", REG_SZ, "C:\\u.exe") &&
                Put(HKEY_CURRENT_USER, kRunOnce, "展开", REG_EXPAND_SZ, "%windir%\\o.exe");
       },
       [](const std::string& folder) {
         const std::string machine = " | HKEY_LOCAL_MACHINE\\" , user = " | HKEY_CURRENT_USER\\";
         return "1. TavroselOrvanel | " + folder + "Orvanel.exe" + machine + kRun +
                "\r\n2. OrvanelTest64 | C:\\64.exe | " + kOtherMark + "HKEY_LOCAL_MACHINE\\" +
                kRun + "\r\n3. OrvanelTest | C:\\m.exe /a | b" + machine + kRunOnce +
                "\r\n4. OrvanelTest | C:\\u.exe" + user + kRun +
                "\r\n5. 展开 | %windir%\\o.exe" + user + kRunOnce + "\r\n";
       },
       {1, 3}, 3,
       [] {
         return !HasValue(HKEY_CURRENT_USER, kRun, "OrvanelTest") &&
                !HasValue(HKEY_LOCAL_MACHINE, kRun, "OrvanelTest64", kOtherView) &&
                HasValue(HKEY_LOCAL_MACHINE, kRunOnce, "OrvanelTest");
       },
       [] { return Put(HKEY_CURRENT_USER, kRun, "OrvanelTest2", REG_SZ, "C:\\2.exe"); }},
  };
  return cases;
}

class InventoryPagesE2e : public ::testing::TestWithParam<int> {
 protected:
  const PageCase& page() const { return Cases()[GetParam()]; }
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    RemoveTestEntries();
    // A blank in the folder: every path the program hands on must arrive whole.
    folder_ = MakeProgramFolder(std::string("inventory ") + page().sheet);
    ASSERT_FALSE(folder_.empty());
    for (const char* library : page().libraries) {
      if (!library) continue;
      ASSERT_TRUE(CopyFileA((DriverFolder() + "sibling-stand-ins\\" + library).c_str(),
                            (folder_ + library).c_str(), FALSE));
      DWORD code = 1;
      ASSERT_TRUE(RunAndWait("regsvr32.exe /s \"" + folder_ + library + "\"", 30000, &code) &&
                  code == 0)
          << library << " was not registered";
    }
    ASSERT_TRUE(page().put()) << "the test's entries could not be made";
    ASSERT_TRUE(program_.Start(folder_ + "Orvanel.exe"));
    main_ = WaitForMainWindow(program_.id(), kTimeoutMs);
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
    RemoveTestEntries();
  }

  void ShowFromTray() {
    PostMessageA(main_, kTrayCallback, kTrayIconId, WM_LBUTTONUP);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main_) != FALSE; }, kTimeoutMs));
  }
  void ChoosePage() {
    HWND tree = FindWindowExA(main_, nullptr, WC_TREEVIEWA, nullptr);
    LPARAM item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    for (int i = 0; i < page().tree_entry && item; ++i)
      item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, item);
    ASSERT_NE(item, 0);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
    HWND host = FindWindowExA(main_, nullptr, "TPageControl", nullptr);
    sheet_ = FindWindowExA(host, nullptr, "TTabSheet", page().sheet);
    list_ = FindDescendant(sheet_, WC_LISTVIEWA, nullptr, nullptr);
    ASSERT_NE(list_, nullptr) << "no list on sheet " << page().sheet;
  }
  HWND Button(const char* caption) {
    HWND button = FindDescendant(sheet_, "Button", nullptr, caption);
    EXPECT_NE(button, nullptr) << "no button " << caption;
    return button;
  }
  bool WaitForRows(int rows) {
    return WaitUntil([&] { return ListViewRows(list_) == rows; }, kTimeoutMs);
  }
  // Waits for the box, checks its text when one is given, answers it.
  void Answer(const std::string& caption, int button, const std::string& text = "") {
    HWND box = WaitForMessageBox(program_.id(), caption, kTimeoutMs);
    HWND other = AnyMessageBox(program_.id());
    ASSERT_NE(box, nullptr) << "no box " << caption << "; shown: "
                            << (other ? WindowText(other) + ": " + MessageBoxText(other) : "none");
    if (!text.empty()) {
      EXPECT_EQ(MessageBoxText(box), text);
    }
    AnswerMessageBox(box, button);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, kTimeoutMs));
  }

  Process program_;
  std::string folder_;
  HWND main_ = nullptr, sheet_ = nullptr, list_ = nullptr;
};

TEST_P(InventoryPagesE2e, ListsExportsAndRemovesTheTestsEntries) {
  ShowFromTray();
  ChoosePage();
  const std::string expected = page().report_bytes(folder_);
  const int rows = static_cast<int>(std::count(expected.begin(), expected.end(), '\n'));
  ASSERT_TRUE(WaitForRows(rows)) << ListViewRows(list_) << " rows listed";

  // The desktop once the program has painted: two captures in a row alike.
  Screenshot shot, last;
  ASSERT_TRUE(WaitUntil(
      [&] {
        last = shot;
        Sleep(250);
        return CaptureDesktop(&shot) && shot.rgb == last.rgb;
      },
      kTimeoutMs));
  const std::string path = SaveScreenshot(shot, page().shot);
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;

  // Export: the report, the box naming it, then Notepad with it.
  const std::string report = folder_ + page().report;
  ClickButton(Button("导出"));
  Answer("已导出", IDOK, "文件生成在：" + report);
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(report, &bytes));
  EXPECT_EQ(bytes, expected);
  EXPECT_TRUE(WaitUntil([] { return !ProcessesNamed("notepad.exe").empty(); }, kTimeoutMs))
      << "Notepad did not start";

  // The ticked rows go, from the last; the list is rebuilt before the result box.
  for (int row : page().ticks) ASSERT_TRUE(SetListViewTick(list_, row, true)) << row;
  ClickButton(Button(page().action));
  Answer(page().confirm, IDYES);
  if (page().tree_entry == 7)
    Answer("禁止卸载", IDOK,
           "系统扩展，勿卸载！" + kDefaultHook + "\r\n此程序为默认的系统扩展程序，不能卸载！");
  if (page().done) {
    ASSERT_NE(WaitForMessageBox(program_.id(), page().done, kTimeoutMs), nullptr);
    EXPECT_EQ(ListViewRows(list_), page().rows_after);
    Answer(page().done, IDOK);
  }
  EXPECT_TRUE(WaitForRows(page().rows_after));
  EXPECT_TRUE(WaitUntil(page().acted, kTimeoutMs)) << "the registry did not change as asked";

  // Shown again from the tray with the page current, the page reads the registry again.
  const int before = ListViewRows(list_);
  PostMessageA(main_, WM_COMMAND, kCmdHide, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main_); }, kTimeoutMs));
  ASSERT_TRUE(page().put_more());
  ShowFromTray();
  EXPECT_TRUE(WaitForRows(before + 1));
}

INSTANTIATE_TEST_SUITE_P(Pages, InventoryPagesE2e, ::testing::Range(0, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(Cases()[info.param].sheet);
                         });

}  // namespace
}  // namespace e2e
