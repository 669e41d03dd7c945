#pragma once
// The browser side of the popup blocker: what the companion libraries decide before they reach
// the main window. "Selmont.dll" (a helper object in every browser window) asks for scans;
// "Darrowin.dll" (scripted by the context-menu pages) hands addresses over for the black list.
// Both find the main window from outside, by class and caption, and post to it; data travels in
// the mailbox values of the settings key, written before the message is posted.
#include <string>

#include "platform/registry.h"

namespace orv {

// The main window as a companion in another process reaches it.
class ProgramWindow {
 public:
  virtual ~ProgramWindow() = default;
  // Whether the main window exists and carries its started mark (kStartedProperty): it has run
  // its start-up sequence and is not being destroyed.
  virtual bool Ready() = 0;
  // Posts message with wParam 0 and lParam 0 to a ready main window; false when there is none
  // or the post failed.
  virtual bool Post(unsigned message) = 0;
};

// Browser events after which the helper object may ask for a scan.
enum class BrowserEvent {
  kNewWindow,         // NewWindow2 / NewWindow3: a window is about to open
  kDocumentComplete,  // DocumentComplete, of the top-level document or of one of its frames
};

// A new window asks for a scan; a completed document only when it is the top-level one (each
// frame of a page completes too, and one scan per page is enough).
bool AsksForScan(BrowserEvent event, bool top_level);

// The blocking switch AllowKillAD as the companions read it, without creating anything: a
// missing value counts as on, as the engine counts it; a settings key that does not exist or
// cannot be read, and a value that does not read as a switch, count as off (the engine would
// only fail on it at every page).
bool CompanionBlockingSwitchedOn(Registry& registry);

// Posts WM_AD_SCAN when the event asks for a scan, blocking is switched on and the main window
// is ready. True when it was posted.
bool RequestScan(Registry& registry, ProgramWindow& window, BrowserEvent event, bool top_level);

// The black-list entry for an address handed over from a page, or "" when it is refused:
//   refused: an empty address or one of blanks only; an address with a control byte (a line
//   break would split the INI line); one longer than the list's reader returns (it would read
//   back cut); one wrapped in a pair of quotes (the reader would drop them);
//   changed: blanks around it are dropped (the reader drops them too), and each "*" becomes
//   "?", which still matches the "*" of the address itself: any page may script the library,
//   and a "*" of its choosing would make the black list close every browser window.
std::string BlackListEntryFor(const std::string& address);

enum class AddUrlOutcome {
  kPosted,     // LastAddUrl written, WM_AD_ADDURL posted
  kRefused,    // the address is refused (BlackListEntryFor); nothing written
  kNoProgram,  // no ready main window; nothing written
  kNotStored,  // the settings key could not be opened or written; nothing posted
};

// The context-menu library's method: the entry for the address goes to LastAddUrl, then
// WM_AD_ADDURL is posted to the main window.
AddUrlOutcome AddToBlackList(Registry& registry, ProgramWindow& window,
                             const std::string& address);

}  // namespace orv
