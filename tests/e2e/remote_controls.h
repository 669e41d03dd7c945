#pragma once
// Driving another process's list view and message boxes. List-view messages carry pointers,
// which are not carried across processes: the structure is placed in the program's memory, so
// the driver must be built as the program is (32 or 64 bits).
#include <windows.h>

#include <string>

namespace e2e {

// Rows of a list view; -1 when it does not answer.
int ListViewRows(HWND list);
// Ticks a row's box as a click on it does (the program hears of it as of a click).
bool TickListViewRow(HWND list, int row);

// Waits for a visible message box of the process with this caption; nullptr on timeout.
HWND WaitForMessageBox(DWORD process_id, const std::string& caption, DWORD timeout_ms);
// The box's text: the longest of its static texts (the icon has none).
std::string MessageBoxText(HWND box);
// Presses IDOK, IDYES or IDNO.
void AnswerMessageBox(HWND box, int button_id);
// Sends WM_DPICHANGED as the system does when a window moves to a screen of `dpi`, with the
// suggested rectangle in the program's memory; false when it could not be sent.
bool SendDpiChanged(HWND window, int dpi, const RECT& suggested);
// Selects entry `index` (0 to 9) of the main window's navigation tree, as a click does; false
// when there is no such entry.
bool ChooseTreeEntry(HWND main, int index);
// Presses a push button of the program: BN_CLICKED to its parent, as a click sends.
void ClickButton(HWND button);
// Presses 增加 on the ad page's black-list sheet of the main window and waits until the list
// shows the new row ("New Item", not yet stored); false when it did not come.
bool AddBlackListItem(HWND main, DWORD timeout_ms);

}  // namespace e2e
