#include "maintenance/menu_ext_page.h"

#include "shell/orvanel_form.h"

namespace orv {

MenuExtPage::MenuExtPage(const InventoryServices& services, const std::string& program_folder,
                         const std::string& user_folder)
    : InventoryPage(services, program_folder, user_folder, kMenuExtExportFile,
                    kPages[kMenuExtPageIndex].page_caption) {}

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
    // A key that does not open reads as empty.
    AddRow({name, entry.ReadString("")},
           {RegRoot::CurrentUser, kMenuExtListKey, name, /*is_value=*/false, RegView::Own});
  }
}

void MenuExtPage::RunAction() {
  const int left = ActOnTicked(kConfirmDeleteCaption, "你想删除所选的项目吗？\r\n删除后将不可恢复！");
  ShowResult(left, "", kDeleteCaption);  // nothing to say when all went
}

bool MenuExtPage::Act(const CheckRow&, const InventoryEntry& entry) {
  DeleteEntry(entry);
  return true;
}

}  // namespace orv
