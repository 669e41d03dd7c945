#pragma once
// The context-menu extension page (TabSheet6, "IE右键菜单"): the entries of the browser's
// context menu for the current user, each a sub-key of MenuExt whose default value names the
// page or file it runs. The program's own two entries are listed and deleted like any other.
#include <string>

#include "maintenance/inventory_page.h"

namespace orv {

inline constexpr char kMenuExtListKey[] = "Software\\Microsoft\\Internet Explorer\\MenuExt";
inline constexpr char kMenuExtExportFile[] = "menu.txt";

class MenuExtPage : public InventoryPage {
 public:
  // Columns after the number.
  enum Cell { kNumber = 0, kName, kFile };

  MenuExtPage(const InventoryServices& services, const std::string& program_folder,
              const std::string& user_folder);

  const InventoryLayout& layout() const override;

  void TabSheet6Show() { Refresh(); }
  // Asks, then deletes each ticked entry's key with everything below it; no message follows
  // unless some are still there.
  void btn_IE_delMenuClick() { RunAction(); }
  void btn_IEmenu_SaveAsClick() { Export(); }

  void RunAction() override;

 protected:
  void Fill() override;
  bool Act(const CheckRow& row, const InventoryEntry& entry) override;
};

}  // namespace orv
