#include "maintenance/toolbar_page.h"

#include "shell/orvanel_form.h"

namespace orv {

ToolbarPage::ToolbarPage(const InventoryServices& services, const std::string& program_folder,
                         const std::string& user_folder)
    : InventoryPage(services, program_folder, user_folder, kToolbarExportFile,
                    kPages[kToolbarPageIndex].page_caption) {}

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
  // Buttons, then toolbars, of the own view; then those of the other.
  for (RegView view : MachineViews()) {
    const std::string mark = ViewMark(view);
    RegKey buttons =
        RegKey::Open(registry(), machine, kButtonListKey, false, RegAccess::Read, view);
    for (const std::string& name : buttons.SubKeyNames()) {
      const std::string path = std::string(kButtonListKey) + "\\" + name;
      RegKey button = RegKey::Open(registry(), machine, path, false, RegAccess::Read, view);
      const InventoryEntry entry{machine, kButtonListKey, name, /*is_value=*/false, view};
      if (button)
        AddRow({mark + name, kButtonType, ReadText(button, "ButtonText", view),
                ReadText(button, "Exec", view)},
               entry);
      else
        AddRow({mark + name, "", "", ""}, entry);
    }
    RegKey toolbars =
        RegKey::Open(registry(), machine, kToolbarListKey, false, RegAccess::Read, view);
    for (const std::string& name : toolbars.ValueNames())
      AddRow({mark + name, kToolbarType, PlainStringValue(toolbars, name), ClassFile(name, view)},
             {machine, kToolbarListKey, name, /*is_value=*/true, view});
  }
}

void ToolbarPage::RunAction() {
  const int left =
      ActOnTicked(kConfirmDeleteCaption, "你想删除或卸载所选的项目吗？\r\n删除后将不可恢复！");
  if (left >= 0)
    ShowResult(left, "所选的工具栏/菜单已卸载。\r\n请关闭所有的IE及文件夹窗口再重新打开！",
               kDeleteCaption);
}

void ToolbarPage::BackUp(const CheckRow& row, const InventoryEntry& entry,
                         RegistryBackup* backup) const {
  // A toolbar's unregistration takes its class key away.
  if (row.cells[kType] == kToolbarType)
    backup->AddKey(RegRoot::LocalMachine, ClassKey(entry.name), entry.view);
  if (row.cells[kType] == kToolbarType || row.cells[kType] == kButtonType)
    InventoryPage::BackUp(row, entry, backup);
}

bool ToolbarPage::Act(const CheckRow& row, const InventoryEntry& entry) {
  if (row.cells[kType] == kToolbarType) {
    Unregister(row.cells[kFile], entry.view);
    DeleteEntry(entry);
    return true;
  }
  if (row.cells[kType] == kButtonType) {
    DeleteEntry(entry);
    return true;
  }
  return false;  // a button whose key did not open: nothing to act on
}

}  // namespace orv
