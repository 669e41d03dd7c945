// Darrowin.dll: the black-list object of the context-menu pages ("GetCurrent.htm",
// "GetLink.htm"), created by its programmatic identifier (kBlackListProgId) from the page's
// script. Its one method:
//   AddUrl(address) -> true when the address went to the program (AddToBlackList: LastAddUrl
//   written, then WM_AD_ADDURL posted); false when it was refused or no program runs.
// It tells the browser, through IObjectSafety, that it is safe to script from a page: any page
// may call it, so what it accepts is limited by BlackListEntryFor.
#include <windows.h>
#include <objsafe.h>

#include <new>
#include <string>

#include "com_kit.h"
#include "platform/win32/win32_registry.h"

namespace {

constexpr DISPID kAddUrl = 1;
const com_kit::DispatchName kNames[] = {{L"AddUrl", kAddUrl}};

constexpr DWORD kSafeOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

class BlackList final : public com_kit::NoTypeInfo<IDispatch>,
                        public IObjectSafety,
                        private com_kit::RefCounted<BlackList> {
 public:
  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(riid, com_kit::kIidObjectSafety)) {
      *out = static_cast<IObjectSafety*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    return com_kit::IdsOfNames(kNames, sizeof kNames / sizeof kNames[0], names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != kAddUrl || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (params == nullptr || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    bool posted = false;
    try {
      std::string address;
      com_kit::TextArgument(params, 0, &address);  // none: "", which is refused
      orv::Win32Registry registry;
      com_kit::MainWindowTarget window;
      posted = orv::AddToBlackList(registry, window, address) == orv::AddUrlOutcome::kPosted;
    } catch (...) {
      posted = false;  // nothing may leave a COM call
    }
    if (result != nullptr) {
      VariantInit(result);
      result->vt = VT_BOOL;
      result->boolVal = posted ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }

  // IObjectSafety: safe for scripting through IDispatch; it takes no initialisation data.
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                                      DWORD* enabled) override {
    if (supported == nullptr || enabled == nullptr) return E_POINTER;
    *supported = *enabled = 0;
    if (!IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, IID_IUnknown))
      return E_NOINTERFACE;
    *supported = kSafeOptions;
    *enabled = enabled_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID riid, DWORD mask,
                                                      DWORD enabled) override {
    if (!IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, IID_IUnknown))
      return E_NOINTERFACE;
    if ((enabled & mask & ~kSafeOptions) != 0) return E_FAIL;
    enabled_ = (enabled_ & ~mask) | (enabled & mask);
    return S_OK;
  }

 private:
  friend class com_kit::RefCounted<BlackList>;
  ~BlackList() = default;

  DWORD enabled_ = 0;
};

}  // namespace

namespace com_kit {

const orv::ComServer& kServedClass = orv::kDarrowinServer;

HRESULT CreateServedObject(REFIID riid, void** out) {
  return HandOut(new (std::nothrow) BlackList(), riid, out);
}

}  // namespace com_kit

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
