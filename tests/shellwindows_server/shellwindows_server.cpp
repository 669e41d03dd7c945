// TestShellWindows.dll: an in-process server for the shell's ShellWindows class, for test Wine
// prefixes only. Wine's own ShellWindows lists no browser windows (Count and Item are not
// implemented), so this stand-in reports every top-level window of class "IEFrame" (Wine's
// iexplore frames, or dummy frames made by a test) as a browser:
//   LocationURL = the text of the frame's first non-empty Edit descendant (the address bar),
//                 else the frame's title;
//   Quit        = WM_CLOSE posted to the frame.
// DllRegisterServer points the class at this DLL under HKLM\Software\Classes and keeps the
// previous server entry; DllUnregisterServer puts it back.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <exdisp.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "platform/win32/shell_automation_ids.h"

namespace {

using orv::kClsidShellWindows;
using orv::kIidShellWindows;
using orv::kIidWebBrowser2;
const IID kIidWebBrowserApp = {
    0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidWebBrowser = {
    0xEAB22AC1, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};

const wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}";
const wchar_t kServerKey[] =
    L"Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32";
// Values this DLL leaves beside its registration so that unregistering can undo it.
const wchar_t kSavedMark[] = L"TestShellWindowsSaved";          // REG_DWORD 1: a backup exists
const wchar_t kSavedServer[] = L"TestShellWindowsSavedServer";  // previous default value
const wchar_t kSavedModel[] = L"TestShellWindowsSavedThreadingModel";
const wchar_t kCreatedMark[] = L"TestShellWindowsCreatedClass";  // the class key was new

HMODULE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;

// ---------------------------------------------------------------- windows

bool IsBrowserFrame(HWND window) {
  wchar_t name[16];
  return GetClassNameW(window, name, 16) > 0 && lstrcmpW(name, L"IEFrame") == 0;
}

BOOL CALLBACK CollectFrame(HWND window, LPARAM list) {
  if (IsBrowserFrame(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// The frames, oldest first as far as the z-order tells (new windows enter at the top).
std::vector<HWND> BrowserFrames() {
  std::vector<HWND> frames;
  EnumWindows(CollectFrame, reinterpret_cast<LPARAM>(&frames));
  std::reverse(frames.begin(), frames.end());
  return frames;
}

// WM_GETTEXT, which also reads edit controls of other processes; a hung window reads as empty.
std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length) ||
      length == 0) {
    return std::wstring();
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                           SMTO_ABORTIFHUNG, 2000, &copied)) {
    return std::wstring();
  }
  text.resize(std::min<size_t>(copied, length));
  return text;
}

struct AddressSearch {
  std::wstring text;
};

BOOL CALLBACK FindAddressEdit(HWND child, LPARAM param) {
  wchar_t name[16];
  if (GetClassNameW(child, name, 16) > 0 && lstrcmpiW(name, L"Edit") == 0) {
    auto* search = reinterpret_cast<AddressSearch*>(param);
    search->text = WindowText(child);
    if (!search->text.empty()) return FALSE;
  }
  return TRUE;
}

// The title as the window manager holds it: no message is sent, so a frame whose thread is busy
// (a test driver waiting for the program) still answers at once.
std::wstring Title(HWND frame) {
  std::wstring text(1024, L'\0');
  int length = InternalGetWindowText(frame, &text[0], static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return text;
}

std::wstring FrameAddress(HWND frame) {
  AddressSearch search;
  EnumChildWindows(frame, FindAddressEdit, reinterpret_cast<LPARAM>(&search));
  if (!search.text.empty()) return search.text;
  return Title(frame);
}

HRESULT DeadWindow() { return HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE); }

// ---------------------------------------------------------------- objects

// Counts live objects for DllCanUnloadNow.
class Counted {
 protected:
  Counted() { InterlockedIncrement(&g_objects); }
  ~Counted() { InterlockedDecrement(&g_objects); }
};

