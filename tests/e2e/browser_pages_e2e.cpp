// The three browser settings pages of the real program, driven as the user drives them: the
// navigation tree, keys on the lists and edits, button clicks and the message boxes. What the
// pages write is read back from the registry (both views of HKEY_LOCAL_MACHINE) and the files.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <iostream>
#include <string>
#include <vector>

#include "harness.h"
#include "registry_backups.h"
#include "remote_controls.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr int kActiveXPage = 3, kIESettingsPage = 4, kUrlShortcutPage = 9;

const char kKillBitRoot[] = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{";
const char kIEKey[] = "Software\\Microsoft\\Internet Explorer";
const char kMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
const char kFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

struct StoredValue {
  bool exists = false;
  DWORD type = REG_NONE;
  std::string data;  // texts without their terminating NUL
};

StoredValue ReadValue(HKEY root, const char* key, const char* name, REGSAM view = 0) {
  StoredValue v;
  HKEY k;
  if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &k) != ERROR_SUCCESS) return v;
  char data[4096];
  DWORD size = sizeof(data);
  if (RegQueryValueExA(k, name, nullptr, &v.type, reinterpret_cast<BYTE*>(data), &size) ==
      ERROR_SUCCESS) {
    v.exists = true;
    v.data.assign(data, size);
    if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && !v.data.empty() && v.data.back() == '\0')
      v.data.pop_back();
  }
  RegCloseKey(k);
  return v;
}

void WriteValue(HKEY root, const char* key, const char* name, const StoredValue& v) {
  HKEY k;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
      ERROR_SUCCESS)
    return;
  if (!v.exists) {
    RegDeleteValueA(k, name);
  } else {
    std::string bytes = v.data;
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) bytes += '\0';
    RegSetValueExA(k, name, 0, v.type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
  }
  RegCloseKey(k);
}

// The views of 64-bit Windows the program's kill bits must reach.
constexpr REGSAM kViews[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};

std::string KillBitKey(const std::string& clsid) { return kKillBitRoot + clsid + "}"; }

void DeleteKillBit(const std::string& clsid) {
  for (REGSAM view : kViews)
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, KillBitKey(clsid).c_str(), view, 0);
}

std::string SendGetText(HWND window) {
  char text[4096] = {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, kTimeoutMs, &length))
    return "<no answer>";
  return std::string(text, length);
}

