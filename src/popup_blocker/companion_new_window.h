#pragma once
// The helper object's answer to NewWindow3, the browser's question before it opens a window:
// a window whose address the blocker would close is not opened at all (the event's Cancel), and
// its address goes to the program, which reports it as it reports a closed window. The lists
// are read from "conf\KillAD.ini" of the program folder, a file every integrity level may read,
// and held between windows: the file is read again only when its size or time has changed, so a
// new window costs a look at the file's stamp and a match.
#include <memory>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "popup_blocker/companion_contract.h"

namespace orv {

class TAdIniArray;
class TIniArray;

// A file's size and last-write time as the file system reports them.
struct ListFileStamp {
  unsigned long long size = 0;
  unsigned long long write_time = 0;
  bool operator==(const ListFileStamp& o) const {
    return size == o.size && write_time == o.write_time;
  }
};

// The black list, the white list and the temporary white list of one conf\KillAD.ini.
class NewWindowLists {
 public:
  NewWindowLists();
  ~NewWindowLists();
  NewWindowLists(const NewWindowLists&) = delete;
  NewWindowLists& operator=(const NewWindowLists&) = delete;

  // Whether the blocker's rule (BlocksAddress) closes address, with the lists of the file at
  // ini_path as they are at stamp. They are read again when the path or the stamp differs from
  // the last reading. Without a stamp (the file cannot be examined), or when the file cannot be
  // read, nothing is blocked.
  bool Blocks(FileSystem& files, const std::string& ini_path,
              const std::optional<ListFileStamp>& stamp, const std::string& address);
  // How often the file was read (for the tests).
  int reads() const { return reads_; }

 private:
  struct Held;
  std::unique_ptr<Held> held_;
  std::string path_;
  std::optional<ListFileStamp> stamp_;
  int reads_ = 0;
};

// The list file the helper object reads: conf\KillAD.ini of the first known program folder
// (KnownProgramFolders); "" when no folder is known.
std::string NewWindowListFile(Registry& registry, const std::string& library_path);

// NewWindow3 for a window of address: true when the window is to be cancelled, which is so when
// blocking is switched on (read as on; an unknown switch cancels nothing), the main window is
// ready and the lists block the address; the address is then handed over under
// kCopyDataBlockedWindow. Otherwise nothing is sent (the caller asks for a scan as for any new
// window).
bool KeepsWindowFromOpening(Registry& registry, FileSystem& files, NewWindowLists& lists,
                            ProgramWindow& window, const std::string& ini_path,
                            const std::optional<ListFileStamp>& stamp,
                            const std::string& address);

}  // namespace orv
