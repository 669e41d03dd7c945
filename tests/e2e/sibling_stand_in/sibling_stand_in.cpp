// A test-only stand-in for a COM library (a toolbar, a browser helper object) that the inventory
// pages meet: registers and unregisters one COM class the way RegSvr32 expects, so the
// end-to-end driver can see from the registry which file RegSvr32 was given. Built once per
// library; STAND_IN_CLASS_ID and STAND_IN_NAME pick which.
#include <windows.h>
#include <olectl.h>

#ifndef STAND_IN_CLASS_ID
#error "STAND_IN_CLASS_ID must name the class identifier, for example \"{...}\""
#endif
#ifndef STAND_IN_NAME
#error "STAND_IN_NAME must name the library"
#endif

namespace {

const char kClassKey[] = "Software\\Classes\\CLSID\\" STAND_IN_CLASS_ID;
HMODULE g_module = nullptr;

LONG SetDefault(HKEY key, const char* text) {
  return RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(lstrlenA(text) + 1));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

// Writes HKLM\Software\Classes\CLSID\{id} (seen as HKCR\CLSID\{id}) with the library's name and
// InprocServer32 = the full path this file was loaded from.
extern "C" HRESULT __stdcall DllRegisterServer() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return E_FAIL;
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClassKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return SELFREG_E_CLASS;
  LONG rc = SetDefault(key, STAND_IN_NAME);
  HKEY server;
  if (rc == ERROR_SUCCESS)
    rc = RegCreateKeyExA(key, "InprocServer32", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &server,
                         nullptr);
  if (rc == ERROR_SUCCESS) {
    rc = SetDefault(server, path);
    RegCloseKey(server);
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
  const LONG rc = RegDeleteTreeA(HKEY_LOCAL_MACHINE, kClassKey);
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