class BrowserPagesE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    folder_ = MakeProgramFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override {
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
  }

  // Starts the program and shows its window as a click on the tray icon does.
  void StartAndShow() {
    ASSERT_TRUE(program_.Start(folder_ + "Orvanel.exe"));
    main_ = WaitForMainWindow(program_.id(), kTimeoutMs);
    ASSERT_NE(main_, nullptr);
    ASSERT_TRUE(PostMessageA(main_, kTrayCallback, kTrayIconId, WM_LBUTTONUP));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main_) != FALSE; }, kTimeoutMs));
  }
  void Sync() {
    DWORD_PTR ignored;
    SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored);
  }
  // Selects tree entry `index` and returns the container of that page's controls.
  HWND ShowPage(int index, const char* sheet_caption) {
    ChooseTreeEntry(main_, index);
    Sync();
    HWND sheet = FindDescendant(main_, "TTabSheet", nullptr, sheet_caption);
    EXPECT_TRUE(sheet && IsWindowVisible(sheet)) << sheet_caption << " is not shown";
    return sheet ? FindWindowExA(sheet, nullptr, nullptr, nullptr) : nullptr;
  }
  // The page's edits in the order they were made.
  static std::vector<HWND> Edits(HWND page) {
    std::vector<HWND> edits;
    for (HWND e = FindWindowExA(page, nullptr, "Edit", nullptr); e;
         e = FindWindowExA(page, e, "Edit", nullptr))
      edits.push_back(e);
    return edits;
  }
  // A click on the page's button with this caption.
  void Click(HWND page, const char* caption) {
    HWND button = FindWindowExA(page, nullptr, "Button", caption);
    ASSERT_TRUE(button && IsWindowEnabled(button)) << caption << " is missing or disabled";
    ClickButton(button);
  }
  // The user's keys on a list: Home or End, then Space ticks the focused row's box. Posted
  // input comes after sent messages, so the caller waits for its effect.
  void TickWithKeys(HWND list, WPARAM where) {
    PostMessageA(list, WM_KEYDOWN, where, 0);
    PostMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(list, WM_KEYUP, VK_SPACE, 0);
  }
  static bool Ticked(HWND list, int row) {
    return (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) &
            LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  }
  // Waits for the program's message box with this caption, checks its text and answers it.
  void Answer(const char* caption, const std::string& text, int button) {
    HWND box = WaitForMessageBox(program_.id(), caption, kTimeoutMs);
    ASSERT_NE(box, nullptr) << "no message box " << caption;
    EXPECT_EQ(MessageBoxText(box), text);
    AnswerMessageBox(box, button);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, kTimeoutMs));
    Sync();
  }
  std::string Screenshot(const char* name) {
    Sync();
    Sleep(300);  // painting is asynchronous
    e2e::Screenshot shot;
    if (!CaptureDesktop(&shot)) return "";
    last_shot_ = shot;
    const std::string path = SaveScreenshot(shot, name);
    std::cout << "screenshot: " << path << std::endl;
    return path;
  }
  // Whether the last screenshot has a pixel of this colour inside the window's rectangle.
  bool ShotHasColour(HWND window, COLORREF colour) {
    RECT r;
    GetWindowRect(window, &r);
    for (int y = std::max<LONG>(r.top, 0); y < r.bottom && y < last_shot_.height; ++y)
      for (int x = std::max<LONG>(r.left, 0); x < r.right && x < last_shot_.width; ++x) {
        const unsigned char* p = &last_shot_.rgb[(static_cast<size_t>(y) * last_shot_.width + x) * 3];
        if (RGB(p[0], p[1], p[2]) == colour) return true;
      }
    return false;
  }

  std::string folder_;
  Process program_;
  HWND main_ = nullptr;
  e2e::Screenshot last_shot_;
};

