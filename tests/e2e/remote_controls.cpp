#include "remote_controls.h"

#include <commctrl.h>

#include <vector>

#include "harness.h"

namespace e2e {

namespace {

constexpr DWORD kAnswerTimeoutMs = 20000;

// A block of memory in the process that owns a window, freed with the object.
class RemoteBlock {
 public:
  RemoteBlock(HWND window, SIZE_T size) : size_(size) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                           process_id);
    if (process_)
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool ok() const { return address_ != nullptr; }
  void* address() const { return address_; }
  bool Write(const void* data, SIZE_T size) {
    SIZE_T done = 0;
    return size <= size_ && WriteProcessMemory(process_, address_, data, size, &done) && done == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  SIZE_T size_;
};

bool Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR* result) {
  return SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                             result) != 0;
}

}  // namespace

int ListViewRows(HWND list) {
  DWORD_PTR rows = 0;
  if (!list || !Send(list, LVM_GETITEMCOUNT, 0, 0, &rows)) return -1;
  return static_cast<int>(rows);
}

bool SetListViewTick(HWND list, int row, bool ticked) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
  RemoteBlock block(list, sizeof(item));
  DWORD_PTR result = 0;
  return block.ok() && block.Write(&item, sizeof(item)) &&
         Send(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(block.address()), &result) &&
         result != 0;
}

bool ListViewTicked(HWND list, int row) {
  DWORD_PTR state = 0;
  return Send(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK, &state) &&
         (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

HWND FindMessageBox(DWORD process_id, const std::string& caption) {
  for (HWND w : FindTopLevelWindows("#32770", process_id))
    if (IsWindowVisible(w) && WindowText(w) == caption) return w;
  return nullptr;
}

HWND WaitForMessageBox(DWORD process_id, const std::string& caption, DWORD timeout_ms) {
  HWND box = nullptr;
  WaitUntil([&] { return (box = FindMessageBox(process_id, caption)) != nullptr; }, timeout_ms);
  return box;
}

HWND AnyMessageBox(DWORD process_id) {
  for (HWND w : FindTopLevelWindows("#32770", process_id))
    if (IsWindowVisible(w)) return w;
  return nullptr;
}

std::string MessageBoxText(HWND box) {
  std::string longest;
  for (HWND c = FindWindowExA(box, nullptr, "Static", nullptr); c;
       c = FindWindowExA(box, c, "Static", nullptr)) {
    const std::string text = WindowText(c);
    if (text.size() > longest.size()) longest = text;
  }
  return longest;
}

void AnswerMessageBox(HWND box, int button_id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, button_id)));
}

void ClickButton(HWND button) {
  PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

}  // namespace e2e
