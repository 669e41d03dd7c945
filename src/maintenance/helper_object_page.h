#pragma once
// The helper object and search hook page (TabSheet8, "浏览器辅助及扩展"): the machine's browser
// helper objects (one sub-key each) and the current user's URL search hooks (one value each),
// helper objects first. Unloading runs each ticked entry's own unregistration; the page deletes
// nothing itself, so an entry whose file does not remove it is listed again. The system's
// default search hook is marked and never unloaded.
#include <string>

#include "maintenance/inventory_page.h"

namespace orv {

inline constexpr char kHelperObjectListKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
inline constexpr char kSearchHookListKey[] =
    "Software\\Microsoft\\Internet Explorer\\URLSearchHooks";
inline constexpr char kHelperObjectExportFile[] = "ExtentProgram.txt";
inline constexpr char kHelperObjectType[] = "BHO";
inline constexpr char kSearchHookType[] = "网址监控";
inline constexpr char kProtectedSearchHook[] = "{CFBFAE00-17A6-11D0-99CB-00C04FD64497}";
inline constexpr char kProtectedMarker[] = "系统扩展，勿卸载！";

class HelperObjectPage : public InventoryPage {
 public:
  enum Cell { kNumber = 0, kClassId, kType, kFile };

  HelperObjectPage(const InventoryServices& services, const std::string& program_folder,
                   const std::string& user_folder);

  const InventoryLayout& layout() const override;

  void TabSheet8Show() { Refresh(); }
  // Asks, refuses each ticked protected row with "禁止卸载", unregisters the other ticked rows'
  // files, rebuilds the list and reports "已完成", or how many cannot be unloaded.
  void btn_IE_delbhoClick() { RunAction(); }
  void btn_bho_SaveAsClick() { Export(); }

  void RunAction() override;

 protected:
  void Fill() override;
  void BackUp(const CheckRow& row, const InventoryEntry& entry,
              RegistryBackup* backup) const override;
  bool Act(const CheckRow& row, const InventoryEntry& entry) override;
  bool Removed(const CheckRow& row, const InventoryEntry& entry) const override;

 private:
  // The system's default search hook, in either view: never unloaded.
  static bool IsProtected(const InventoryEntry& entry);
};

// Whether a search hook's name is the default hook's identifier in any case of its letters.
bool IsProtectedSearchHook(const std::string& name);

}  // namespace orv