TEST_F(BrowserPagesE2e, ImmuniseAListedControlInBothRegistryViewsAndRemoveIt) {
  const std::string list_path = folder_ + "conf\\antix_data.ini";
  const std::string clsid = IniValue(list_path, "List", "v0");
  ASSERT_EQ(clsid.size(), 36u) << "the delivered list's first entry";
  DeleteKillBit(clsid);
  StartAndShow();
  HWND page = ShowPage(kActiveXPage, "antiX");
  HWND list = FindWindowExA(page, nullptr, WC_LISTVIEWA, nullptr);
  ASSERT_NE(list, nullptr);
  const int delivered = static_cast<int>(IniKeys(list_path, "List").size()) / 2;
  EXPECT_TRUE(WaitUntil([&] { return ListViewRows(list) == delivered; }, kTimeoutMs))
      << ListViewRows(list) << " rows for " << delivered << " entries";

  TickWithKeys(list, VK_HOME);
  ASSERT_TRUE(WaitUntil([&] { return Ticked(list, 0); }, kTimeoutMs))
      << "Space did not tick the first row";
  EXPECT_FALSE(Ticked(list, 1));
  Click(page, "免疫");
  Answer("免疫完成", "已免疫项目：1", IDOK);
  for (REGSAM view : kViews) {
    const StoredValue flags =
        ReadValue(HKEY_LOCAL_MACHINE, KillBitKey(clsid).c_str(), "Compatibility Flags", view);
    EXPECT_EQ(flags.type, static_cast<DWORD>(REG_DWORD)) << "view " << view;
    EXPECT_EQ(flags.data, std::string("\x00\x04\x00\x00", 4)) << "view " << view;
  }
  // The other rows are not immune: red text on light green.
  ASSERT_FALSE(Screenshot("activex_page").empty());
  EXPECT_TRUE(ShotHasColour(list, RGB(202, 253, 225))) << "no light green row";
  EXPECT_TRUE(ShotHasColour(list, RGB(255, 0, 0))) << "no red text";

  // A value beside the flags in one view: removing immunity takes the whole key, and its backup
  // brings back each view's key as it was.
  HKEY alternate;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, KillBitKey(clsid).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &alternate, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(alternate, "AlternateCLSID", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>("{00000000-0000-0000-0000-000000000001}"), 39);
  RegCloseKey(alternate);
  std::vector<std::string> stored;
  for (REGSAM view : kViews) stored.push_back(StoredTree(HKEY_LOCAL_MACHINE, KillBitKey(clsid), view));
  EXPECT_NE(stored[0], stored[1]);
  const std::vector<std::string> backups = BackupFiles();
  Click(page, "取消免疫");
  Answer("取消免疫", "已取消免疫项目：1", IDOK);
  for (REGSAM view : kViews) {
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, KillBitKey(clsid).c_str(), 0, KEY_READ | view,
                            &key),
              ERROR_SUCCESS)
        << "the key is left in view " << view;
  }
  const std::vector<std::string> added = NewBackups(backups);
  ASSERT_EQ(added.size(), 1u) << "no backup in " << BackupFolder();
  EXPECT_EQ(added[0].substr(added[0].size() - 10), " antiX.reg");
  ASSERT_TRUE(ImportRegFile(added[0])) << added[0];
  for (size_t v = 0; v < 2; ++v)
    EXPECT_EQ(StoredTree(HKEY_LOCAL_MACHINE, KillBitKey(clsid), kViews[v]), stored[v]) << "view " << v;
  DeleteKillBit(clsid);
}

TEST_F(BrowserPagesE2e, ApplyTheIESettingsPageWritesEveryValueWithItsType) {
  const std::string search = "http://www.microsoft.com/isapi/redir.dll?prd=ie&ar=iesearch";
  // The six values apply writes: what the test stores first (put: false leaves the prefix's
  // value), what it wants after apply, and the prefix's own value, put back after the test.
  struct Value {
    HKEY root;
    const char *key, *name;
    bool put;
    StoredValue before;
    DWORD type;
    std::string after;
    StoredValue saved;
  } values[] = {
      {HKEY_LOCAL_MACHINE, kIEKey, "Version", false, {}, REG_SZ, "(as shown)", {}},
      {HKEY_CURRENT_USER, kMainKey, "Window Title", true, {true, REG_SZ, "e2e 标题"}, REG_SZ,
       "Microsoft Internet Explorer", {}},
      {HKEY_CURRENT_USER, kMainKey, "Start Page", true, {true, REG_SZ, "about:e2"}, REG_SZ,
       "about:e2e", {}},
      {HKEY_CURRENT_USER, kMainKey, "Search Page", true, {}, REG_SZ, search, {}},
      {HKEY_CURRENT_USER, kMainKey, "Save Directory", true, {true, REG_SZ, "C:\\下载"}, REG_SZ,
       "C:\\下载", {}},
      {HKEY_CURRENT_USER, kFoldersKey, "Cache", true, {true, REG_EXPAND_SZ, "%USERPROFILE%\\e2e-cache"},
       REG_EXPAND_SZ, "%USERPROFILE%\\e2e-cache", {}},
  };
  for (Value& v : values) {
    v.saved = ReadValue(v.root, v.key, v.name);
    if (v.put) WriteValue(v.root, v.key, v.name, v.before);
  }
  struct Restore {
    Value* begin;
    Value* end;
    ~Restore() {
      for (Value* v = begin; v != end; ++v) WriteValue(v->root, v->key, v->name, v->saved);
    }
  } restore{std::begin(values), std::end(values)};
  StartAndShow();
  HWND page = ShowPage(kIESettingsPage, "IE");
  const std::vector<HWND> edits = Edits(page);
  ASSERT_EQ(edits.size(), 9u);
  EXPECT_EQ(SendGetText(edits[1]), "e2e 标题");
  EXPECT_EQ(SendGetText(edits[5]), "%USERPROFILE%\\e2e-cache") << "shown unexpanded";
  values[0].after = SendGetText(edits[0]);
  HWND apply = FindWindowExA(page, nullptr, "Button", "应用");
  ASSERT_NE(apply, nullptr);
  EXPECT_FALSE(IsWindowEnabled(apply));
  for (int read_only : {6, 7, 8}) EXPECT_FALSE(IsWindowEnabled(edits[read_only]));

  // A character typed at the end of the start page marks the page changed.
  SendMessageA(edits[2], EM_SETSEL, 8, 8);
  PostMessageA(edits[2], WM_CHAR, 'e', 1);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(apply) != FALSE; }, kTimeoutMs))
      << "typing did not enable 应用";
  Click(page, "恢复默认设置");
  EXPECT_TRUE(WaitUntil([&] { return SendGetText(edits[1]) == values[1].after; }, kTimeoutMs));
  ASSERT_FALSE(Screenshot("ie_settings_page").empty());
  Click(page, "应用");
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(apply); }, kTimeoutMs));
  for (const Value& v : values) {
    const StoredValue got = ReadValue(v.root, v.key, v.name);
    EXPECT_EQ(got.type, v.type) << v.name;
    EXPECT_EQ(got.data, v.after) << v.name;
  }
}

