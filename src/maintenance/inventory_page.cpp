#include "maintenance/inventory_page.h"

#include "base/errors.h"
#include "shell/startup_integration.h"

namespace orv {

InventoryPage::InventoryPage(const InventoryServices& services, const std::string& program_folder,
                             const std::string& export_file)
    : services_(services), program_folder_(program_folder), export_file_(export_file) {}

void InventoryPage::Refresh() {
  // The list is redrawn however the rebuild ends.
  struct Told {
    const std::function<void()>& listener;
    ~Told() {
      if (listener) listener();
    }
  } told{rows_changed_};
  list_.Clear();
  Fill();
}

void InventoryPage::AddRow(std::vector<std::string> cells) {
  cells.insert(cells.begin(), std::to_string(list_.size() + 1));
  list_.Append(std::move(cells));
}

std::string InventoryPage::ReportLine(const CheckRow& row) {
  std::string line = row.cells.empty() ? std::string() : row.cells[0];
  line += ". ";
  for (size_t i = 1; i < row.cells.size(); ++i) {
    if (i > 1) line += kCellSeparator;
    line += row.cells[i];
  }
  return line;
}

void InventoryPage::Export() {
  if (list_.size() == 0) return;
  std::string text;
  for (const CheckRow& row : list_.rows()) text += ReportLine(row) + "\r\n";
  const std::string path = ExportPath();
  if (!services_.files.WriteFileAtomically(path, text)) throw FileError::CannotCreate(path);
  services_.boxes.Show(kExportedText + path, kExportedCaption, BoxButtons::Ok,
                       BoxIcon::Information);
  services_.shell.Execute("open", kNotepadProgram, "\"" + path + "\"", ShowCommand::Restore);
}

bool InventoryPage::ActOnTicked(const std::string& caption, const std::string& question,
                                const std::function<bool(const CheckRow&)>& act) {
  if (services_.boxes.Show(question, caption, BoxButtons::YesNo, BoxIcon::Warning) !=
      BoxAnswer::Yes)
    return false;
  for (int index : list_.TickedFromLast())
    if (act(list_.row(index))) list_.Remove(index);
  Refresh();
  return true;
}

void InventoryPage::ShowDone(const std::string& text) {
  services_.boxes.Show(text, kDoneCaption, BoxButtons::Ok, BoxIcon::Information);
}

void InventoryPage::Unregister(const std::string& file) {
  if (file.find('"') != std::string::npos || (!file.empty() && file.back() == '\\')) return;
  services_.shell.Execute("open", kRegSvr32, "/s /u \"" + file + "\"", ShowCommand::Hide);
}

std::string InventoryPage::ClassFile(const std::string& class_id, RegView view) const {
  const std::string path = std::string(kMachineClassIdKey) + "\\" + class_id + "\\InprocServer32";
  return RegKey::Open(registry(), RegRoot::LocalMachine, path, false, RegAccess::Read, view)
      .ReadString("");
}

void InventoryPage::DeleteSubKey(RegRoot root, const std::string& parent, const std::string& name,
                                 RegView view) {
  if (NormalizeKeyPath(name).empty()) return;
  registry().DeleteKey(root, parent + "\\" + name, view);
}

std::string InventoryPage::ViewMark(RegView view) const {
  if (view == RegView::Own || view == registry().OwnView()) return std::string();
  return view == RegView::Bits64 ? kView64Mark : kView32Mark;
}

RegView InventoryPage::TakeViewMark(const std::string& cell, std::string* rest) const {
  if (registry().HasTwoViews()) {
    const RegView other = OtherView(registry());
    const std::string mark = ViewMark(other);
    if (cell.compare(0, mark.size(), mark) == 0) {
      *rest = cell.substr(mark.size());
      return other;
    }
  }
  *rest = cell;
  return RegView::Own;
}

std::string PlainStringValue(const RegKey& key, const std::string& name) {
  RegValue value;
  if (!key || !key.Query(name, &value) || value.type != kRegSz) return std::string();
  return value.data.substr(0, value.data.find('\0'));
}

}  // namespace orv
