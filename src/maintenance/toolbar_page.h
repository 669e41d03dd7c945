#pragma once
// The toolbar and button page (TabSheet7, "IE工具栏"): the machine's browser buttons (one
// sub-key of Extensions each) and toolbars (one value of Toolbar each), buttons first. Removing a
// toolbar unregisters its class file and strikes its value; removing a button deletes its key.
// Nothing below Software\Classes\CLSID is deleted by the program itself.
#include <string>

#include "maintenance/inventory_page.h"

namespace orv {

inline constexpr char kButtonListKey[] = "Software\\Microsoft\\Internet Explorer\\Extensions";
inline constexpr char kToolbarListKey[] = "Software\\Microsoft\\Internet Explorer\\Toolbar";
inline constexpr char kToolbarExportFile[] = "toolbar.txt";
inline constexpr char kButtonType[] = "按钮";
inline constexpr char kToolbarType[] = "工具栏";

class ToolbarPage : public InventoryPage {
 public:
  enum Cell { kNumber = 0, kClassId, kType, kButtonText, kFile };

  ToolbarPage(const InventoryServices& services, const std::string& program_folder,
              const std::string& user_folder);

  const InventoryLayout& layout() const override;

  void TabSheet7Show() { Refresh(); }
  // Asks, removes each ticked row by its type cell (rows of another type stay), rebuilds the
  // list and reports "已完成", or how many entries are still there.
  void btn_IE_delToolbarClick() { RunAction(); }
  void btn_IEtoolbar_SaveAsClick() { Export(); }

  void RunAction() override;

 protected:
  void Fill() override;
  void BackUp(const CheckRow& row, const InventoryEntry& entry,
              RegistryBackup* backup) const override;
  // Removes one ticked row by its type cell; false when the row stays.
  bool Act(const CheckRow& row, const InventoryEntry& entry) override;
};

}  // namespace orv
