#pragma once
// What the four inventory pages (context-menu extensions, toolbars and buttons, helper objects
// and search hooks, start-up programs) have in common: a tick-box report list rebuilt from the
// registry whenever the page is shown or refreshed, one batch action over the ticked rows from
// the last to the first followed by a rebuild, and the export of the list as a text report that
// is then opened in Notepad. The list is the page's only store: nothing of it is kept or written
// anywhere except by the export.
#include <functional>
#include <string>
#include <vector>

#include "maintenance/check_list.h"
#include "maintenance/registry_backup.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_boxes.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace orv {

struct InventoryServices {
  Registry& registry;
  FileSystem& files;
  Shell& shell;
  MessageBoxes& boxes;
  Clock& clock;  // names the backups
};

// Where a row's entry lives: a sub-key or a value of a key, in one registry view. The actions
// work from this, never from the text of the cells, where a view's mark could also be the start
// of a name.
struct InventoryEntry {
  RegRoot root = RegRoot::CurrentUser;
  std::string key;   // the key that holds the entry
  std::string name;  // the sub-key's or the value's name
  bool is_value = false;
  RegView view = RegView::Own;

  // The sub-key's path, or for a value the key that holds it.
  std::string KeyPath() const { return is_value ? key : key + "\\" + name; }
};

// How a page's view draws it: columns (widths at 96 dots per inch, 0 takes the rest of the
// width), the three buttons from left to right and whether the list is filled with redrawing
// suspended.
struct InventoryColumn {
  const char* header;
  int width;
};
struct InventoryButton {
  const char* caption;
  const char* hint;
};
struct InventoryLayout {
  std::vector<InventoryColumn> columns;
  InventoryButton refresh, action, export_list;
  bool fill_with_redraw_suspended = false;
};

inline constexpr char kRefreshCaption[] = "刷新";
inline constexpr char kRefreshHint[] = "刷新显示";
inline constexpr char kDeleteCaption[] = "删除";
inline constexpr char kDeleteHint[] = "删除所选的项目";
inline constexpr char kExportCaption[] = "导出";
inline constexpr char kExportHint[] = "将列表导出到文本文件";
inline constexpr char kConfirmDeleteCaption[] = "确认删除";
inline constexpr char kDoneCaption[] = "已完成";
inline constexpr char kExportedCaption[] = "已导出";
inline constexpr char kExportedText[] = "文件生成在：";
inline constexpr char kNotepadProgram[] = "notepad.exe";
inline constexpr char kCellSeparator[] = " | ";

// Where the class files of both helper pages are registered, below HKEY_LOCAL_MACHINE.
inline constexpr char kMachineClassIdKey[] = "Software\\Classes\\CLSID";

// On 64-bit Windows a 32-bit browser's extensions and start-up entries live in the 32-bit view
// of HKEY_LOCAL_MACHINE\SOFTWARE and a 64-bit one's in the 64-bit view, so each machine source
// is read in both. The rows of the program's own view come first, exactly as on a machine with
// one view; the other view's rows follow, each with that view's mark at the start of one cell
// (the class identifier, or the location) for the user to see.
inline constexpr char kView64Mark[] = "[64位] ";
inline constexpr char kView32Mark[] = "[32位] ";

class InventoryPage {
 public:
  // export_file is the report's name; backup_name names the page in its backups' names. Both
  // folders end in a backslash.
  InventoryPage(const InventoryServices& services, const std::string& program_folder,
                const std::string& user_folder, const std::string& export_file,
                const std::string& backup_name);
  virtual ~InventoryPage() = default;
  InventoryPage(const InventoryPage&) = delete;
  InventoryPage& operator=(const InventoryPage&) = delete;

  virtual const InventoryLayout& layout() const = 0;

  // Each row: its number from 1 in decimal, then one cell per further column, every one present
  // (empty text when nothing was read).
  const CheckList& list() const { return list_; }
  // A tick the user set or cleared in the list.
  void SetTicked(int row, bool ticked) { list_.SetTicked(row, ticked); }

  // The page-shown event and the refresh button: empties the list and reads it again. A value
  // of the wrong type ends it with "Invalid data type for '%s'"; the rows read before stay.
  // While the action runs (a box it shows lets the window be shown again) it does nothing: the
  // action rebuilds the list when it ends.
  void Refresh();
  // The delete or unload button.
  virtual void RunAction() = 0;
  // The export button: the report lines, CR LF after each, without header, into the program
  // folder, or the user's folder when the program folder cannot be written; then the "已导出"
  // box and Notepad with the file written. An empty list exports nothing. A file that cannot be
  // written in either ends it with "Cannot create file %s".
  void Export();

