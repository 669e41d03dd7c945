#include "popup_blocker/companion_new_window.h"

#include "base/errors.h"
#include "lists/ini_array.h"
#include "popup_blocker/ad_messages.h"
#include "popup_blocker/ad_page.h"
#include "popup_blocker/block_rule.h"
#include "popup_blocker/companion_site_lock.h"

namespace orv {

struct NewWindowLists::Held {
  Held(FileSystem& files, const std::string& path)
      : black(files, path, kAdSection, kBlackListPrefix),
        white(files, path, kAdSection, kWhiteListPrefix),
        temp(files, path, kAdSection, kTempWhiteListPrefix) {}
  TAdIniArray black, white;
  TIniArray temp;
};

NewWindowLists::NewWindowLists() = default;
NewWindowLists::~NewWindowLists() = default;

bool NewWindowLists::Blocks(FileSystem& files, const std::string& ini_path,
                            const std::optional<ListFileStamp>& stamp,
                            const std::string& address) {
  if (!stamp || ini_path.empty()) return false;
  if (!held_ || ini_path != path_ || !stamp_ || !(*stamp == *stamp_)) {
    held_.reset();
    path_ = ini_path;
    stamp_ = stamp;
    ++reads_;
    try {
      held_ = std::make_unique<Held>(files, ini_path);
    } catch (const FileError&) {
      return false;  // read again at the next window, whose stamp is compared afresh
    }
  }
  const Held& lists = *held_;
  return BlocksAddress(address,
                       {[&](const std::string& a) { return lists.black.MatchesAny(a); },
                        [&](const std::string& a) { return lists.white.MatchesAny(a); },
                        [&](const std::string& a) { return lists.temp.IndexOf(a) >= 0; }});
}

std::string NewWindowListFile(Registry& registry, const std::string& library_path) {
  const std::vector<std::string> folders = KnownProgramFolders(registry, library_path);
  return folders.empty() ? std::string() : folders[0] + kKillAdIniName;
}

bool KeepsWindowFromOpening(Registry& registry, FileSystem& files, NewWindowLists& lists,
                            ProgramWindow& window, const std::string& ini_path,
                            const std::optional<ListFileStamp>& stamp,
                            const std::string& address) {
  if (HandedOverAddress(address.data(), address.size()).empty()) return false;
  if (CompanionBlockingSwitch(registry) != CompanionSwitch::kOn || !window.Ready()) return false;
  if (!lists.Blocks(files, ini_path, stamp, address)) return false;
  window.HandOver(kCopyDataBlockedWindow, address);
  return true;
}

}  // namespace orv
