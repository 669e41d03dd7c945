#pragma once
// The main window's private messages of the popup blocker (WM_USER + 0x100 ...). Another
// process posts them with wParam 0, after writing the mailbox value where the message has one
// (the helper object posts only WM_AD_SCAN; addresses come with WM_COPYDATA, below). The program
// posts WM_AD_REPORT and WM_AD_ADDURL to itself, tagged with a non-zero wParam that names the
// address it keeps for the message.
namespace orv {

// Record one blocked window (its address, or the mailbox LastBlockURL): history sub-menu,
// counter, sound, balloon.
inline constexpr unsigned WM_AD_REPORT = 0x500;
// Append an address (its own, or the mailbox LastAddUrl's) to the black list.
inline constexpr unsigned WM_AD_ADDURL = 0x501;
// Check every open browser window against the black list.
inline constexpr unsigned WM_AD_SCAN = 0x502;

// The system's message that carries bytes to another process's window (WM_COPYDATA). A
// companion hands an address over with it, marked by one of the data tags below; the address
// travels with the message, so two that arrive together are both handled.
inline constexpr unsigned kCopyDataMessage = 0x004A;
// Data tags of the program's own (COPYDATASTRUCT.dwData), "ORV" and a number.
inline constexpr unsigned long kCopyDataAddUrl = 0x4F525601;         // add to the black list
inline constexpr unsigned long kCopyDataBlockedWindow = 0x4F525602;  // a window kept from opening

// The messages the main window takes from processes of a lower integrity level (the browser's
// tabs in Protected Mode and Enhanced Protected Mode): the three private messages and the
// hand-over, and no other.
inline constexpr unsigned kMessagesFromLowerIntegrity[] = {WM_AD_REPORT, WM_AD_ADDURL, WM_AD_SCAN,
                                                           kCopyDataMessage};
inline constexpr bool TakenFromLowerIntegrity(unsigned message) {
  for (unsigned m : kMessagesFromLowerIntegrity)
    if (m == message) return true;
  return false;
}

}  // namespace orv
