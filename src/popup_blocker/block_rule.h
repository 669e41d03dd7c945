#pragma once
// The one rule of which browser windows the popup blocker closes, shared by the program's scan
// and by the helper object that keeps a new window from opening.
#include <functional>
#include <string>

namespace orv {

// Local file and folder windows ("file:///", any case) are never closed.
bool ShowsLocalFile(const std::string& address);

// The lists of conf\KillAD.ini as the rule asks them.
struct PopupListQuestions {
  std::function<bool(const std::string&)> black;  // a black-list pattern matches (any case)
  std::function<bool(const std::string&)> white;  // a white-list pattern matches (any case)
  std::function<bool(const std::string&)> temp;   // the temporary white list holds this entry
};

// Whether a window showing address is closed: it shows no local file, the black list matches it
// and neither the white list matches it nor does the temporary white list hold it (compared as
// stored: a long address reads back cut, and must still find its own entry). Each list is asked
// only while the answer depends on it, in that order.
bool BlocksAddress(const std::string& address, const PopupListQuestions& lists);

}  // namespace orv
