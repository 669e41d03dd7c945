#include "maintenance/menu_ext_page.h"

namespace orv {

const InventoryLayout& MenuExtPage::layout() const {
  static const InventoryLayout layout{
      {{nullptr, 40}, {"名称", 150}, {"执行文件", 0}},
      {kRefreshCaption, kRefreshHint},
      {kDeleteCaption, kDeleteHint},
      {kExportCaption, kExportHint},
  };
  return layout;
}

void MenuExtPage::Fill() {
  RegKey entries =
      RegKey::Open(registry(), RegRoot::CurrentUser, kMenuExtListKey, false, RegAccess::Read);
  for (const std::string& name : entries.SubKeyNames()) {
    const std::string path = std::string(kMenuExtListKey) + "\\" + name;
    RegKey entry = RegKey::Open(registry(), RegRoot::CurrentUser, path, false, RegAccess::Read);
    AddRow({name, entry.ReadString("")});  // a key that does not open reads as empty
  }
}

void MenuExtPage::RunAction() {
  ActOnTicked(kConfirmDeleteCaption, "你想删除所选的项目吗？\r\n删除后将不可恢复！",
              [this](const CheckRow& row) {
                DeleteSubKey(RegRoot::CurrentUser, kMenuExtListKey, row.cells[kName]);
                return true;
              });
}

}  // namespace orv
