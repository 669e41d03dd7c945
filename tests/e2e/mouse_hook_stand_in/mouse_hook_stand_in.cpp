// A test-only stand-in for the mouse-hook library Cravet.dll: each call of its two exports is
// appended as one line to "mouse_hook_calls.txt" beside the library, so the end-to-end driver
// sees whether and in which order the program turned the hook on and off.
#include <windows.h>

#include <string>

namespace {

HMODULE g_module = nullptr;

void Record(const std::string& line) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  std::string log(path, n);
  log.resize(log.find_last_of('\\') + 1);
  log += "mouse_hook_calls.txt";
  HANDLE file = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" void EnableMouseHook(HWND target) {
  Record("EnableMouseHook " + std::to_string(reinterpret_cast<UINT_PTR>(target)));
}

extern "C" void DisableMouseHook() { Record("DisableMouseHook"); }
