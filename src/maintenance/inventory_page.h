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
// is read in both: the program's own view first, then the other one, whose rows carry the
// other view's mark at the start of one cell (the class identifier, or the location) so that
// the user sees it and the action knows where to act.
inline constexpr char kView64Mark[] = "[64位] ";
inline constexpr char kView32Mark[] = "[32位] ";

class InventoryPage {
 public:
  // export_file is the report's name in the program folder (which ends in a backslash).
  InventoryPage(const InventoryServices& services, const std::string& program_folder,
                const std::string& export_file);
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
  void Refresh();
  // The delete or unload button.
  virtual void RunAction() = 0;
  // The export button: the report lines, CR LF after each, without header, into the program
  // folder; then the "已导出" box and Notepad. An empty list exports nothing. A file that cannot
  // be written ends it with "Cannot create file %s".
  void Export();

  // Called at the end of every rebuild, also one ended by an error, so that the list on screen
  // shows the rows before any dialog that follows. Empty: nobody is told.
  void SetRowsChanged(std::function<void()> listener) { rows_changed_ = std::move(listener); }

  std::string ExportPath() const { return program_folder_ + export_file_; }
  // One report line (without its line end): number, ". ", then the cells joined by " | ".
  static std::string ReportLine(const CheckRow& row);

 protected:
  // Adds the rows of every source in order.
  virtual void Fill() = 0;
  // Appends a row numbered after the last one.
  void AddRow(std::vector<std::string> cells);

  // Asks caption/question with Yes and No. On Yes walks the ticked rows from the last to the
  // first, removing those that act says are gone, then rebuilds the list. False on No.
  bool ActOnTicked(const std::string& caption, const std::string& question,
                   const std::function<bool(const CheckRow&)>& act);
  void ShowDone(const std::string& text);
  // RegSvr32 /s /u with the file in quotes, hidden and not waited for. A file text that cannot
  // stand between quotes on a command line (one holding a quote, or ending in a backslash, which
  // would escape the closing quote) is no file name: nothing is started for it, so no text read
  // from the registry becomes further arguments.
  void Unregister(const std::string& file);
  // The default value of HKEY_LOCAL_MACHINE\Software\Classes\CLSID\<class_id>\InprocServer32
  // in a view as text, or "" when that key does not open.
  std::string ClassFile(const std::string& class_id, RegView view = RegView::Own) const;
  // Deletes parent\name with everything below it; an empty name deletes nothing (it would name
  // the parent itself).
  void DeleteSubKey(RegRoot root, const std::string& parent, const std::string& name,
                    RegView view = RegView::Own);

  // The views a machine source is read in, the program's own first.
  std::vector<RegView> MachineViews() const { return ExistingViews(registry()); }
  // The mark a cell of a row from `view` starts with: "" for the program's own view.
  std::string ViewMark(RegView view) const;
  // The view a cell's mark names (the program's own when it has none); *rest is the cell
  // without its mark.
  RegView TakeViewMark(const std::string& cell, std::string* rest) const;

  Registry& registry() const { return services_.registry; }
  MessageBoxes& boxes() const { return services_.boxes; }

 private:
  InventoryServices services_;
  std::string program_folder_;
  std::string export_file_;
  CheckList list_;
  std::function<void()> rows_changed_;
};

// A value's data as text when its type is REG_SZ, "" for any other type or a missing value (a
// toolbar's button text).
std::string PlainStringValue(const RegKey& key, const std::string& name);

}  // namespace orv
