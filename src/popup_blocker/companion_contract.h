#pragma once
// The browser side of the popup blocker: what the companion libraries decide before they reach
// the main window. "Selmont.dll" (a helper object in every browser window) asks for scans and
// keeps black-listed windows from opening; "Darrowin.dll" (scripted by the context-menu pages)
// hands addresses over for the black list. Both find the main window from outside, by class and
// caption. Scans are asked for with a posted message; an address travels with its message
// (WM_COPYDATA under a data tag of the program's own, ad_messages.h), so nothing is written to
// the settings key, which a tab in Protected Mode may not write.
#include <cstddef>
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
  // Sends bytes to a ready main window with WM_COPYDATA under the data tag and waits (briefly)
  // for its answer: true when the window took them.
  virtual bool HandOver(unsigned long tag, const std::string& bytes) = 0;
};

// Browser events after which the helper object may ask for a scan.
enum class BrowserEvent {
  kNewWindow,         // NewWindow2 / NewWindow3: a window is about to open
  kDocumentComplete,  // DocumentComplete, of the top-level document or of one of its frames
};

// A new window asks for a scan; a completed document only when it is the top-level one (each
// frame of a page completes too, and one scan per page is enough).
bool AsksForScan(BrowserEvent event, bool top_level);

enum class CompanionSwitch { kOn, kOff, kUnknown };

// The blocking switch AllowKillAD as the companions read it, without creating anything: a
// missing value is on, as the engine reads it; a value that does not read as a switch is off
// (the engine would only fail on it at every page); a settings key that cannot be opened for
// reading (a tab in an AppContainer may not read it; or it does not exist yet) leaves it
// unknown.
CompanionSwitch CompanionBlockingSwitch(Registry& registry);

// Posts WM_AD_SCAN when the event asks for a scan, blocking is not switched off (an unknown
// switch asks too: the program checks it before it scans) and the main window is ready. True
// when it was posted.
bool RequestScan(Registry& registry, ProgramWindow& window, BrowserEvent event, bool top_level);

// The black-list entry for an address, or "" when the list could not hold it:
//   refused: an empty address or one of blanks only; an address with a control byte (a line
//   break would split the INI line); one longer than the list's reader returns (it would read
//   back cut); one wrapped in a pair of quotes (the reader would drop them);
//   changed: blanks around it are dropped (the reader drops them too), and each "*" becomes
//   "?", which still matches the "*" of the address itself but no run of other bytes.
std::string BlackListEntryFor(const std::string& address);

// The black-list entry for an address the browser side adds, or "" when it is refused. Beyond
// BlackListEntryFor's rules the address must be an absolute http, https or ftp address with a
// host. One whose authority (user, host, port) holds "*", a blank or a "\", or that holds a "\"
// anywhere (the browser reads it as "/"), is refused: as a pattern it would match other sites.
// An address without a "/" after its authority gets one there, as the browser shows it, so
// that a "?" of the query cannot stand for a byte of the host.
std::string BrowserSideEntryFor(const std::string& address);

// The address a hand-over carries: its bytes, when there are 1 to IniFile::kMaxValueBytes of
// them and none is a control byte; "" otherwise. Checked before anything is copied.
std::string HandedOverAddress(const char* bytes, size_t length);

enum class AddUrlOutcome {
  kHandedOver,  // the main window took the address
  kRefused,     // the address is refused (BrowserSideEntryFor); nothing sent
  kNoProgram,   // no ready main window; nothing sent
  kNotTaken,    // the main window did not take it (no answer in time, or it refused it)
};

// The context-menu library's method: the entry for the address goes to the main window with
// WM_COPYDATA under kCopyDataAddUrl.
AddUrlOutcome AddToBlackList(ProgramWindow& window, const std::string& address);

}  // namespace orv
