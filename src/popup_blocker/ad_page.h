#pragma once
// The ad-blocker page (TabSheet2): working copies of the three rule lists of conf\KillAD.ini
// and the two switches of the popup blocker. The views are written back to the file as a whole
// when the page is saved (apply, and at exit); the list buttons never touch the file.
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"

namespace orv {

// Section and key prefixes of the three lists in conf\KillAD.ini.
inline constexpr char kAdSection[] = "POPUPAD";
inline constexpr char kBlackListPrefix[] = "ad";
inline constexpr char kWhiteListPrefix[] = "pass";
inline constexpr char kTempWhiteListPrefix[] = "temp";
// Relative to the program folder.
inline constexpr char kKillAdIniName[] = "conf\\KillAD.ini";
// Caption of an item added by the add buttons.
inline constexpr char kNewItemCaption[] = "New Item";

// One list view: captions in file order and the selected row (-1: none).
struct AdListView {
  std::vector<std::string> items;
  int selected = -1;

  // Selects a row; an index outside the items clears the selection.
  void Select(int index);
  // Appends an item and returns its index.
  int Append(const std::string& caption);
};

enum class AdList { Black, White, Temp };
enum class AdSwitch { KillAD, KillAdNotice };

class AdPage {
 public:
  AdPage(FileSystem& files, Registry& registry, const std::string& program_folder);

  // Full path of conf\KillAD.ini.
  const std::string& KillAdIniPath() const { return ini_path_; }

  // Fills the views and switches from storage and empties the temporary white list in the
  // file (its view is left as it is, empty at start). Raises FileError::Missing when
  // conf\KillAD.ini is missing: the lists and switches after that point stay as they were.
  // Also removes what an interrupted save left beside the file.
  void LoadAdPage();
  // Writes the three views (captions that would read back empty left out) and the two
  // switches. The black and white lists are written only once they have been loaded, and the
  // switches only once they have been read or changed by the user: a start-up that stopped
  // early must not replace the stored lists and switches with the empty views. Raises
  // FileError when the file is missing or cannot be written; runs written before stay.
  void SaveAdPage();

  AdListView& View(AdList list);

  // Add buttons: append "New Item"; the result is the row whose in-place editing the window
  // must start.
  int KillAd_AddClick() { return AddItem(AdList::Black); }
  int KillAd_Add2Click() { return AddItem(AdList::White); }
  // Delete buttons: remove the selected row; nothing when none is selected.
  void KillAd_DelClick() { DeleteSelected(AdList::Black); }
  void KillAd_Del2Click() { DeleteSelected(AdList::White); }
  void KillAd_Del3Click() { DeleteSelected(AdList::Temp); }
  // Edit buttons: the selected row whose in-place editing the window must start, or -1.
  int KillAd_EditClick() { return EditSelected(AdList::Black); }
  int KillAd_Edit2Click() { return EditSelected(AdList::White); }
  int KillAd_Edit3Click() { return EditSelected(AdList::Temp); }

  int AddItem(AdList list);
  void DeleteSelected(AdList list);
  int EditSelected(AdList list);
  // In-place editing of row index confirmed with caption. A caption that would read back empty
  // is refused and the row keeps its old one (it would hide the rest of its run); returns
  // whether the caption was taken. Cancelled editing simply does not call this.
  bool EndEdit(AdList list, int index, const std::string& caption);

  // A mouse button pressed on either check box: enables apply and cancel.
  void chkKillADMouseDown();
  // A check box changed state (by the mouse after chkKillADMouseDown, or from the keyboard,
  // which alone leaves the buttons as they are).
  void ToggleSwitch(AdSwitch which);

  // Apply: SaveAdPage, then both buttons disabled.
  void btn_ad_saveClick();
  // Cancel: the switches are read again from the settings key; the list views keep their
  // edits. Both buttons disabled.
  void btn_ad_cancelClick();

  // Exit: the temporary white list's view is emptied before the final SaveAdPage.
  void ClearTempView();

  AdListView blacklist, WhiteList, TempWhiteList;
  bool chkKillAD = false;
  bool chkKillAdNotice = false;
  bool btn_ad_save_enabled = false;
  bool btn_ad_cancel_enabled = false;

 private:
  // Sets the check boxes from the values that exist; a key that cannot be opened leaves them.
  void LoadSwitches();

  // What this run has read from storage (or the user has set), and so may write back.
  bool black_loaded_ = false;
  bool white_loaded_ = false;
  bool kill_ad_known_ = false;
  bool notice_known_ = false;

  FileSystem& files_;
  Registry& registry_;
  std::string ini_path_;
};

}  // namespace orv
