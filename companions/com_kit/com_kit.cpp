#include "com_kit.h"

#include <olectl.h>

#include <new>

#include "platform/win32/win32_com.h"
#include "platform/win32/win32_registry.h"
#include "shell/orvanel_form.h"

// The image this code is linked into (the linker's symbol for the module's base address).
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace com_kit {

namespace {

LONG g_objects = 0;
// LockServer's locks and the references held on the factory: while a client holds either, the
// library stays loaded.
LONG g_locks = 0;
// How long a hand-over may keep the browser's thread waiting for the program.
constexpr UINT kHandOverTimeoutMs = 3000;

// The library's one factory, a static object: each reference on it counts as a lock.
class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&g_locks)) + 1;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    return static_cast<ULONG>(InterlockedDecrement(&g_locks)) + 1;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    try {
      return CreateServedObject(riid, out);
    } catch (...) {
      return E_OUTOFMEMORY;  // nothing may leave a COM call
    }
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

ClassFactory g_factory;

HWND FindMainWindow() {
  HWND window = FindWindowA(orv::kFormClassName, orv::kMainCaption);
  return window != nullptr && GetPropA(window, orv::kStartedProperty) != nullptr ? window
                                                                                 : nullptr;
}

}  // namespace

HMODULE Module() { return reinterpret_cast<HMODULE>(&__ImageBase); }

std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(Module(), &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

ModuleObject::ModuleObject() { InterlockedIncrement(&g_objects); }
ModuleObject::~ModuleObject() { InterlockedDecrement(&g_objects); }

bool SameObject(IUnknown* a, IUnknown* b) {
  if (a == nullptr || b == nullptr) return false;
  orv::ComPtr<IUnknown> ua, ub;
  if (FAILED(a->QueryInterface(IID_IUnknown, ua.PutVoid())) ||
      FAILED(b->QueryInterface(IID_IUnknown, ub.PutVoid())))
    return false;
  return ua.get() == ub.get();
}

bool ParseClassId(const char* text, CLSID* out) {
  std::wstring wide = orv::AnsiToWide(text);
  return SUCCEEDED(CLSIDFromString(&wide[0], out));
}

HRESULT IdsOfNames(const DispatchName* table, size_t table_size, LPOLESTR* names, UINT count,
                   DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (count == 0) return S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (size_t i = 0; i < table_size; ++i) {
    if (names[0] != nullptr && lstrcmpiW(names[0], table[i].name) == 0) {
      ids[0] = table[i].id;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

VARIANT* Argument(const DISPPARAMS* params, UINT index) {
  if (params == nullptr || params->rgvarg == nullptr || index >= params->cArgs) return nullptr;
  VARIANT* v = &params->rgvarg[params->cArgs - 1 - index];
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal != nullptr) v = v->pvarVal;
  return v;
}

bool TextArgument(const DISPPARAMS* params, UINT index, std::string* out) {
  out->clear();
  VARIANT* v = Argument(params, index);
  if (v == nullptr || v->vt == VT_EMPTY || v->vt == VT_NULL || v->vt == VT_ERROR) return false;
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, v, 0, VT_BSTR))) return false;
  const bool exact = orv::WideToAnsiExactly(
      text.bstrVal, static_cast<int>(SysStringLen(text.bstrVal)), out);
  VariantClear(&text);
  return exact && !out->empty();
}

bool TextProperty(IDispatch* object, const wchar_t* name, std::string* out) {
  out->clear();
  if (object == nullptr) return false;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  if (FAILED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                            &value, nullptr, nullptr)))
    return false;
  VARIANT arg = value;  // as an argument of one: TextArgument's conversion
  DISPPARAMS one = {&arg, nullptr, 1, 0};
  const bool ok = TextArgument(&one, 0, out);
  VariantClear(&value);
  return ok;
}

bool MainWindowTarget::Ready() { return FindMainWindow() != nullptr; }

bool MainWindowTarget::Post(unsigned message) {
  HWND window = FindMainWindow();
  return window != nullptr && PostMessageA(window, message, 0, 0);
}

bool MainWindowTarget::HandOver(unsigned long tag, const std::string& bytes) {
  HWND window = FindMainWindow();
  if (window == nullptr) return false;
  COPYDATASTRUCT data = {};
  data.dwData = tag;
  data.cbData = static_cast<DWORD>(bytes.size());
  data.lpData = const_cast<char*>(bytes.data());
  DWORD_PTR taken = FALSE;
  // SMTO_BLOCK: no other sent message may reach this (the browser's) thread while it waits.
  return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_BLOCK | SMTO_ABORTIFHUNG, kHandOverTimeoutMs, &taken) != 0 &&
         taken == TRUE;
}

}  // namespace com_kit

// ---- the library's entry points

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  CLSID served;
  if (!com_kit::ParseClassId(com_kit::kServedClass.class_id, &served) ||
      !IsEqualCLSID(clsid, served))
    return CLASS_E_CLASSNOTAVAILABLE;
  return com_kit::g_factory.QueryInterface(riid, out);
}

STDAPI DllCanUnloadNow() {
  return com_kit::g_objects == 0 && com_kit::g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  try {
    const std::string path = com_kit::ModulePath();
    orv::Win32Registry registry;
    if (path.empty() || !orv::RegisterComServer(registry, com_kit::kServedClass, path))
      return SELFREG_E_CLASS;
    return S_OK;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

STDAPI DllUnregisterServer() {
  try {
    orv::Win32Registry registry;
    return orv::UnregisterComServer(registry, com_kit::kServedClass) ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}
