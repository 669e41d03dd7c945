// Darrowin.dll: the black-list object of the context-menu pages ("GetCurrent.htm",
// "GetLink.htm"), created by its programmatic identifier (kBlackListProgId) from the page's
// script. Its one method:
//   AddUrl(address) -> true when the program took the address (AddToBlackList: handed over with
//   WM_COPYDATA), false when it was refused or no program took it.
// It is site-locked: the browser hands an object that a page's script creates the page's site
// (IObjectWithSite::SetSite), and AddUrl works only when that page is one of the two
// context-menu pages of a program folder the library knows (IsOwnMenuPage). Any other caller,
// a web page or one that gave no site, gets E_ACCESSDENIED and nothing is sent. So it may tell
// the browser, through IObjectSafety, that it is safe to script.
#include <windows.h>
#include <objsafe.h>
#include <ocidl.h>

#include <new>
#include <string>

#include "com_kit.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_registry.h"
#include "popup_blocker/companion_site_lock.h"

namespace {

constexpr DISPID kAddUrl = 1;
const com_kit::DispatchName kNames[] = {{L"AddUrl", kAddUrl}};

constexpr DWORD kSafeOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

// The address of the document behind a site: the script engine's site answers the document
// (SID_SContainerDispatch, as the browser's script engine serves it); an embedding container's
// client site holds it as its container. "" when there is none.
std::string DocumentAddress(IUnknown* site) {
  if (site == nullptr) return std::string();
  orv::ComPtr<IDispatch> document;
  orv::ComPtr<IServiceProvider> services;
  if (SUCCEEDED(site->QueryInterface(com_kit::kIidServiceProvider, services.PutVoid())))
    services->QueryService(com_kit::kSidContainerDispatch, IID_IDispatch, document.PutVoid());
  if (!document) {
    orv::ComPtr<IOleClientSite> client;
    orv::ComPtr<IOleContainer> container;
    if (SUCCEEDED(site->QueryInterface(com_kit::kIidOleClientSite, client.PutVoid())) &&
        SUCCEEDED(client->GetContainer(container.Put())))
      container->QueryInterface(IID_IDispatch, document.PutVoid());
  }
  std::string address;
  return com_kit::TextProperty(document.get(), L"URL", &address) ? address : std::string();
}

class BlackList final : public com_kit::NoTypeInfo<IDispatch>,
                        public IObjectSafety,
                        public IObjectWithSite,
                        private com_kit::RefCounted<BlackList> {
 public:
  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(riid, com_kit::kIidObjectSafety)) {
      *out = static_cast<IObjectSafety*>(this);
    } else if (IsEqualIID(riid, com_kit::kIidObjectWithSite)) {
      *out = static_cast<IObjectWithSite*>(this);
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
    bool taken = false;
    try {
      if (!CalledFromOwnMenuPage()) return E_ACCESSDENIED;
      std::string address;
      com_kit::TextArgument(params, 0, &address);  // none, or not convertible: "", refused
      com_kit::MainWindowTarget window;
      taken = orv::AddToBlackList(window, address) == orv::AddUrlOutcome::kHandedOver;
    } catch (...) {
      taken = false;  // nothing may leave a COM call
    }
    if (result != nullptr) {
      VariantInit(result);
      result->vt = VT_BOOL;
      result->boolVal = taken ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }

  // IObjectSafety: safe for scripting through IDispatch (the site lock decides who may add); it
  // takes no initialisation data.
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

  // IObjectWithSite: the page's site, given by the script engine that created the object.
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override {
    site_.Reset();
    if (site != nullptr) site->QueryInterface(IID_IUnknown, site_.PutVoid());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return site_ ? site_->QueryInterface(riid, out) : E_FAIL;
  }

 private:
  friend class com_kit::RefCounted<BlackList>;
  ~BlackList() = default;

  // The site lock, asked afresh at every call: the document may have navigated since.
  bool CalledFromOwnMenuPage() {
    if (!site_) return false;
    orv::Win32Registry registry;
    return orv::IsOwnMenuPage(DocumentAddress(site_.get()),
                              orv::KnownProgramFolders(registry, com_kit::ModulePath()));
  }

  DWORD enabled_ = 0;
  orv::ComPtr<IUnknown> site_;
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
