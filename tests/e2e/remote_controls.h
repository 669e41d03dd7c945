#pragma once
// Driving controls and message boxes of another process. List-view messages carry pointers,
// which Windows does not carry across processes: their structures are placed in the program's
// own memory. The driver and the program must be of the same build (32 or 64 bits), so that
// the structures have one layout.
#include <windows.h>

#include <string>

namespace e2e {

// Rows of a list view; -1 when it does not answer.
int ListViewRows(HWND list);
// Sets or clears a row's tick box as a click on it does (the program is told as of a click).
bool SetListViewTick(HWND list, int row, bool ticked);
// Whether a row's tick box is ticked.
bool ListViewTicked(HWND list, int row);

// A visible message box of the process with this caption; nullptr when there is none.
HWND FindMessageBox(DWORD process_id, const std::string& caption);
// Waits for it; nullptr on timeout.
HWND WaitForMessageBox(DWORD process_id, const std::string& caption, DWORD timeout_ms);
// Any visible message box of the process (for failure messages), nullptr when none.
HWND AnyMessageBox(DWORD process_id);
// The box's text (the longest of its static texts; the icon has none).
std::string MessageBoxText(HWND box);
// Presses one of its buttons: IDOK, IDYES, IDNO.
void AnswerMessageBox(HWND box, int button_id);

// Presses a push button of the program the way a click does: BN_CLICKED to its parent.
void ClickButton(HWND button);

}  // namespace e2e
