#include "maintenance/helper_object_page.h"

namespace orv {

bool IsProtectedSearchHook(const std::string& name) {
  std::string upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper == kProtectedSearchHook;
}

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
    RegKey objects = RegKey::Open(registry(), RegRoot::LocalMachine, kHelperObjectListKey, false,
                                  RegAccess::Read, view);
    for (const std::string& name : objects.SubKeyNames())
      AddRow({ViewMark(view) + name, kHelperObjectType, ClassFile(name, view)});
  }
  // The user's hooks are one list for both views; their classes are looked up in the program's.
  RegKey hooks =
      RegKey::Open(registry(), RegRoot::CurrentUser, kSearchHookListKey, false, RegAccess::Read);
  for (const std::string& name : hooks.ValueNames()) {
    const std::string cell = IsProtectedSearchHook(name) ? kProtectedMarker + name : name;
    AddRow({cell, kSearchHookType, ClassFile(name)});
  }
}

void HelperObjectPage::RunAction() {
  const bool confirmed = ActOnTicked(
      "确认卸载", "你想卸载所选的浏览器辅助或扩展程序吗？", [this](const CheckRow& row) {
        const std::string& class_cell = row.cells[kClassId];
        if (class_cell.compare(0, sizeof kProtectedPrefix - 1, kProtectedPrefix) == 0) {
          boxes().Show(class_cell + "\r\n此程序为默认的系统扩展程序，不能卸载！", "禁止卸载",
                       BoxButtons::Ok, BoxIcon::Warning);
          return false;
        }
        Unregister(row.cells[kFile]);
        return true;
      });
  if (confirmed) ShowDone("所选的程序已卸载。\r\n请关闭所有的IE及文件夹窗口再重新打开！");
}

}  // namespace orv
