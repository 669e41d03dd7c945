#include "popup_blocker/block_rule.h"

#include "base/ansi.h"
#include "lists/ini_array.h"

namespace orv {

bool ShowsLocalFile(const std::string& address) {
  static const char kFilePrefix[] = "file:///";
  return address.size() >= 8 && AnsiLowerAscii(address.substr(0, 8)) == kFilePrefix;
}

bool BlocksAddress(const std::string& address, const PopupListQuestions& lists) {
  if (ShowsLocalFile(address) || !lists.black(address)) return false;
  if (lists.white(address)) return false;
  return !lists.temp(EntryAsReadBack(address));
}

}  // namespace orv
