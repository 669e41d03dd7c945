#include "maintenance/auto_run_page.h"

#include <utility>
#include <vector>

#include "shell/orvanel_form.h"

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

AutoRunPage::AutoRunPage(const InventoryServices& services, const std::string& program_folder,
                         const std::string& user_folder)
    : InventoryPage(services, program_folder, user_folder, kAutoRunExportFile,
                    kPages[kAutoRunPageIndex].page_caption) {}

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
  // Every source in the own view (the user's keys are one for both views), then the machine's
  // sources in the other view.
  const std::vector<RegView> views = MachineViews();
  std::vector<std::pair<const Source*, RegView>> order;
  for (const Source& source : kSources)
    order.push_back({&source, source.root == RegRoot::LocalMachine ? views[0] : RegView::Own});
  for (size_t v = 1; v < views.size(); ++v)
    for (const Source& source : kSources)
      if (source.root == RegRoot::LocalMachine) order.push_back({&source, views[v]});
  for (const auto& [source, view] : order) {
    RegKey key = RegKey::Open(registry(), source->root, source->key, false, RegAccess::Read, view);
    const std::string location = ViewMark(view) + source->root_name + "\\" + source->key;
    for (const std::string& name : key.ValueNames())
      AddRow({name, ReadText(key, name, view), location},
             {source->root, source->key, name, /*is_value=*/true, view});
  }
}

void AutoRunPage::RunAction() {
  const int left = ActOnTicked(kConfirmDeleteCaption, "你想取消开机自动运行所选的程序吗？");
  if (left >= 0) ShowResult(left, "所选的程序已取消开机自动运行。", kDeleteCaption);
}

bool AutoRunPage::Act(const CheckRow&, const InventoryEntry& entry) {
  DeleteEntry(entry);
  return true;
}

}  // namespace orv