// One browser frame. The IDispatch part carries no type information; callers use the vtable.
class Browser final : public IWebBrowser2, private Counted {
 public:
  explicit Browser(HWND frame) : frame_(frame) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIidWebBrowser) || IsEqualIID(riid, kIidWebBrowserApp) ||
        IsEqualIID(riid, kIidWebBrowser2)) {
      *out = static_cast<IWebBrowser2*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

  // IWebBrowser: the members with bodies
  HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override {
    if (url == nullptr) return E_POINTER;
    *url = nullptr;
    if (!IsWindow(frame_)) return DeadWindow();
    std::wstring address = FrameAddress(frame_);
    *url = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
    return *url != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* name) override {
    if (name == nullptr) return E_POINTER;
    *name = nullptr;
    if (!IsWindow(frame_)) return DeadWindow();
    std::wstring title = Title(frame_);
    *name = SysAllocStringLen(title.data(), static_cast<UINT>(title.size()));
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  // IWebBrowserApp: the members with bodies
  HRESULT STDMETHODCALLTYPE Quit() override {
    if (!PostMessageW(frame_, WM_CLOSE, 0, 0)) {
      DWORD error = GetLastError();
      return error != 0 ? HRESULT_FROM_WIN32(error) : DeadWindow();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* window) override {
    if (window == nullptr) return E_POINTER;
    *window = reinterpret_cast<SHANDLE_PTR>(frame_);
    return S_OK;
  }

  // IWebBrowser: the rest
  HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoHome() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoSearch() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Application(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Container(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Document(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Type(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Left(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Left(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Top(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Top(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Width(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Width(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Height(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Height(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL*) override { return E_NOTIMPL; }

  // IWebBrowserApp: the rest
  HRESULT STDMETHODCALLTYPE ClientToWindow(int*, int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Name(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_FullName(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Path(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_StatusText(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_StatusText(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ToolBar(int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_ToolBar(int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }

  // IWebBrowser2
  HRESULT STDMETHODCALLTYPE Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID, OLECMDF*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL) override { return E_NOTIMPL; }

 private:
  ~Browser() = default;
  LONG refs_ = 1;
  HWND frame_;
};

// The collection. get_Count takes a snapshot of the frames and Item reads from the latest one, so
// a window closed during a scan does not shift the indexes of the windows after it.
class ShellWindows final : public IShellWindows, private Counted {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIidShellWindows)) {
      *out = static_cast<IShellWindows*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    if (count == nullptr) return E_POINTER;
    snapshot_ = BrowserFrames();
    taken_ = true;
    *count = static_cast<LONG>(snapshot_.size());
    return S_OK;
  }

  // Like the shell's collection: an index outside the list gives S_FALSE and no object.
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** folder) override {
    if (folder == nullptr) return E_POINTER;
    *folder = nullptr;
    VARIANT number;
    VariantInit(&number);
    if (FAILED(VariantChangeType(&number, &index, 0, VT_I4))) return E_INVALIDARG;
    if (!taken_) {
      snapshot_ = BrowserFrames();
      taken_ = true;
    }
    LONG i = number.lVal;
    if (i < 0 || static_cast<size_t>(i) >= snapshot_.size()) return S_FALSE;
    HWND frame = snapshot_[static_cast<size_t>(i)];
    if (!IsWindow(frame)) return S_FALSE;  // closed since the count was taken
    Browser* browser = new (std::nothrow) Browser(frame);
    if (browser == nullptr) return E_OUTOFMEMORY;
    *folder = static_cast<IWebBrowser2*>(browser);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown**) override { return E_NOTIMPL; }

  // Registration by browsers is accepted and ignored: the list comes from the window manager.
  HRESULT STDMETHODCALLTYPE Register(IDispatch*, LONG, int, LONG* cookie) override {
    if (cookie != nullptr) *cookie = ++next_cookie_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RegisterPending(LONG, VARIANT*, VARIANT*, int, LONG* cookie) override {
    if (cookie != nullptr) *cookie = ++next_cookie_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Revoke(LONG) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnNavigate(LONG, VARIANT*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnActivated(LONG, VARIANT_BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FindWindowSW(VARIANT*, VARIANT*, int, LONG* window, int,
                                         IDispatch** found) override {
    if (window != nullptr) *window = 0;
    if (found != nullptr) *found = nullptr;
    return S_FALSE;  // not found
  }
  HRESULT STDMETHODCALLTYPE OnCreated(LONG, IUnknown*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ProcessAttachDetach(VARIANT_BOOL) override { return S_OK; }

 private:
  ~ShellWindows() = default;
  LONG refs_ = 1;
  LONG next_cookie_ = 0;
  bool taken_ = false;
  std::vector<HWND> snapshot_;
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is a static object; its references keep the DLL loaded.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ShellWindows* windows = new (std::nothrow) ShellWindows();
    if (windows == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = windows->QueryInterface(riid, out);
    windows->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&g_locks);
    } else {
      InterlockedDecrement(&g_locks);
    }
    return S_OK;
  }
};

Factory g_factory;

// ---------------------------------------------------------------- registry

LONG SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool GetText(HKEY key, const wchar_t* name, std::wstring* text) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  buffer.resize(size / sizeof(wchar_t));
  while (!buffer.empty() && buffer.back() == L'\0') buffer.pop_back();
  *text = buffer;
  return true;
}

bool HasValue(HKEY key, const wchar_t* name) {
  return RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Moves value `from` to `to` (or deletes `to` when `from` is missing).
void MoveText(HKEY key, const wchar_t* from, const wchar_t* to) {
  std::wstring text;
  if (GetText(key, from, &text)) {
    SetText(key, to, text);
  } else {
    RegDeleteValueW(key, to);
  }
  RegDeleteValueW(key, from);
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(g_module, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kClsidShellWindows)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, out);
}

STDAPI DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  std::wstring path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  HKEY class_key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &class_key, &disposition) != ERROR_SUCCESS) {
    return SELFREG_E_CLASS;
  }
  if (disposition == REG_CREATED_NEW_KEY) {
    SetText(class_key, nullptr, L"ShellWindows");
    DWORD one = 1;
    RegSetValueExW(class_key, kCreatedMark, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                   sizeof one);
  }
  RegCloseKey(class_key);

  HKEY server = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &server, nullptr) != ERROR_SUCCESS) {
    return SELFREG_E_CLASS;
  }
  // Keep the entry found at the first registration only: registering again (from another
  // build folder, say) must not save this DLL as the "previous" server.
  if (!HasValue(server, kSavedMark)) {
    std::wstring text;
    if (GetText(server, nullptr, &text)) SetText(server, kSavedServer, text);
    if (GetText(server, L"ThreadingModel", &text)) SetText(server, kSavedModel, text);
    DWORD one = 1;
    RegSetValueExW(server, kSavedMark, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                   sizeof one);
  }
  LONG status = SetText(server, nullptr, path);
  if (status == ERROR_SUCCESS) status = SetText(server, L"ThreadingModel", L"Apartment");
  RegCloseKey(server);
  return status == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
  HKEY class_key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_ALL_ACCESS, &class_key) !=
      ERROR_SUCCESS) {
    return S_OK;  // nothing registered
  }
  bool created = HasValue(class_key, kCreatedMark);
  HKEY server = nullptr;
  bool ours = false;
  if (RegOpenKeyExW(class_key, L"InprocServer32", 0, KEY_ALL_ACCESS, &server) == ERROR_SUCCESS) {
    ours = HasValue(server, kSavedMark);
    if (ours && !created) {
      MoveText(server, kSavedServer, nullptr);
      MoveText(server, kSavedModel, L"ThreadingModel");
      RegDeleteValueW(server, kSavedMark);
    }
    RegCloseKey(server);
  }
  RegCloseKey(class_key);
  if (created) {
    // Given a sub-key name, RegDeleteTree removes that key as well.
    if (RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey) != ERROR_SUCCESS) return SELFREG_E_CLASS;
  }
  return S_OK;
}
