#pragma once
// The start-up program page (TabSheet9, "开机自动运行"): the values of the Run and RunOnce keys
// of the machine and of the current user, in that order. Each row's location cell shows where it
// came from; the delete acts where the row was read. Only the value is deleted, never the
// program it names.
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

  AutoRunPage(const InventoryServices& services, const std::string& program_folder,
              const std::string& user_folder);

  const InventoryLayout& layout() const override;

  void TabSheet9Show() { Refresh(); }
  // Asks, deletes each ticked value where its row was read, rebuilds the list and reports
  // "已完成", or how many values are still there.
  void btn_IE_delAutoStartClick() { RunAction(); }
  void btn_AutoStart_SaveAsClick() { Export(); }

  void RunAction() override;

 protected:
  void Fill() override;
  bool Act(const CheckRow& row, const InventoryEntry& entry) override;
};

}  // namespace orv
