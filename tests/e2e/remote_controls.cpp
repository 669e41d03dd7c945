#include "remote_controls.h"

#include <commctrl.h>

#include "harness.h"

namespace e2e {

int ListViewRows(HWND list) {
  DWORD_PTR rows = 0;
  if (!list || !SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 20000, &rows))
    return -1;
  return static_cast<int>(rows);
}

bool TickListViewRow(HWND list, int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(2);
  DWORD process_id = 0;
  GetWindowThreadProcessId(list, &process_id);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process_id);
  if (!process) return false;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(item), MEM_COMMIT, PAGE_READWRITE);
  DWORD_PTR done = 0;
  const bool ok = remote && WriteProcessMemory(process, remote, &item, sizeof(item), nullptr) &&
                  SendMessageTimeoutA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote),
                                      SMTO_ABORTIFHUNG, 20000, &done) &&
                  done != 0;
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return ok;
}

bool SendDpiChanged(HWND window, int dpi, const RECT& suggested) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process_id);
  if (!process) return false;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(suggested), MEM_COMMIT, PAGE_READWRITE);
  DWORD_PTR done = 0;
  const bool ok = remote &&
                  WriteProcessMemory(process, remote, &suggested, sizeof(suggested), nullptr) &&
                  SendMessageTimeoutA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                      reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 20000,
                                      &done);
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return ok;
}

HWND WaitForMessageBox(DWORD process_id, const std::string& caption, DWORD timeout_ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND w : FindTopLevelWindows("#32770", process_id))
          if (IsWindowVisible(w) && WindowText(w) == caption) found = w;
        return found != nullptr;
      },
      timeout_ms);
  return found;
}

std::string MessageBoxText(HWND box) {
  std::string longest;
  for (HWND c = FindWindowExA(box, nullptr, "Static", nullptr); c;
       c = FindWindowExA(box, c, "Static", nullptr))
    if (WindowText(c).size() > longest.size()) longest = WindowText(c);
  return longest;
}

void AnswerMessageBox(HWND box, int button_id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button_id)));
}

bool ChooseTreeEntry(HWND main, int index) {
  HWND tree = FindWindowExA(main, nullptr, WC_TREEVIEWA, nullptr);
  LPARAM item = tree ? SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) : 0;
  for (int i = 0; i < index && item; ++i) item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, item);
  return item && SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
}

void ClickButton(HWND button) {
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

bool AddBlackListItem(HWND main, DWORD timeout_ms) {
  HWND list = FindDescendant(main, WC_LISTVIEWA, "黑名单", nullptr);
  HWND add = FindDescendant(main, "Button", "黑名单", "增加");
  const int rows = ListViewRows(list);
  if (!add || rows < 0) return false;
  ClickButton(add);
  return WaitUntil([&] { return ListViewRows(list) == rows + 1; }, timeout_ms);
}

}  // namespace e2e
