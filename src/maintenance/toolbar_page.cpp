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
  RegKey buttons = RegKey::Open(registry(), machine, kButtonListKey, false, RegAccess::Read);
  for (const std::string& name : buttons.SubKeyNames()) {
    const std::string path = std::string(kButtonListKey) + "\\" + name;
    RegKey button = RegKey::Open(registry(), machine, path, false, RegAccess::Read);
    if (button)
      AddRow({name, kButtonType, button.ReadString("ButtonText"), button.ReadString("Exec")});
    else
      AddRow({name, "", "", ""});
  }
  RegKey toolbars = RegKey::Open(registry(), machine, kToolbarListKey, false, RegAccess::Read);
  for (const std::string& name : toolbars.ValueNames())
    AddRow({name, kToolbarType, PlainStringValue(toolbars, name), ClassFile(name)});
}

void ToolbarPage::RunAction() {
  const bool confirmed = ActOnTicked(
      kConfirmDeleteCaption, "你想删除或卸载所选的项目吗？\r\n删除后将不可恢复！",
      [this](const CheckRow& row) {
        const std::string& type = row.cells[kType];
        if (type == kToolbarType) {
          Unregister(row.cells[kFile]);
          RegKey list = RegKey::Open(registry(), RegRoot::LocalMachine, kToolbarListKey, false);
          list.DeleteValue(row.cells[kClassId]);
          return true;
        }
        if (type == kButtonType) {
          DeleteSubKey(RegRoot::LocalMachine, kButtonListKey, row.cells[kClassId]);
          return true;
        }
        return false;  // a button whose key did not open: nothing to act on
      });
  if (confirmed) ShowDone("所选的工具栏/菜单已卸载。\r\n请关闭所有的IE及文件夹窗口再重新打开！");
}

}  // namespace orv
