// Selmont.dll: the browser helper object. Internet Explorer makes one in every browser window
// (in every tab, in the tab's process) and hands it the window's browser through SetSite; the
// object joins the browser's events (DWebBrowserEvents2) and
//   - keeps a new window from opening when the blocker's lists would close it (NewWindow3:
//     KeepsWindowFromOpening cancels it and hands its address to the program, which reports it);
//   - asks the program for a scan when any other new window opens or the top-level document
//     completes (RequestScan: only while blocking is not off and the main window is ready);
//   - sends a top-level navigation the user may have typed to a URL shortcut's address when its
//     address is a short name (ShortcutRedirect): the navigation is cancelled and the new one
//     starts from the browser's message loop, after the event has returned.
// Everything it does on the browser's thread is a registry read, a look at a file's stamp, a
// small file read, a posted message or a hand-over with a short time limit. It lets go of the
// browser when the browser ends (OnQuit) or takes it back (SetSite(nullptr)).
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>

#include <new>
#include <optional>
#include <string>

#include "com_kit.h"
#include "platform/win32/shell_automation_ids.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "popup_blocker/companion_new_window.h"
#include "popup_blocker/companion_shortcuts.h"

namespace {

// A message-only window per browser window carries the deferred navigation.
const char kWindowClass[] = "OrvanelSelmontNavigator";
constexpr UINT kNavigateMessage = WM_APP + 1;
// The class is registered once for the library by whichever tab's thread comes first; the lock
// (made in DllMain) keeps two threads from registering it at once.
CRITICAL_SECTION g_class_lock;
bool g_class_registered = false;

LRESULT CALLBACK NavigatorProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

bool RegisterWindowClass() {
  EnterCriticalSection(&g_class_lock);
  if (!g_class_registered) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = NavigatorProc;
    wc.hInstance = com_kit::Module();
    wc.lpszClassName = kWindowClass;
    // Already there: left by an earlier load of the library at the same address, with this
    // window procedure.
    g_class_registered =
        RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  const bool registered = g_class_registered;
  LeaveCriticalSection(&g_class_lock);
  return registered;
}

// The size and last-write time of a file, when it can be examined.
std::optional<orv::ListFileStamp> StampOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    return std::nullopt;
  return orv::ListFileStamp{
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
      (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
          data.ftLastWriteTime.dwLowDateTime};
}

// Whether a navigation sends form data (BeforeNavigate2's PostData: an array of bytes).
bool HasPostData(const DISPPARAMS* params) {
  const VARIANT* v = com_kit::Argument(params, 4);
  if (v == nullptr || (v->vt & VT_ARRAY) == 0) return false;
  SAFEARRAY* array = (v->vt & VT_BYREF) ? (v->pparray ? *v->pparray : nullptr) : v->parray;
  LONG low = 0, high = -1;
  return array != nullptr && SUCCEEDED(SafeArrayGetLBound(array, 1, &low)) &&
         SUCCEEDED(SafeArrayGetUBound(array, 1, &high)) && high >= low;
}

long LongArgument(const DISPPARAMS* params, UINT index) {
  const VARIANT* v = com_kit::Argument(params, index);
  if (v == nullptr) return 0;
  VARIANT number;
  VariantInit(&number);
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(v), 0, VT_I4))) return 0;
  return number.lVal;
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
          Scan(orv::BrowserEvent::kNewWindow, false);
          break;
        case DISPID_NEWWINDOW3:
          NewWindow(params);
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

  // NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl).
  void NewWindow(DISPPARAMS* params) {
    if (!browser_) return;
    VARIANT* cancel = com_kit::Argument(params, 1);
    std::string address;
    if (cancel != nullptr && cancel->vt == (VT_BYREF | VT_BOOL) && cancel->pboolVal != nullptr &&
        com_kit::TextArgument(params, 4, &address)) {
      orv::Win32Registry registry;
      com_kit::MainWindowTarget window;
      const std::string list_file = orv::NewWindowListFile(registry, com_kit::ModulePath());
      if (orv::KeepsWindowFromOpening(registry, files_, lists_, window, list_file,
                                      StampOf(list_file), address)) {
        *cancel->pboolVal = VARIANT_TRUE;
        return;
      }
    }
    Scan(orv::BrowserEvent::kNewWindow, false);
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
    std::string headers;
    com_kit::TextArgument(params, 5, &headers);
    if (!orv::MayBeTypedNavigation(LongArgument(params, 2), HasPostData(params), headers)) return;
    orv::Win32Registry registry;
    const std::string target =
        orv::ShortcutRedirect(registry, files_, address, com_kit::ModulePath());
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
  orv::Win32FileSystem files_;
  orv::NewWindowLists lists_;  // of this browser window, between its new windows
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
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    InitializeCriticalSection(&g_class_lock);
  }
  if (reason == DLL_PROCESS_DETACH) {
    // Unloaded while the process goes on: the class must not outlive its window procedure.
    if (reserved == nullptr && g_class_registered) UnregisterClassA(kWindowClass, instance);
    DeleteCriticalSection(&g_class_lock);
  }
  return TRUE;
}
