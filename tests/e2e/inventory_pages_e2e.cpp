// The four inventory pages of the real program, driven as the user drives them: the page chosen
// in the navigation tree, rows ticked, buttons pressed, message boxes answered. Each page lists
// the registry entries the test makes (the test prefix has no others in these keys but the
// program's own), exports them to its report, read back byte for byte, and removes the ticked
// ones: keys and values deleted, toolbars and helper objects unregistered by RegSvr32 through
// test-only libraries whose unregistration removes their class.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "harness.h"
#include "registry_backups.h"
#include "remote_controls.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr WPARAM kCmdHide = 103;
const HKEY kUser = HKEY_CURRENT_USER, kMachine = HKEY_LOCAL_MACHINE;

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
// The registry view that is not the program's (the driver is built as the program is) and the
// mark its rows carry.
constexpr REGSAM kOtherView = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
const std::string kOtherMark = sizeof(void*) == 4 ? "[64位] " : "[32位] ";

// Makes the key and, unless name is nullptr, a value of any type with these bytes.
bool PutBytes(HKEY root, const std::string& path, const char* name, DWORD type,
              const std::string& bytes, REGSAM view = 0) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const bool ok = !name || RegSetValueExA(key, name, 0, type,
                                          reinterpret_cast<const BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}
// The same for a text in the ANSI code page, stored with its terminator.
bool Put(HKEY root, const std::string& path, const char* name, DWORD type = REG_SZ,
         const std::string& text = "", REGSAM view = 0) {
  return PutBytes(root, path, name, type, text + '\0', view);
}
// One value of every type the registry knows into a key: a backup must bring each back as it was.
bool PutEveryType(HKEY root, const std::string& path, REGSAM view = 0) {
  using namespace std::string_literals;
  return PutBytes(root, path, "text 乗\\\"q\"", REG_SZ, "C:\\乗\\\"页面\".htm\0"s, view) &&
         PutBytes(root, path, "flags", REG_DWORD, "\x78\x56\x34\x12"s, view) &&
         PutBytes(root, path, "bytes", REG_BINARY, std::string(100, '\xa5') + "\0\x01"s, view) &&
         PutBytes(root, path, "expand", REG_EXPAND_SZ, "%windir%\\中文\0"s, view) &&
         PutBytes(root, path, "multi", REG_MULTI_SZ, "a\0中文\0\0"s, view) &&
         PutBytes(root, path, "qword", REG_QWORD, "\x01\0\0\0\0\0\0\x80"s, view) &&
         PutBytes(root, path, "none", REG_NONE, "x"s, view);
}
// Whether the key (name nullptr) or the value exists.
bool Exists(HKEY root, const std::string& path, const char* name = nullptr, REGSAM view = 0) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  const bool found =
      !name || RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}
std::string ClassFile(const std::string& id) {
  char data[MAX_PATH * 2] = {};
  DWORD size = sizeof(data);
  RegGetValueA(kMachine, (kClasses + id + "\\InprocServer32").c_str(), nullptr, RRF_RT_REG_SZ,
               nullptr, data, &size);
  return data;
}
void RemoveTestEntries() {
  for (const char* name : {"OrvanelTest | 菜单", "OrvanelTest2", "OrvanelTest3"})
    RegDeleteTreeA(kUser, (kMenuExt + name).c_str());
  // Selmont.dll's helper object may be left registered by a program an earlier test ended.
  const std::string selmont = "{6B1E93D2-4F0A-4C57-9E38-2D7A5C1F0B64}";
  for (const std::string& key : {kButtons + kButtonId, kHelpers + kHelperId, kHelpers + kToolbarId,
                                 kClasses + kToolbarId, kClasses + kHelperId, kHelpers + selmont,
                                 kClasses + selmont})
    RegDeleteTreeA(kMachine, key.c_str());
  RegDeleteKeyValueA(kMachine, kToolbars.c_str(), kToolbarId.c_str());
  RegDeleteKeyValueA(kUser, kHooks.c_str(), kDefaultHook.c_str());
  RegDeleteKeyValueA(kMachine, kRunOnce.c_str(), "OrvanelTest");
  for (const char* name : {"OrvanelTest", "OrvanelTest2"})
    RegDeleteKeyValueA(kUser, kRun.c_str(), name);
  RegDeleteKeyValueA(kUser, kRunOnce.c_str(), "展开");
  HKEY other;
  if (RegOpenKeyExA(kMachine, kRun.c_str(), 0, KEY_SET_VALUE | kOtherView, &other) == 0) {
    RegDeleteValueA(other, "OrvanelTest64");
    RegCloseKey(other);
  }
}

