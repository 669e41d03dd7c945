#pragma once
// The main window's private messages of the popup blocker (WM_USER + 0x100 ...). The companion
// components post them with wParam 0 after writing the mailbox value; the program posts only
// WM_AD_REPORT, to itself, and tags those posts with a non-zero wParam.
namespace orv {

// Record one blocked window (mailbox LastBlockURL): history sub-menu, counter, sound, balloon.
inline constexpr unsigned WM_AD_REPORT = 0x500;
// Append the address in the mailbox LastAddUrl to the black list.
inline constexpr unsigned WM_AD_ADDURL = 0x501;
// Check every open browser window against the black list.
inline constexpr unsigned WM_AD_SCAN = 0x502;

}  // namespace orv
