#include "maintenance/toolbar_page.h"

namespace orv {

const InventoryLayout& ToolbarPage::layout() const {
  static const InventoryLayout layout{
      {{nullptr, 40}, {"CLSID", 100}, {"类型", 50}, {"按钮文字", 100}, {"执行文件", 0}},
      {kRefreshCaption, kRefreshHint},
      {kDeleteCaption, kDeleteHint},
      {kExportCaption, kExportHint},
  };
  return layout;
}

void ToolbarPage::Fill() {
  const RegRoot machine = RegRoot::LocalMachine;
  for (RegView view : MachineViews()) {
    const std::string mark = ViewMark(view);
    RegKey buttons =
        RegKey::Open(registry(), machine, kButtonListKey, false, RegAccess::Read, view);
    for (const std::string& name : buttons.SubKeyNames()) {
      const std::string path = std::string(kButtonListKey) + "\\" + name;
      RegKey button = RegKey::Open(registry(), machine, path, false, RegAccess::Read, view);
      if (button)
        AddRow(
            {mark + name, kButtonType, button.ReadString("ButtonText"), button.ReadString("Exec")});
      else
        AddRow({mark + name, "", "", ""});
    }
  }
  for (RegView view : MachineViews()) {
    RegKey toolbars =
        RegKey::Open(registry(), machine, kToolbarListKey, false, RegAccess::Read, view);
    for (const std::string& name : toolbars.ValueNames())
      AddRow({ViewMark(view) + name, kToolbarType, PlainStringValue(toolbars, name),
              ClassFile(name, view)});
  }
}

void ToolbarPage::RunAction() {
  const bool confirmed =
      ActOnTicked(kConfirmDeleteCaption, "你想删除或卸载所选的项目吗？\r\n删除后将不可恢复！",
                  [this](const CheckRow& row) { return Remove(row); });
  if (confirmed) ShowDone("所选的工具栏/菜单已卸载。\r\n请关闭所有的IE及文件夹窗口再重新打开！");
}

bool ToolbarPage::Remove(const CheckRow& row) {
  std::string class_id;
  const RegView view = TakeViewMark(row.cells[kClassId], &class_id);
  if (row.cells[kType] == kToolbarType) {
    Unregister(row.cells[kFile]);
    RegKey::Open(registry(), RegRoot::LocalMachine, kToolbarListKey, false, RegAccess::Full, view)
        .DeleteValue(class_id);
    return true;
  }
  if (row.cells[kType] == kButtonType) {
    DeleteSubKey(RegRoot::LocalMachine, kButtonListKey, class_id, view);
    return true;
  }
  return false;  // a button whose key did not open: nothing to act on
}

}  // namespace orv
