#pragma once
// The URL shortcuts page (TabSheet10): short names for addresses, kept in conf\urlShortcut.ini
// for the browser side to resolve, below two built-in names of the maker's site that are never
// stored. Every action takes effect at once. Row r (r >= 2) is entry r - 2 of both runs ("s"
// short names, "v" addresses).
#include <string>

#include "lists/ini_pairs.h"
#include "maintenance/check_list.h"
#include "platform/files.h"
#include "platform/message_boxes.h"
#include "shell/url_shortcut_file.h"

namespace orv {

inline constexpr char kShortcutHeading[] = "在IE的地址栏输入下列的快捷名称即可访问对应的网址";

// UrlShortcut's columns.
enum ShortcutColumn : int { kShortcutNumber = 0, kShortcutName = 1, kShortcutUrl = 2 };

// Where the window puts the focus after an add.
enum class ShortcutFocus { None, Name, Url };

class UrlShortcutPage {
 public:
  UrlShortcutPage(FileSystem& files, MessageBoxes& boxes, const std::string& program_folder);

  const CheckList& UrlShortcut() const { return list_; }
  const std::string& ListPath() const { return ini_path_; }

  // Shown, and 刷新: the built-in rows, then the file's entries numbered 1, 2, ... Raises
  // FileError::Missing when the file is missing (the rows stay as they were).
  void TabSheet10Show();
  // The user ticked or unticked a row's box.
  void SetTicked(int row, bool ticked) { list_.SetTicked(row, ticked); }
  // Confirms, then deletes the ticked stored rows, from the file in one write (ticks on the
  // built-in rows are ignored). The other rows keep their numbers until the next load.
  void ShortcutDelClick();
  // Checks the two edits' texts (one that would read back empty counts as empty), appends the
  // pair to the file in one write and a numbered row.
  ShortcutFocus ShortcutAddClick(const std::string& name, const std::string& url);

 private:
  TIniPairs OpenList() const;

  FileSystem& files_;
  MessageBoxes& boxes_;
  std::string ini_path_;
  CheckList list_;
};

}  // namespace orv