  // Called at the end of every rebuild, also one ended by an error, so that the list on screen
  // shows the rows before any dialog that follows. Empty: nobody is told.
  void SetRowsChanged(std::function<void()> listener) { rows_changed_ = std::move(listener); }

  // One report line (without its line end): number, ". ", then the cells joined by " | ".
  static std::string ReportLine(const CheckRow& row);

 protected:
  // Adds the rows of every source in order.
  virtual void Fill() = 0;
  // Appends a row numbered after the last one.
  void AddRow(std::vector<std::string> cells, const InventoryEntry& entry);

  // What acting on a ticked row deletes from the registry, added to the backup written before
  // the walk. By default the row's entry itself.
  virtual void BackUp(const CheckRow& row, const InventoryEntry& entry,
                      RegistryBackup* backup) const;
  // Acts on one ticked row; false when the row stays (nothing was done to it).
  virtual bool Act(const CheckRow& row, const InventoryEntry& entry) = 0;
  // After the rebuild: whether the entry of a row acted on is gone. By default: it is no longer
  // there.
  virtual bool Removed(const CheckRow& row, const InventoryEntry& entry) const;

  // Asks caption/question with Yes and No; -1 on No. On Yes writes the backup of every ticked
  // row (an error there stops everything before any change), walks the ticked rows from the
  // last to the first, as they were when the walk began, removing those that Act says it acted
  // on, rebuilds the list and returns how many of those are still there.
  int ActOnTicked(const std::string& caption, const std::string& question);
  // The closing box: "已完成" with the page's text, or, when `left` entries are still there,
  // how many and that administrator rights are needed; verb names what the page does.
  void ShowResult(int left, const std::string& done_text, const std::string& verb);
  // RegSvr32 /s /u with the file in quotes, hidden and not waited for, the RegSvr32 of the
  // registry view the file was registered in. A file text that cannot stand between quotes on
  // a command line (one holding a quote, or ending in a backslash, which would escape the
  // closing quote) is no file name: nothing is started for it, and false is returned, so no
  // text read from the registry becomes further arguments.
  bool Unregister(const std::string& file, RegView view);
  static bool CanStandInQuotes(const std::string& file);
  // The default value of HKEY_LOCAL_MACHINE\Software\Classes\CLSID\<class_id>\InprocServer32
  // in a view as text, or "" when that key does not open.
  std::string ClassFile(const std::string& class_id, RegView view = RegView::Own) const;
  // The path below HKEY_LOCAL_MACHINE of a class identifier's key (in either view).
  static std::string ClassKey(const std::string& class_id);
  // A value as text (see RegKey::ReadString). In the program's own view a value of another
  // type is an error; in the other view it reads as empty text, so that no row of the own view
  // is hidden by it.
  std::string ReadText(const RegKey& key, const std::string& name, RegView view) const;
  // Deletes the entry: a sub-key with everything below it (an empty name deletes nothing: it
  // would name the parent itself), or a value.
  void DeleteEntry(const InventoryEntry& entry);
  // Whether the entry is there.
  bool EntryExists(const InventoryEntry& entry) const;
  // Whether this process may change the key (open it for writing).
  bool CanChange(RegRoot root, const std::string& path, RegView view) const;

  // The views a machine source is read in, the program's own first.
  std::vector<RegView> MachineViews() const { return ExistingViews(registry()); }
  // The mark a cell of a row from `view` starts with: "" for the program's own view.
  std::string ViewMark(RegView view) const;
  bool IsOwnView(RegView view) const;

  Registry& registry() const { return services_.registry; }
  MessageBoxes& boxes() const { return services_.boxes; }

 private:
  InventoryServices services_;
  std::string program_folder_;
  std::string user_folder_;
  std::string export_file_;
  std::string backup_name_;
  CheckList list_;
  std::vector<InventoryEntry> entries_;  // one per row of list_
  bool acting_ = false;
  std::function<void()> rows_changed_;
};

// A value's data as text when its type is REG_SZ, "" for any other type or a missing value (a
// toolbar's button text).
std::string PlainStringValue(const RegKey& key, const std::string& name);

}  // namespace orv
