#include "maintenance/helper_object_page.h"

#include "shell/orvanel_form.h"

namespace orv {

bool IsProtectedSearchHook(const std::string& name) {
  std::string upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper == kProtectedSearchHook;
}

HelperObjectPage::HelperObjectPage(const InventoryServices& services,
                                   const std::string& program_folder,
                                   const std::string& user_folder)
    : InventoryPage(services, program_folder, user_folder, kHelperObjectExportFile,
                    kPages[kHelperObjectPageIndex].page_caption) {}

const InventoryLayout& HelperObjectPage::layout() const {
  static const InventoryLayout layout{
      {{nullptr, 40}, {"CLSID", 150}, {"类型", 60}, {"向系统注册的文件", 0}},
      {kRefreshCaption, kRefreshHint},
      {"卸载", "卸载所选的BHO程序"},
      {kExportCaption, "将BHO程序列表导出到文本文件"},
  };
  return layout;
}

void HelperObjectPage::Fill() {
  for (RegView view : MachineViews()) {
    const std::string mark = ViewMark(view);
    RegKey objects = RegKey::Open(registry(), RegRoot::LocalMachine, kHelperObjectListKey, false,
                                  RegAccess::Read, view);
    for (const std::string& name : objects.SubKeyNames())
      AddRow({mark + name, kHelperObjectType, ClassFile(name, view)},
             {RegRoot::LocalMachine, kHelperObjectListKey, name, /*is_value=*/false, view});
    // The user's hooks are one list for both views. Each is listed with its class in the own
    // view, and again for the other view where its class is registered there too.
    RegKey hooks =
        RegKey::Open(registry(), RegRoot::CurrentUser, kSearchHookListKey, false, RegAccess::Read);
    for (const std::string& name : hooks.ValueNames()) {
      if (!IsOwnView(view) &&
          !registry().KeyExists(RegRoot::LocalMachine, ClassKey(name) + "\\InprocServer32", view))
        continue;
      const std::string cell = IsProtectedSearchHook(name) ? kProtectedMarker + name : name;
      AddRow({mark + cell, kSearchHookType, ClassFile(name, view)},
             {RegRoot::CurrentUser, kSearchHookListKey, name, /*is_value=*/true, view});
    }
  }
}

void HelperObjectPage::RunAction() {
  const int left = ActOnTicked("确认卸载", "你想卸载所选的浏览器辅助或扩展程序吗？");
  if (left >= 0)
    ShowResult(left, "所选的程序已卸载。\r\n请关闭所有的IE及文件夹窗口再重新打开！", "卸载");
}

bool HelperObjectPage::IsProtected(const InventoryEntry& entry) {
  return entry.root == RegRoot::CurrentUser && IsProtectedSearchHook(entry.name);
}

void HelperObjectPage::BackUp(const CheckRow& row, const InventoryEntry& entry,
                              RegistryBackup* backup) const {
  if (IsProtected(entry)) return;
  // What the file's unregistration takes away: its class key and its entry in the list.
  backup->AddKey(RegRoot::LocalMachine, ClassKey(entry.name), entry.view);
  InventoryPage::BackUp(row, entry, backup);
}

bool HelperObjectPage::Act(const CheckRow& row, const InventoryEntry& entry) {
  if (IsProtected(entry)) {
    boxes().Show(row.cells[kClassId] + "\r\n此程序为默认的系统扩展程序，不能卸载！", "禁止卸载",
                 BoxButtons::Ok, BoxIcon::Warning);
    return false;
  }
  Unregister(row.cells[kFile], entry.view);
  return true;
}

// The unregistration runs on its own after the walk, so its end is not seen here: an entry that
// is still there counts as removed when RegSvr32 was started with a file and this process may
// change the keys the unregistration removes (a session without elevation may not change
// HKEY_LOCAL_MACHINE).
bool HelperObjectPage::Removed(const CheckRow& row, const InventoryEntry& entry) const {
  if (!EntryExists(entry)) return true;
  const std::string& file = row.cells[kFile];
  return !file.empty() && CanStandInQuotes(file) &&
         CanChange(RegRoot::LocalMachine, ClassKey(entry.name), entry.view) &&
         CanChange(entry.root, entry.KeyPath(), entry.view);
}

}  // namespace orv