TEST_F(BrowserPagesE2e, AddAndDeleteAShortcutInTheShortcutFile) {
  const std::string path = folder_ + "conf\\urlShortcut.ini";
  const int stored = static_cast<int>(IniKeys(path, "UrlShortcut").size()) / 2;
  ASSERT_GT(stored, 0) << "the delivered shortcuts";
  StartAndShow();
  HWND page = ShowPage(kUrlShortcutPage, "快捷网址");
  HWND list = FindWindowExA(page, nullptr, WC_LISTVIEWA, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ListViewRows(list), stored + 2) << "the two built-in rows and the file's";

  const std::vector<HWND> edits = Edits(page);
  ASSERT_EQ(edits.size(), 2u);
  SendMessageA(edits[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("etest"));
  SendMessageA(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("http://e2e.example/页面"));
  Click(page, "添加");
  Answer("已添加", "新的快捷网址已添加。", IDOK);
  const std::string key = std::to_string(stored);
  EXPECT_EQ(IniValue(path, "UrlShortcut", "s" + key), "etest");
  EXPECT_EQ(IniValue(path, "UrlShortcut", "v" + key), "http://e2e.example/页面");
  EXPECT_EQ(ListViewRows(list), stored + 3);
  ASSERT_FALSE(Screenshot("url_shortcut_page").empty());

  TickWithKeys(list, VK_END);
  ASSERT_TRUE(WaitUntil([&] { return Ticked(list, stored + 2); }, kTimeoutMs))
      << "Space did not tick the last row";
  Click(page, "删除");
  Answer("确认删除", "你想删除所选的快捷网址吗？", IDYES);
  EXPECT_TRUE(WaitUntil([&] { return ListViewRows(list) == stored + 2; }, kTimeoutMs));
  bool found = true;
  IniValue(path, "UrlShortcut", "s" + key, &found);
  EXPECT_FALSE(found) << "s" << key << " is still in the file";
  IniValue(path, "UrlShortcut", "v" + key, &found);
  EXPECT_FALSE(found);
  EXPECT_EQ(IniValue(path, "UrlShortcut", "s0"), "baidu") << "the delivered entries stay";
}

}  // namespace
}  // namespace e2e
