#pragma once
// The start-up program page (TabSheet9, "开机自动运行"): the values of the Run and RunOnce keys
// of the machine and of the current user, in that order. Each row's location cell is the only
// record of where it came from; deleting a row reads it back. Only the value is deleted, never
// the program it names.
#include <string>

#include "maintenance/inventory_page.h"

namespace orv {

inline constexpr char kRunListKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunOnceListKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr char kAutoRunExportFile[] = "AutoStart.txt";
inline constexpr char kMachineRootName[] = "HKEY_LOCAL_MACHINE";
inline constexpr char kUserRootName[] = "HKEY_CURRENT_USER";

class AutoRunPage : public InventoryPage {
 public:
  enum Cell { kNumber = 0, kItem, kCommand, kLocation };

  AutoRunPage(const InventoryServices& services, const std::string& program_folder)
      : InventoryPage(services, program_folder, kAutoRunExportFile) {}

  const InventoryLayout& layout() const override;

  void TabSheet9Show() { Refresh(); }
  // Asks, deletes each ticked value where its location cell says, rebuilds the list and reports
  // "已完成" whatever was ticked or deleted.
  void btn_IE_delAutoStartClick() { RunAction(); }
  void btn_AutoStart_SaveAsClick() { Export(); }

  void RunAction() override;

 protected:
  void Fill() override;
};

}  // namespace orv