// A key (value nullptr) or a value the page's action takes away, and its backup brings back.
struct Watched {
  HKEY root;
  std::string path;
  const char* value;
  REGSAM view;
};

struct PageCase {
  int tree_entry;
  const char* sheet;    // the sheet's caption
  const char* report;   // the export file
  const char* action;   // the action button's caption
  const char* confirm;  // the question's caption
  const char* done;     // the result box's caption, or nullptr
  const char* library;  // a test library to register, or nullptr
  std::function<bool()> put;
  std::function<std::string(const std::string& folder)> report_bytes;
  std::vector<int> ticks;
  int rows_after;
  std::function<bool()> acted;     // the action's effect is in the registry
  std::function<bool()> put_more;  // one more entry
  std::vector<Watched> watched;
};

const std::vector<PageCase>& Cases() {
  static const std::vector<PageCase> cases{
      {5, "menu", "menu.txt", "删除", "确认删除", nullptr, nullptr,
       [] {
         return Put(kUser, kMenuExt + "OrvanelTest | 菜单", "", REG_SZ, "C:\\Test Pages\\页面.htm") &&
                PutEveryType(kUser, kMenuExt + "OrvanelTest2") &&
                PutEveryType(kUser, kMenuExt + "OrvanelTest2\\Inner");
       },
       [](const std::string& folder) {  // with the program's own two entries
         return "1. OrvanelTest | 菜单 | C:\\Test Pages\\页面.htm\r\n2. OrvanelTest2 | \r\n"
                "3. 加入黑名单 | " + folder + "GetLink.htm\r\n4. 当前页面加入黑名单 | " + folder +
                "GetCurrent.htm\r\n";
       },
       {1}, 3, [] { return !Exists(kUser, kMenuExt + "OrvanelTest2"); },
       [] { return Put(kUser, kMenuExt + "OrvanelTest3", nullptr); },
       {{kUser, kMenuExt + "OrvanelTest2", nullptr, 0}}},
      {6, "toolbar", "toolbar.txt", "删除", "确认删除", "已完成", "TestToolbar.dll",
       [] {
         return Put(kMachine, kButtons + kButtonId, "ButtonText", REG_SZ, "测试按钮") &&
                Put(kMachine, kButtons + kButtonId, "Exec", REG_SZ, "C:\\测试\\b.exe") &&
                PutEveryType(kMachine, kButtons + kButtonId + "\\More") &&
                Put(kMachine, kToolbars, kToolbarId.c_str(), REG_SZ, "测试工具栏");
       },
       [](const std::string&) {
         return "1. " + kButtonId + " | 按钮 | 测试按钮 | C:\\测试\\b.exe\r\n2. " + kToolbarId +
                " | 工具栏 | 测试工具栏 | " + ClassFile(kToolbarId) + "\r\n";
       },
       {0, 1}, 0,
       [] {
         return !Exists(kMachine, kButtons + kButtonId) &&
                !Exists(kMachine, kToolbars, kToolbarId.c_str()) &&
                !Exists(kMachine, kClasses + kToolbarId);  // unregistered
       },
       [] { return Put(kMachine, kToolbars, kToolbarId.c_str(), REG_BINARY); },
       {{kMachine, kButtons + kButtonId, nullptr, 0},
        {kMachine, kToolbars, kToolbarId.c_str(), 0},
        {kMachine, kClasses + kToolbarId, nullptr, 0}}},
      {7, "bho", "ExtentProgram.txt", "卸载", "确认卸载", "已完成", "TestHelper.dll",
       [] {
         return Put(kMachine, kHelpers + kHelperId, nullptr) &&
                Put(kUser, kHooks, kDefaultHook.c_str());
       },
       [](const std::string&) {
         return "1. " + kHelperId + " | BHO | " + ClassFile(kHelperId) + "\r\n2. 系统扩展，勿卸载！" +
                kDefaultHook + " | 网址监控 | \r\n";
       },
       {0, 1}, 2,  // the page deletes nothing itself
       [] {
         return !Exists(kMachine, kClasses + kHelperId) && Exists(kMachine, kHelpers + kHelperId) &&
                Exists(kUser, kHooks, kDefaultHook.c_str());
       },
       [] { return Put(kMachine, kHelpers + kToolbarId, nullptr); },
       {{kMachine, kHelpers + kHelperId, nullptr, 0}, {kMachine, kClasses + kHelperId, nullptr, 0}}},
      {8, "autorun", "AutoStart.txt", "删除", "确认删除", "已完成", nullptr,
       [] {
         return Put(kMachine, kRun, "OrvanelTest64", REG_SZ, "C:\\64.exe", kOtherView) &&
                Put(kMachine, kRunOnce, "OrvanelTest", REG_SZ, "C:\\m.exe /a | b") &&
                Put(kUser, kRun, "OrvanelTest", REG_SZ, "C:\\u.exe") &&
                Put(kUser, kRunOnce, "展开", REG_EXPAND_SZ, "%windir%\\o.exe");
       },
       [](const std::string& folder) {  // the other view's rows after all of the own view's
         const std::string machine = "HKEY_LOCAL_MACHINE\\", user = " | HKEY_CURRENT_USER\\";
         return "1. TavroselOrvanel | " + folder + "Orvanel.exe | " + machine + kRun +
                "\r\n2. OrvanelTest | C:\\m.exe /a | b | " + machine + kRunOnce +
                "\r\n3. OrvanelTest | C:\\u.exe" + user + kRun + "\r\n4. 展开 | %windir%\\o.exe" +
                user + kRunOnce + "\r\n5. OrvanelTest64 | C:\\64.exe | " + kOtherMark + machine +
                kRun + "\r\n";
       },
       {2, 4}, 3,
       [] {
         return !Exists(kUser, kRun, "OrvanelTest") &&
                !Exists(kMachine, kRun, "OrvanelTest64", kOtherView) &&
                Exists(kMachine, kRunOnce, "OrvanelTest");
       },
       [] { return Put(kUser, kRun, "OrvanelTest2"); },
       {{kUser, kRun, "OrvanelTest", 0}, {kMachine, kRun, "OrvanelTest64", kOtherView}}},
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
    // The program registers its own helper object at start: stand-ins that register only their
    // class keep the lists to the test's entries.
    for (const char* sibling : {"Selmont.dll", "Darrowin.dll"})
      ASSERT_TRUE(CopyFileA((DriverFolder() + "sibling-stand-ins\\" + sibling).c_str(),
                            (folder_ + sibling).c_str(), FALSE));
    if (const char* library = page().library) {
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
    ASSERT_TRUE(ChooseTreeEntry(main_, page().tree_entry));
    HWND host = FindWindowExA(main_, nullptr, "TPageControl", nullptr);
    sheet_ = FindWindowExA(host, nullptr, "TTabSheet", page().sheet);
    list_ = FindDescendant(sheet_, WC_LISTVIEWA, nullptr, nullptr);
    ASSERT_NE(list_, nullptr) << "no list on sheet " << page().sheet;
  }
  void Press(const char* caption) {
    HWND button = FindDescendant(sheet_, "Button", nullptr, caption);
    ASSERT_NE(button, nullptr) << "no button " << caption;
    ClickButton(button);
  }
  bool WaitForRows(int rows) {
    return WaitUntil([&] { return ListViewRows(list_) == rows; }, kTimeoutMs);
  }
  // Waits for the box, checks its text when one is given, answers it.
  void Answer(const std::string& caption, int button, const std::string& text = "") {
    HWND box = WaitForMessageBox(program_.id(), caption, kTimeoutMs);
    ASSERT_NE(box, nullptr) << "no box " << caption;
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
  const std::string path = SaveScreenshot(shot, std::string("inventory_") + page().sheet);
  EXPECT_FALSE(path.empty());
  std::cout << "screenshot: " << path << std::endl;

  // Export: the report, the box naming it, then Notepad with it.
  const std::string report = folder_ + page().report;
  Press("导出");
  Answer("已导出", IDOK, "文件生成在：" + report);
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(report, &bytes));
  EXPECT_EQ(bytes, expected);
  EXPECT_TRUE(WaitUntil([] { return !ProcessesNamed("notepad.exe").empty(); }, kTimeoutMs))
      << "Notepad did not start";

  // A report the program folder refuses (here a read-only file; in a session without elevation
  // the whole folder) goes to the user's folder, and Notepad opens that one.
  const std::string user_report = UserFolder() + page().report;
  DeleteFileA(user_report.c_str());
  SetFileAttributesA(report.c_str(), FILE_ATTRIBUTE_READONLY);
  const size_t editors = ProcessesNamed("notepad.exe").size();
  Press("导出");
  Answer("已导出", IDOK, "文件生成在：" + user_report);
  SetFileAttributesA(report.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(ReadFileBytes(user_report, &bytes));
  EXPECT_EQ(bytes, expected);
  EXPECT_TRUE(WaitUntil([&] { return ProcessesNamed("notepad.exe").size() > editors; },
                        kTimeoutMs))
      << "Notepad did not start for the user's copy";
  DeleteFileA(user_report.c_str());

  // The ticked rows go; the list is rebuilt before the result box comes.
  std::vector<std::string> stored;
  for (const Watched& w : page().watched) {
    stored.push_back(StoredTree(w.root, w.path, w.view, w.value));
    ASSERT_NE(stored.back(), "(none)") << w.path;
  }
  const std::vector<std::string> backups = BackupFiles();
  for (int row : page().ticks) ASSERT_TRUE(TickListViewRow(list_, row)) << row;
  Press(page().action);
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

  // The backup, written before anything went.
  const std::vector<std::string> added = NewBackups(backups);
  ASSERT_EQ(added.size(), 1u) << "no backup in " << BackupFolder();
  const std::string name = std::string(" ") + page().sheet + ".reg";
  EXPECT_EQ(added[0].substr(added[0].size() - name.size()), name);

  // Shown again from the tray with the page current, the page reads the registry again.
  PostMessageA(main_, WM_COMMAND, kCmdHide, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main_); }, kTimeoutMs));
  ASSERT_TRUE(page().put_more());
  ShowFromTray();
  EXPECT_TRUE(WaitForRows(page().rows_after + 1));

  // Restored by the Registry Editor, every key and value of the backup is back as it was
  // stored, in its view.
  ASSERT_TRUE(ImportRegFile(added[0])) << added[0];
  for (size_t i = 0; i < stored.size(); ++i) {
    const Watched& w = page().watched[i];
    EXPECT_EQ(StoredTree(w.root, w.path, w.view, w.value), stored[i]) << w.path;
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, InventoryPagesE2e, ::testing::Range(0, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(Cases()[info.param].sheet);
                         });

}  // namespace
}  // namespace e2e
