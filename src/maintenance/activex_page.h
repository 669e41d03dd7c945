#pragma once
// The ActiveX immunity page (TabSheet4): the controls listed in conf\antix_data.ini with the
// state of their kill bits, ticked rows immunised, released or deleted, and new entries added.
// Every action takes effect at once. The rows are a working copy of the file: row i is entry i
// of both runs ("x" names, "v" class identifiers); the file is read again only on refresh.
#include <string>

#include "lists/ini_pairs.h"
#include "maintenance/check_list.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_boxes.h"
#include "platform/registry.h"

namespace orv {

inline constexpr char kAntiXIniName[] = "conf\\antix_data.ini";  // in the program folder
inline constexpr char kAntiXSection[] = "List";
inline constexpr char kAntiXNamePrefix[] = "x";
inline constexpr char kAntiXClsidPrefix[] = "v";
inline constexpr char kImmune[] = "已免疫";
inline constexpr char kNotImmune[] = "未免疫";
// Colours of a row that is not immune, 0x00BBGGRR: red text on light green.
inline constexpr unsigned kNotImmuneTextColour = 0x000000FF;
inline constexpr unsigned kNotImmuneBackColour = 0x00E1FDCA;
// The class identifier as typed: 36 characters (8-4-4-4-12, no braces).
inline constexpr size_t kClsidLength = 36;

// mainlist's columns.
enum ActiveXColumn : int { kActiveXName = 0, kActiveXClsid = 1, kActiveXState = 2 };

// Where the window puts the focus after an add.
enum class AddFocus { None, Name, Clsid, ClsidSelectAll };

class ActiveXPage {
 public:
  // The clock names the backups; both folders end in a backslash.
  ActiveXPage(FileSystem& files, Registry& registry, MessageBoxes& boxes, Clock& clock,
              const std::string& program_folder, const std::string& user_folder);

  const CheckList& mainlist() const { return mainlist_; }
  const std::string& ListPath() const { return ini_path_; }

  // Shown: refreshes only while the list has no rows.
  void TabSheet4Show();
  // Rebuilds the rows from the file, unticked, each with its kill-bit state. Raises
  // FileError::Missing when the file is missing (the rows stay as they were).
  void btnRefreshClick();

  void btnSelAllClick() { mainlist_.TickAll(true); }
  void btnUnSelAllClick() { mainlist_.TickAll(false); }
  void btnRevSelClick() { mainlist_.InvertTicks(); }
  // The user ticked or unticked a row's box.
  void SetTicked(int row, bool ticked) { mainlist_.SetTicked(row, ticked); }

  // Confirms, then deletes the ticked entries from both runs in one write, and their rows. The
  // registry is not touched.
  void btnDelClick();
  // Sets the kill bit of each ticked row, first to last, and reports the count. A refused write
  // ends the action there with its RegistryError (rows before it show "已免疫", no report).
  void btnSetClick();
  // Writes a backup of the ticked rows' keys (one that cannot be written stops it before any
  // change), then deletes the key of each ticked row; only rows whose key was removed are
  // counted and shown "未免疫". The report says how many keys are still there, if any.
  void btnUnSetClick();
  // Checks the two edits' texts (one that would read back empty counts as empty, and the class
  // identifier is measured as stored), appends the pair to the file in one write and a row with
  // its state.
  AddFocus btnAddClick(const std::string& name, const std::string& clsid);
  void btn_antiXhelpClick();

  // Whether the row is drawn red on light green.
  bool DrawsAsNotImmune(int row) const;

 private:
  std::string StateOf(const std::string& clsid);
  TIniPairs OpenList() const;

  FileSystem& files_;
  Registry& registry_;
  MessageBoxes& boxes_;
  Clock& clock_;
  std::string ini_path_;
  std::string user_folder_;
  CheckList mainlist_;
};

}  // namespace orv
