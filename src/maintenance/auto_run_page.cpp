#include "maintenance/auto_run_page.h"

#include <vector>

namespace orv {

namespace {

struct Source {
  RegRoot root;
  const char* root_name;
  const char* key;
};
constexpr Source kSources[] = {
    {RegRoot::LocalMachine, kMachineRootName, kRunListKey},
    {RegRoot::LocalMachine, kMachineRootName, kRunOnceListKey},
    {RegRoot::CurrentUser, kUserRootName, kRunListKey},
    {RegRoot::CurrentUser, kUserRootName, kRunOnceListKey},
};

}  // namespace

const InventoryLayout& AutoRunPage::layout() const {
  static const InventoryLayout layout{
      {{nullptr, 40}, {"启动项目", 100}, {"执行文件", 200}, {"注册表位置", 0}},
      {kRefreshCaption, kRefreshHint},
      {kDeleteCaption, "取消所选程序在开机自动运行"},
      {kExportCaption, "将开机自动运行程序的列表导出到文本文件"},
      /*fill_with_redraw_suspended=*/true,
  };
  return layout;
}

void AutoRunPage::Fill() {
  for (const Source& source : kSources) {
    // The user's keys are one for both views.
    const std::vector<RegView> views =
        source.root == RegRoot::LocalMachine ? MachineViews() : std::vector<RegView>{RegView::Own};
    for (RegView view : views) {
      RegKey key = RegKey::Open(registry(), source.root, source.key, false, RegAccess::Read, view);
      const std::string location = ViewMark(view) + source.root_name + "\\" + source.key;
      for (const std::string& name : key.ValueNames())
        AddRow({name, key.ReadString(name), location});
    }
  }
}

void AutoRunPage::RunAction() {
  const bool confirmed = ActOnTicked(
      kConfirmDeleteCaption, "你想取消开机自动运行所选的程序吗？", [this](const CheckRow& row) {
        std::string location;
        const RegView view = TakeViewMark(row.cells[kLocation], &location);
        const size_t cut = location.find('\\');
        if (cut == std::string::npos) return true;  // names no key: nothing to delete
        const RegRoot root = location.compare(0, cut, kMachineRootName) == 0 ? RegRoot::LocalMachine
                                                                             : RegRoot::CurrentUser;
        RegKey::Open(registry(), root, location.substr(cut + 1), false, RegAccess::Full, view)
            .DeleteValue(row.cells[kItem]);
        return true;
      });
  if (confirmed) ShowDone("所选的程序已取消开机自动运行。");
}

}  // namespace orv
