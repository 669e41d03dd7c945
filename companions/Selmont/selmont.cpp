// Selmont.dll: the browser helper object. Internet Explorer makes one in every browser window
// and hands it the window's browser through SetSite; the object joins the browser's events
// (DWebBrowserEvents2) and
//   - asks the program for a scan when a new window opens or the top-level document completes
//     (RequestScan: only while blocking is on and the main window is ready);
//   - sends a top-level navigation to a URL shortcut's address when its address is a short name
//     (ShortcutRedirect): the navigation is cancelled and the new one starts from the browser's
//     message loop, after the event has returned.
// Everything it does on the browser's thread is a registry read, a small file read or a posted
// message: it never waits for another window. It lets go of the browser when the browser ends
// (OnQuit) or takes it back (SetSite(nullptr)).
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>

#include <new>
#include <string>

#include "com_kit.h"
#include "platform/win32/shell_automation_ids.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "popup_blocker/companion_shortcuts.h"

namespace {

// A message-only window per browser window carries the deferred navigation.
const char kWindowClass[] = "OrvanelSelmontNavigator";
constexpr UINT kNavigateMessage = WM_APP + 1;
ATOM g_window_class = 0;

LRESULT CALLBACK NavigatorProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

bool RegisterWindowClass() {
  if (g_window_class != 0) return true;
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = NavigatorProc;
  wc.hInstance = com_kit::Module();
  wc.lpszClassName = kWindowClass;
  g_window_class = RegisterClassExA(&wc);
  return g_window_class != 0;
}

class HelperObject final : public IObjectWithSite,
                           public com_kit::NoTypeInfo<IDispatch>,
                           private com_kit::RefCounted<HelperObject> {
 public:
  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, com_kit::kIidObjectWithSite)) {
      *out = static_cast<IObjectWithSite*>(this);
    } else if (IsEqualIID(riid, IID_IDispatch) ||
               IsEqualIID(riid, com_kit::kDiidWebBrowserEvents2)) {
      *out = static_cast<IDispatch*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

  // IObjectWithSite
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override {
    Disconnect();
    if (site == nullptr) return S_OK;
    site->QueryInterface(IID_IUnknown, site_.PutVoid());
    // Not a browser (a shell window that loaded the object anyway): nothing to follow.
    if (FAILED(site->QueryInterface(orv::kIidWebBrowser2, browser_.PutVoid()))) return S_OK;
    orv::ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(site->QueryInterface(com_kit::kIidConnectionPointContainer,
                                       container.PutVoid())) &&
        SUCCEEDED(container->FindConnectionPoint(com_kit::kDiidWebBrowserEvents2,
                                                 events_.Put()))) {
      if (FAILED(events_->Advise(static_cast<IDispatch*>(this), &cookie_))) {
        cookie_ = 0;
        events_.Reset();
      }
    }
    if (RegisterWindowClass()) {
      navigator_ = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   com_kit::Module(), nullptr);
      if (navigator_ != nullptr)
        SetWindowLongPtrA(navigator_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    return site_ ? site_->QueryInterface(riid, out) : E_FAIL;
  }

  // IDispatch: the browser's events
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    AddRef();  // OnQuit lets the browser go, and with it the browser's reference to this object
    try {
      switch (id) {
        case DISPID_NEWWINDOW2:
        case DISPID_NEWWINDOW3:
          Scan(orv::BrowserEvent::kNewWindow, false);
          break;
        case DISPID_DOCUMENTCOMPLETE:
          Scan(orv::BrowserEvent::kDocumentComplete, IsTopLevel(params));
          break;
        case DISPID_BEFORENAVIGATE2:
          BeforeNavigate(params);
          break;
        case DISPID_ONQUIT:
          Disconnect();
          break;
        default:
          break;
      }
    } catch (...) {
      // Nothing may leave an event: the browser goes on as if the object were not there.
    }
    Release();
    return S_OK;
  }

  // The deferred navigation, on the browser's thread.
  void NavigatePending() {
    if (!browser_ || pending_.empty()) return;
    orv::Bstr address(pending_.c_str());
    pending_.clear();
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = address.get();
    VARIANT none;
    VariantInit(&none);
    browser_->Navigate2(&url, &none, &none, &none, &none);
  }

 private:
  friend class com_kit::RefCounted<HelperObject>;
  ~HelperObject() { Disconnect(); }

  void Scan(orv::BrowserEvent event, bool top_level) {
    if (!browser_) return;  // the browser has ended
    orv::Win32Registry registry;
    com_kit::MainWindowTarget window;
    orv::RequestScan(registry, window, event, top_level);
  }

  // Argument 0 of DocumentComplete and BeforeNavigate2: the frame's browser object.
  bool IsTopLevel(DISPPARAMS* params) const {
    VARIANT* frame = com_kit::Argument(params, 0);
    if (frame == nullptr || !browser_) return false;
    IUnknown* object = frame->vt == VT_DISPATCH   ? frame->pdispVal
                       : frame->vt == VT_UNKNOWN  ? frame->punkVal
                                                  : nullptr;
    return com_kit::SameObject(object, browser_.get());
  }

  // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel).
  void BeforeNavigate(DISPPARAMS* params) {
    if (!browser_ || navigator_ == nullptr || !IsTopLevel(params)) return;
    std::string address;
    VARIANT* cancel = com_kit::Argument(params, 6);
    if (!com_kit::TextArgument(params, 1, &address) || cancel == nullptr ||
        cancel->vt != (VT_BYREF | VT_BOOL) || cancel->pboolVal == nullptr)
      return;
    orv::Win32Registry registry;
    orv::Win32FileSystem files;
    const std::string target = orv::ShortcutRedirect(registry, files, address);
    if (target.empty()) return;
    pending_ = orv::AnsiToWide(target);
    if (PostMessageA(navigator_, kNavigateMessage, 0, 0)) *cancel->pboolVal = VARIANT_TRUE;
  }

  // Leaves the browser's events and lets go of the browser and the site.
  void Disconnect() {
    if (events_ && cookie_ != 0) events_->Unadvise(cookie_);
    cookie_ = 0;
    events_.Reset();
    if (navigator_ != nullptr) {
      SetWindowLongPtrA(navigator_, GWLP_USERDATA, 0);
      DestroyWindow(navigator_);
      navigator_ = nullptr;
    }
    pending_.clear();
    browser_.Reset();
    site_.Reset();
  }

  orv::ComPtr<IUnknown> site_;
  orv::ComPtr<IWebBrowser2> browser_;
  orv::ComPtr<IConnectionPoint> events_;
  DWORD cookie_ = 0;
  HWND navigator_ = nullptr;
  std::wstring pending_;
};

LRESULT CALLBACK NavigatorProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kNavigateMessage) {
    auto* object = reinterpret_cast<HelperObject*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (object != nullptr) {
      object->AddRef();
      try {
        object->NavigatePending();
      } catch (...) {
      }
      object->Release();
    }
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

namespace com_kit {

const orv::ComServer& kServedClass = orv::kSelmontServer;

HRESULT CreateServedObject(REFIID riid, void** out) {
  return HandOut(new (std::nothrow) HelperObject(), riid, out);
}

}  // namespace com_kit

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  // Unloaded while the process goes on: the class must not outlive its window procedure.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr && g_window_class != 0)
    UnregisterClassA(kWindowClass, instance);
  return TRUE;
}
