#include "maintenance/inventory_page.h"

#include "base/errors.h"
#include "maintenance/user_folder.h"
#include "shell/startup_integration.h"

namespace orv {

namespace {

// The RegSvr32 that a file registered in the other view needs: a 32-bit program that starts
// "RegSvr32.exe" gets the 32-bit one (file-system redirection), which would load a same-named
// 32-bit library from SysWOW64 and take away that one's registration instead. Sysnative is
// where a 32-bit program reaches the 64-bit System32.
constexpr char k64BitRegSvr32[] = "%windir%\\Sysnative\\regsvr32.exe";
constexpr char k32BitRegSvr32[] = "%windir%\\SysWOW64\\regsvr32.exe";

}  // namespace

InventoryPage::InventoryPage(const InventoryServices& services, const std::string& program_folder,
                             const std::string& user_folder, const std::string& export_file,
                             const std::string& backup_name)
    : services_(services), program_folder_(program_folder), user_folder_(user_folder),
      export_file_(export_file), backup_name_(backup_name) {}

void InventoryPage::Refresh() {
  if (acting_) return;
  // The list is redrawn however the rebuild ends.
  struct Told {
    const std::function<void()>& listener;
    ~Told() {
      if (listener) listener();
    }
  } told{rows_changed_};
  list_.Clear();
  entries_.clear();
  Fill();
}

void InventoryPage::AddRow(std::vector<std::string> cells, const InventoryEntry& entry) {
  cells.insert(cells.begin(), std::to_string(list_.size() + 1));
  list_.Append(std::move(cells));
  entries_.push_back(entry);
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
  const std::string path =
      WriteReport(services_.files, program_folder_, user_folder_, export_file_, text);
  services_.boxes.Show(kExportedText + path, kExportedCaption, BoxButtons::Ok,
                       BoxIcon::Information);
  services_.shell.Execute("open", kNotepadProgram, "\"" + path + "\"", ShowCommand::Restore);
}

void InventoryPage::BackUp(const CheckRow&, const InventoryEntry& entry,
                           RegistryBackup* backup) const {
  if (entry.is_value)
    backup->AddValue(entry.root, entry.key, entry.name, entry.view);
  else if (!NormalizeKeyPath(entry.name).empty())
    backup->AddKey(entry.root, entry.KeyPath(), entry.view);
}

bool InventoryPage::Removed(const CheckRow&, const InventoryEntry& entry) const {
  return !EntryExists(entry);
}

int InventoryPage::ActOnTicked(const std::string& caption, const std::string& question) {
  if (services_.boxes.Show(question, caption, BoxButtons::YesNo, BoxIcon::Warning) !=
      BoxAnswer::Yes)
    return -1;
  // Taken before the walk: a box the walk shows lets the window rebuild the list meanwhile.
  struct Ticked {
    int index;
    CheckRow row;
    InventoryEntry entry;
  };
  std::vector<Ticked> ticked;
  for (int index : list_.TickedFromLast())
    ticked.push_back({index, list_.row(index), entries_[index]});
  RegistryBackup backup(registry());
  for (const Ticked& t : ticked) BackUp(t.row, t.entry, &backup);
  if (!backup.empty()) backup.Write(services_.files, services_.clock, user_folder_, backup_name_);

  std::vector<const Ticked*> acted;
  {
    acting_ = true;
    struct Done {
      bool& acting;
      ~Done() { acting = false; }
    } done{acting_};
    for (const Ticked& t : ticked) {
      if (!Act(t.row, t.entry)) continue;
      acted.push_back(&t);
      list_.Remove(t.index);
      entries_.erase(entries_.begin() + t.index);
    }
  }
  Refresh();
  int left = 0;
  for (const Ticked* t : acted) left += Removed(t->row, t->entry) ? 0 : 1;
  return left;
}

void InventoryPage::ShowResult(int left, const std::string& done_text, const std::string& verb) {
  if (left > 0)
    services_.boxes.Show(NotRemovedText(left, verb), kNotRemovedCaption, BoxButtons::Ok,
                         BoxIcon::Warning);
  else if (!done_text.empty())
    services_.boxes.Show(done_text, kDoneCaption, BoxButtons::Ok, BoxIcon::Information);
}

bool InventoryPage::CanStandInQuotes(const std::string& file) {
  return file.find('"') == std::string::npos && (file.empty() || file.back() != '\\');
}

bool InventoryPage::Unregister(const std::string& file, RegView view) {
  if (!CanStandInQuotes(file)) return false;
  const char* program = kRegSvr32;
  if (!IsOwnView(view)) program = view == RegView::Bits64 ? k64BitRegSvr32 : k32BitRegSvr32;
  services_.shell.Execute("open", program, UnregisterFileParameters(file), ShowCommand::Hide);
  return true;
}

std::string InventoryPage::ClassKey(const std::string& class_id) {
  return std::string(kMachineClassIdKey) + "\\" + class_id;
}

std::string InventoryPage::ClassFile(const std::string& class_id, RegView view) const {
  const RegKey key = RegKey::Open(registry(), RegRoot::LocalMachine,
                                  ClassKey(class_id) + "\\InprocServer32", false, RegAccess::Read,
                                  view);
  return ReadText(key, "", view);
}

std::string InventoryPage::ReadText(const RegKey& key, const std::string& name,
                                    RegView view) const {
  if (IsOwnView(view)) return key.ReadString(name);
  try {
    return key.ReadString(name);
  } catch (const RegistryError&) {
    return std::string();
  }
}

void InventoryPage::DeleteEntry(const InventoryEntry& entry) {
  if (entry.is_value) {
    RegKey::Open(registry(), entry.root, entry.key, false, RegAccess::Full, entry.view)
        .DeleteValue(entry.name);
  } else if (!NormalizeKeyPath(entry.name).empty()) {
    registry().DeleteKey(entry.root, entry.KeyPath(), entry.view);
  }
}

bool InventoryPage::EntryExists(const InventoryEntry& entry) const {
  if (!entry.is_value)
    return registry().KeyExists(entry.root, entry.KeyPath(), entry.view);
  return RegKey::Open(registry(), entry.root, entry.key, false, RegAccess::Read, entry.view)
      .ValueExists(entry.name);
}

bool InventoryPage::CanChange(RegRoot root, const std::string& path, RegView view) const {
  return registry().OpenKey(root, path, false, RegAccess::Full, view) != nullptr;
}

bool InventoryPage::IsOwnView(RegView view) const {
  return view == RegView::Own || view == registry().OwnView() || !registry().HasTwoViews();
}

std::string InventoryPage::ViewMark(RegView view) const {
  if (IsOwnView(view)) return std::string();
  return view == RegView::Bits64 ? kView64Mark : kView32Mark;
}

std::string PlainStringValue(const RegKey& key, const std::string& name) {
  RegValue value;
  if (!key || !key.Query(name, &value) || value.type != kRegSz) return std::string();
  return value.data.substr(0, value.data.find('\0'));
}

}  // namespace orv
