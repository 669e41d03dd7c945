// The browser-side companions for real, with what a browser would give them played by the test:
//   Selmont.dll, created through COM and given a site that raises the browser's events, asks the
//   running program for scans (which close a black-listed dummy frame) and sends short names to
//   their addresses; a main window of the test's own records exactly what it posts;
//   Selmont.dll keeps a black-listed new window from opening (NewWindow3) and the program reports
//   it in its tray history;
//   Darrowin.dll, created by its programmatic identifier, given a page's site as the browser's
//   script engine gives it and called through IDispatch, hands addresses to the running
//   program's black list only for the program's own context-menu pages;
//   WM_COPYDATA from this (another) process hands an address over as the companions do;
//   the script of the pages GetCurrent.htm and GetLink.htm, taken from the program folder and run
//   by the system's script host with a stand-in for the browser's context-menu arguments.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <exdisp.h>
#include <exdispid.h>
#include <objbase.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "browser_side.h"
#include "harness.h"
#include "remote_controls.h"
#include "tray_menu_keys.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr UINT kAdScan = 0x502;
const char kSection[] = "POPUPAD";
const char kBlackSheet[] = "黑名单";

const CLSID kSelmontClass = {
    0x6B1E93D2, 0x4F0A, 0x4C57, {0x9E, 0x38, 0x2D, 0x7A, 0x5C, 0x1F, 0x0B, 0x64}};
const IID kIidWebBrowser2 = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
const IID kDiidWebBrowserEvents2 = {
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};
const IID kIidObjectWithSite = {
    0xFC4801A3, 0x2BA9, 0x11CF, {0xA2, 0x29, 0x00, 0xAA, 0x00, 0x3D, 0x73, 0x52}};
const IID kIidConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID kIidConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID kIidObjectSafety = {
    0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
const IID kIidServiceProvider = {
    0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
const GUID kSidContainerDispatch = {
    0xB722BE00, 0x4E68, 0x101B, {0xA2, 0xBC, 0x00, 0xAA, 0x00, 0x40, 0x47, 0x70}};
// The program's data tags of WM_COPYDATA.
constexpr ULONG_PTR kCopyDataAddUrl = 0x4F525601;

#define NOT_HERE override { return E_NOTIMPL; }

// A browser window as the helper object sees its site: IWebBrowser2 (Navigate2 records the
// address) and the connection point of DWebBrowserEvents2, through which the test raises events.
class FakeBrowser final : public IWebBrowser2,
                          public IConnectionPointContainer,
                          public IConnectionPoint {
 public:
  LONG refs = 1;
  IDispatch* sink = nullptr;
  std::vector<std::wstring> navigations;

  ~FakeBrowser() {
    if (sink) sink->Release();
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIidWebBrowser2)) {
      *out = static_cast<IWebBrowser2*>(this);
    } else if (IsEqualIID(riid, kIidConnectionPointContainer)) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else if (IsEqualIID(riid, kIidConnectionPoint)) {
      *out = static_cast<IConnectionPoint*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  // Owned by the test, which looks at the count; never deleted through it.
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }

  // IConnectionPointContainer, IConnectionPoint: one sink of DWebBrowserEvents2
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) NOT_HERE
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    *point = nullptr;
    if (!IsEqualIID(riid, kDiidWebBrowserEvents2)) return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) NOT_HERE
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) NOT_HERE
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* object, DWORD* cookie) override {
    if (sink) return CONNECT_E_ADVISELIMIT;
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = 7;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    if (cookie != 7 || !sink) return CONNECT_E_NOCONNECTION;
    IDispatch* s = sink;
    sink = nullptr;
    s->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) NOT_HERE

  // The one member with a body.
  HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*,
                                      VARIANT*) override {
    navigations.push_back(url && url->vt == VT_BSTR ? url->bstrVal : L"<not text>");
    return S_OK;
  }

  // Raises an event; arguments in the order the event declares them.
  void Raise(DISPID id, std::vector<VARIANT> args) {
    ASSERT_NE(sink, nullptr) << "the helper object did not join the events";
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                         static_cast<UINT>(reversed.size()), 0};
    EXPECT_EQ(sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              S_OK);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) NOT_HERE
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) NOT_HERE
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) NOT_HERE
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) NOT_HERE
  // IWebBrowser, IWebBrowserApp, IWebBrowser2: nothing else is called
  HRESULT STDMETHODCALLTYPE GoBack() NOT_HERE
  HRESULT STDMETHODCALLTYPE GoForward() NOT_HERE
  HRESULT STDMETHODCALLTYPE GoHome() NOT_HERE
  HRESULT STDMETHODCALLTYPE GoSearch() NOT_HERE
  HRESULT STDMETHODCALLTYPE Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*) NOT_HERE
  HRESULT STDMETHODCALLTYPE Refresh() NOT_HERE
  HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) NOT_HERE
  HRESULT STDMETHODCALLTYPE Stop() NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Application(IDispatch**) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch**) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Container(IDispatch**) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Document(IDispatch**) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Type(BSTR*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Left(LONG*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_Left(LONG) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Top(LONG*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_Top(LONG) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Width(LONG*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_Width(LONG) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Height(LONG*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_Height(LONG) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_LocationName(BSTR*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE Quit() NOT_HERE
  HRESULT STDMETHODCALLTYPE ClientToWindow(int*, int*) NOT_HERE
  HRESULT STDMETHODCALLTYPE PutProperty(BSTR, VARIANT) NOT_HERE
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR, VARIANT*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Name(BSTR*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_FullName(BSTR*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Path(BSTR*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_StatusText(BSTR*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_StatusText(BSTR) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_ToolBar(int*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_ToolBar(int) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID, OLECMDF*) NOT_HERE
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) NOT_HERE
  HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE*) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL) NOT_HERE
  HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL*) NOT_HERE
  HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL) NOT_HERE
};

#undef NOT_HERE

// A test-owned object with one interface besides IUnknown; never deleted through its count.
template <class I>
class OneInterface : public I {
 public:
  explicit OneInterface(const IID& iid) : iid_(iid) {}
  LONG refs = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, iid_)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<I*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }

 private:
  IID iid_;
};

// A page's document as a scripted object reaches it: only IDispatch, with the property "URL".
class FakeDocument final : public OneInterface<IDispatch> {
 public:
  explicit FakeDocument(std::wstring url) : OneInterface(IID_IDispatch), url(std::move(url)) {}
  std::wstring url;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (count != 1 || lstrcmpiW(names[0], L"URL") != 0) return DISP_E_UNKNOWNNAME;
    ids[0] = kUrl;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != kUrl || !(flags & DISPATCH_PROPERTYGET) || result == nullptr)
      return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocString(url.c_str());
    return S_OK;
  }

 private:
  static constexpr DISPID kUrl = 1025;
};

// The site the browser's script engine gives an object it creates: a service provider that
// answers with the document of the page (at `url`) whose script created it.
class FakeScriptSite final : public OneInterface<IServiceProvider> {
 public:
  explicit FakeScriptSite(std::wstring url)
      : OneInterface(kIidServiceProvider), document(std::move(url)) {}
  FakeDocument document;

  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** out) override {
    *out = nullptr;
    if (!IsEqualGUID(service, kSidContainerDispatch)) return E_NOINTERFACE;
    return document.QueryInterface(riid, out);
  }
};

VARIANT Dispatch(IDispatch* object) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  return v;
}
VARIANT ByRef(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = target;
  return v;
}
VARIANT BoolRef(VARIANT_BOOL* target) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = target;
  return v;
}
VARIANT Empty() {
  VARIANT v;
  VariantInit(&v);
  return v;
}
// A text argument (nullptr: none given); the caller clears it.
VARIANT Text(const wchar_t* text) {
  VARIANT v = Empty();
  if (text) {
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
  }
  return v;
}

// The browser's events, with the arguments a browser passes.
void NewWindow2(FakeBrowser& browser) {
  IDispatch* created = nullptr;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT slot;
  VariantInit(&slot);
  slot.vt = VT_BYREF | VT_DISPATCH;
  slot.ppdispVal = &created;
  browser.Raise(DISPID_NEWWINDOW2, {slot, BoolRef(&cancel)});
  EXPECT_EQ(cancel, VARIANT_FALSE) << "a new window was refused";
}
void DocumentComplete(FakeBrowser& browser, IDispatch* frame) {
  VARIANT url = Text(L"http://www.example.org/");
  browser.Raise(DISPID_DOCUMENTCOMPLETE, {Dispatch(frame), ByRef(&url)});
  VariantClear(&url);
}
// True when the helper object cancelled the navigation.
// A page's navigation sends its headers (a link: "Referer: ...").
bool BeforeNavigate2(FakeBrowser& browser, IDispatch* frame, const wchar_t* address,
                     const wchar_t* sent_headers = nullptr) {
  VARIANT url = Text(address), flags = Empty(), target = Empty(), post = Empty(),
          headers = Text(sent_headers);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  browser.Raise(DISPID_BEFORENAVIGATE2, {Dispatch(frame), ByRef(&url), ByRef(&flags),
                                         ByRef(&target), ByRef(&post), ByRef(&headers),
                                         BoolRef(&cancel)});
  VariantClear(&url);
  VariantClear(&headers);
  return cancel == VARIANT_TRUE;
}

// True when the helper object cancelled the new window (address nullptr: none given).
bool NewWindow3(FakeBrowser& browser, const wchar_t* address) {
  IDispatch* created = nullptr;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT slot = Empty(), flags = Empty(), context = Text(L"http://www.example.org/opener.html"),
          url = Text(address);
  slot.vt = VT_BYREF | VT_DISPATCH;
  slot.ppdispVal = &created;
  flags.vt = VT_I4;
  browser.Raise(DISPID_NEWWINDOW3, {slot, BoolRef(&cancel), flags, context, url});
  VariantClear(&context);
  VariantClear(&url);
  return cancel == VARIANT_TRUE;
}

// A main window of the test's own, as the companions find the program's: class, caption and
// started mark. The messages posted to it wait in the driver's queue.
class FakeMainWindow {
 public:
  FakeMainWindow() {
    static const ATOM registered = [] {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = DefWindowProcA;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = kOrvanelClass;
      return RegisterClassA(&wc);
    }();
    (void)registered;
    window_ = CreateWindowExA(0, kOrvanelClass, kOrvanelCaption, WS_OVERLAPPED, 0, 0, 100, 100,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetStarted(true);
  }
  ~FakeMainWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }
  void SetStarted(bool started) {
    if (started) {
      SetPropA(window_, kStartedProperty, reinterpret_cast<HANDLE>(1));
    } else {
      RemovePropA(window_, kStartedProperty);
    }
  }
  // Takes the scan requests posted so far; each must carry wParam 0 and lParam 0.
  int TakeScanRequests() {
    int n = 0;
    MSG msg;
    while (PeekMessageA(&msg, window_, kAdScan, kAdScan, PM_REMOVE)) {
      EXPECT_EQ(msg.wParam, 0u);
      EXPECT_EQ(msg.lParam, 0);
      ++n;
    }
    return n;
  }

 private:
  HWND window_ = nullptr;
};

std::wstring Wide(const std::string& ansi) {
  std::wstring out(ansi.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(ansi.size()), &out[0],
                              static_cast<int>(out.size()));
  out.resize(n > 0 ? n : 0);
  return out;
}

class CompanionsE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    com_ = true;
    EndStrayProcesses();
    DeleteStartupValue();
    DeleteSettingsKey();
    RemoveRegistration(SelmontLibrary());
    RemoveRegistration(DarrowinLibrary());
    folder_ = MakeProgramFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_FALSE(folder_.empty());
    ini_ = folder_ + "conf\\KillAD.ini";
  }
  void TearDown() override {
    if (helper_) {
      helper_->SetSite(nullptr);
      helper_->Release();
    }
    if (browser_.sink) {  // before COM unloads the library
      browser_.sink->Release();
      browser_.sink = nullptr;
    }
    program_.Kill();
    EndStrayProcesses();
    DeleteStartupValue();
    RemoveRegistration(SelmontLibrary());
    RemoveRegistration(DarrowinLibrary());
    if (com_) {
      CoFreeUnusedLibrariesEx(0, 0);
      CoUninitialize();
    }
  }

  // Starts the program, which registers both libraries from its folder.
  void StartProgram() {
    ASSERT_TRUE(program_.Start(folder_ + "Orvanel.exe"));
    main_ = WaitForMainWindow(program_.id(), kTimeoutMs);
    ASSERT_NE(main_, nullptr) << "no started main window";
    for (const CompanionLibrary* library : {&SelmontLibrary(), &DarrowinLibrary()})
      ASSERT_TRUE(WaitUntil([&] { return PresentKeys(*library).size() == library->keys.size(); },
                            kTimeoutMs))
          << library->file_name << " was not registered";
  }
  void RegisterByHand(const CompanionLibrary& library) {
    DWORD code = 12345;
    ASSERT_TRUE(RunAndWait("regsvr32.exe /s \"" + folder_ + library.file_name + "\"", kTimeoutMs,
                           &code));
    ASSERT_EQ(code, 0u);
  }
  // A helper object of Selmont.dll, created through COM and sited on the browser.
  void SiteHelperObject() {
    ASSERT_EQ(CoCreateInstance(kSelmontClass, nullptr, CLSCTX_INPROC_SERVER, kIidObjectWithSite,
                               reinterpret_cast<void**>(&helper_)),
              S_OK);
    ASSERT_EQ(helper_->SetSite(static_cast<IWebBrowser2*>(&browser_)), S_OK);
    ASSERT_NE(browser_.sink, nullptr) << "the helper object did not join the browser's events";
  }

  // The address the browser gives a page of the program folder ("file:///C:/.../GetLink.htm").
  std::wstring OwnPageAddress(const char* page) const {
    std::wstring address = L"file:///" + Wide(folder_ + page);
    for (wchar_t& c : address)
      if (c == L'\\') c = L'/';
    return address;
  }
  // Orvanel.BlackList as a page's script creates it: by its programmatic identifier, then given
  // the page's site (nullptr: none).
  IDispatch* CreateBlackList(IServiceProvider* site) {
    CLSID clsid;
    IDispatch* list = nullptr;
    if (CLSIDFromProgID(L"Orvanel.BlackList", &clsid) != S_OK ||
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                         reinterpret_cast<void**>(&list)) != S_OK)
      return nullptr;
    if (site) {
      IObjectWithSite* with_site = nullptr;
      EXPECT_EQ(list->QueryInterface(kIidObjectWithSite, reinterpret_cast<void**>(&with_site)),
                S_OK);
      if (with_site) {
        EXPECT_EQ(with_site->SetSite(site), S_OK);
        with_site->Release();
      }
    }
    return list;
  }
  // AddUrl(address) through IDispatch; the result goes to *added.
  HRESULT AddUrl(IDispatch* list, const wchar_t* address, bool* added) {
    LPOLESTR name = const_cast<LPOLESTR>(L"addurl");  // script names match without case
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(list->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    VARIANT arg = Text(address), result = Empty();
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    const HRESULT hr =
        list->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    VariantClear(&arg);
    *added = result.vt == VT_BOOL && result.boolVal == VARIANT_TRUE;
    VariantClear(&result);
    return hr;
  }

  int RunLength(const char* prefix) {
    int n = 0;
    bool found = true;
    while (IniValue(ini_, kSection, prefix + std::to_string(n), &found), found) ++n;
    return n;
  }
  std::string LastBlackListEntry() { return IniValue(ini_, kSection, "ad" + std::to_string(RunLength("ad") - 1)); }
  bool WaitForLastEntry(const std::string& entry) {
    return WaitUntil([&] { return LastBlackListEntry() == entry; }, kTimeoutMs);
  }
  int BlackListRows() {
    return ListViewRows(FindDescendant(main_, WC_LISTVIEWA, kBlackSheet, nullptr));
  }

  bool com_ = false;
  std::string folder_, ini_;
  Process program_;
  HWND main_ = nullptr;
  FakeBrowser browser_;
  IObjectWithSite* helper_ = nullptr;
};

enum class Allow { kMissing, kOff, kOn };

TEST_F(CompanionsE2e, TheHelperObjectAsksForAScanOnlyWhenItShould) {
  RegisterByHand(SelmontLibrary());
  FakeMainWindow main;
  ASSERT_NE(main.get(), nullptr);
  SiteHelperObject();
  FakeBrowser frame;  // a frame of the page: another browser object
  const struct {
    const char* event;
    Allow allow;
    bool started;
    int requests;
  } cases[] = {
      {"new window", Allow::kOn, true, 1},
      {"new window 3", Allow::kOn, true, 1},
      {"top document", Allow::kOn, true, 1},
      {"frame document", Allow::kOn, true, 0},
      {"new window", Allow::kOff, true, 0},
      {"top document", Allow::kOff, true, 0},
      {"new window", Allow::kMissing, true, 1},
      {"new window", Allow::kOn, false, 0},
      {"top document", Allow::kOn, false, 0},
  };
  for (const auto& c : cases) {
    const char* allow_names[] = {"missing", "0", "1"};
    SCOPED_TRACE(testing::Message() << c.event << ", AllowKillAD "
                                    << allow_names[static_cast<int>(c.allow)] << ", started "
                                    << c.started);
    ASSERT_TRUE(WriteSettingString("path", folder_));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegDeleteValueA(key, "AllowKillAD");
    RegCloseKey(key);
    if (c.allow != Allow::kMissing) {
      ASSERT_TRUE(WriteSettingDword("AllowKillAD", c.allow == Allow::kOn));
    }
    main.SetStarted(c.started);
    const std::string event = c.event;
    if (event == "new window") {
      NewWindow2(browser_);
    } else if (event == "new window 3") {
      EXPECT_FALSE(NewWindow3(browser_, nullptr));
    } else {
      DocumentComplete(browser_, event == "top document" ? static_cast<IWebBrowser2*>(&browser_)
                                                         : static_cast<IWebBrowser2*>(&frame));
    }
    EXPECT_EQ(main.TakeScanRequests(), c.requests);
  }
  // The browser ends: the object leaves its events and lets the browser go.
  browser_.Raise(DISPID_ONQUIT, {});
  EXPECT_EQ(browser_.sink, nullptr) << "still joined after OnQuit";
  EXPECT_EQ(browser_.refs, 1) << "the browser is still held after OnQuit";
  // A second object, taken back by its browser.
  helper_->SetSite(nullptr);
  helper_->Release();
  helper_ = nullptr;
  SiteHelperObject();
  EXPECT_GT(browser_.refs, 1);
  helper_->SetSite(nullptr);
  EXPECT_EQ(browser_.sink, nullptr) << "still joined after SetSite(nullptr)";
  EXPECT_EQ(browser_.refs, 1) << "the browser is still held after SetSite(nullptr)";
  EXPECT_EQ(main.TakeScanRequests(), 0);
}

TEST_F(CompanionsE2e, TheRunningProgramScansWhenTheHelperObjectAsks) {
  ASSERT_TRUE(ShellWindowsServerRegistered()) << "TestShellWindows.dll could not be registered";
  StartProgram();
  SiteHelperObject();
  BrowserFrames frames;
  HWND popup = frames.Open("http://ad.doubleclick.net/popup");  // on the delivered black list
  HWND plain = frames.Open("http://www.example.org/");
  ASSERT_TRUE(popup && plain);
  NewWindow2(browser_);
  EXPECT_TRUE(WaitUntilPumping([&] { return !IsWindow(popup); }, kTimeoutMs))
      << "a new window did not lead to a scan";
  HWND second = frames.Open("http://ad.doubleclick.net/second");
  ASSERT_NE(second, nullptr);
  DocumentComplete(browser_, &browser_);
  EXPECT_TRUE(WaitUntilPumping([&] { return !IsWindow(second); }, kTimeoutMs))
      << "a completed page did not lead to a scan";
  std::string last_block;
  EXPECT_TRUE(ReadSettingString("LastBlockURL", &last_block));
  EXPECT_EQ(last_block, "http://ad.doubleclick.net/second");
  PumpMessages();
  EXPECT_TRUE(IsWindow(plain)) << "a window matching no rule was closed";
}

TEST_F(CompanionsE2e, AShortNameTypedIntoTheBrowserGoesToItsAddress) {
  const std::string shortcuts = folder_ + "conf\\urlShortcut.ini";
  ASSERT_TRUE(FileExists(shortcuts)) << "conf\\urlShortcut.ini is not delivered";
  ASSERT_TRUE(WriteIniValue(shortcuts, "UrlShortcut", "s0", "OrvTest"));
  ASSERT_TRUE(WriteIniValue(shortcuts, "UrlShortcut", "v0", "www.example.org/orvanel"));
  ASSERT_TRUE(WriteIniValue(shortcuts, "UrlShortcut", "s1", "OrvFile"));
  ASSERT_TRUE(WriteIniValue(shortcuts, "UrlShortcut", "v1", "file:///C:/windows/win.ini"));
  StartProgram();  // writes the program folder into the settings
  SiteHelperObject();
  FakeBrowser frame;
  const std::wstring home = Wide(std::string("http://") + ORV_MAKER_WEB_HOST + "/");
  const struct {
    const wchar_t* typed;
    bool in_frame;
    std::wstring target;  // empty: goes on unchanged
    const wchar_t* headers;
  } cases[] = {
      {L"http://orvtest/", false, L"http://www.example.org/orvanel", nullptr},
      {L"http://TV/", false, home, nullptr},
      {L"http://tavrosel/", false, home, nullptr},
      {L"http://nosuchname/", false, L"", nullptr},
      {L"http://www.example.org/", false, L"", nullptr},
      {L"http://orvtest/", true, L"", nullptr},  // only the address bar's navigation is redirected
      {L"http://orvtest/", false, L"", L"Referer: http://www.example.com/\r\n"},  // a page's link
      {L"http://orvfile/", false, L"", nullptr},  // a local file is not followed
  };
  for (const auto& c : cases) {
    browser_.navigations.clear();
    const bool cancelled = BeforeNavigate2(
        browser_, c.in_frame ? static_cast<IWebBrowser2*>(&frame) : &browser_, c.typed,
        c.headers);
    PumpMessages();  // the new navigation starts from the message loop
    const std::wstring typed = c.typed;
    EXPECT_EQ(cancelled, !c.target.empty()) << std::string(typed.begin(), typed.end());
    if (c.target.empty()) {
      EXPECT_TRUE(browser_.navigations.empty());
    } else {
      EXPECT_TRUE(WaitUntilPumping([&] { return !browser_.navigations.empty(); }, kTimeoutMs));
      ASSERT_EQ(browser_.navigations.size(), 1u);
      EXPECT_TRUE(browser_.navigations[0] == c.target)
          << std::string(browser_.navigations[0].begin(), browser_.navigations[0].end());
    }
  }
}

// COM unloads a library when DllCanUnloadNow says so: never while a client holds its class
// factory (with or without LockServer) or one of its objects.
TEST_F(CompanionsE2e, ALibraryStaysLoadedWhileItsFactoryOrAnObjectIsHeld) {
  for (const CompanionLibrary* library : {&SelmontLibrary(), &DarrowinLibrary()}) {
    SCOPED_TRACE(library->file_name);
    HMODULE module = LoadLibraryA((folder_ + library->file_name).c_str());
    ASSERT_NE(module, nullptr);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    auto get_class_object = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    auto can_unload = reinterpret_cast<CanUnloadNow>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_TRUE(get_class_object && can_unload);
    CLSID clsid;
    ASSERT_EQ(CLSIDFromString(Wide(library->class_id).data(), &clsid), S_OK);
    auto factory = [&] {
      IClassFactory* f = nullptr;
      EXPECT_EQ(get_class_object(clsid, IID_IClassFactory, reinterpret_cast<void**>(&f)), S_OK);
      return f;
    };
    EXPECT_EQ(can_unload(), S_OK);
    IClassFactory* held = factory();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(can_unload(), S_FALSE) << "unloadable while its factory is held";
    EXPECT_EQ(held->LockServer(TRUE), S_OK);
    held->Release();
    EXPECT_EQ(can_unload(), S_FALSE) << "unloadable while locked";
    held = factory();
    EXPECT_EQ(held->LockServer(FALSE), S_OK);
    IUnknown* object = nullptr;
    ASSERT_EQ(held->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
    held->Release();
    EXPECT_EQ(can_unload(), S_FALSE) << "unloadable while an object lives";
    object->Release();
    EXPECT_EQ(can_unload(), S_OK);
    FreeLibrary(module);
  }
}

TEST_F(CompanionsE2e, TheContextMenuObjectAddsOnlyForTheProgramsOwnPages) {
  StartProgram();
  const int entries = RunLength("ad");
  ASSERT_TRUE(WaitUntil([&] { return BlackListRows() == entries; }, kTimeoutMs));
  FakeScriptSite link_site(OwnPageAddress("GetLink.htm"));
  IDispatch* list = CreateBlackList(&link_site);
  ASSERT_NE(list, nullptr) << "Orvanel.BlackList cannot be created";
  // Safe for scripting, as the browser asks before a page may call it: the site lock decides.
  IObjectSafety* safety = nullptr;
  ASSERT_EQ(list->QueryInterface(kIidObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
  DWORD supported = 0, enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_TRUE(supported & INTERFACESAFE_FOR_UNTRUSTED_CALLER);
  safety->Release();
  LPOLESTR other = const_cast<LPOLESTR>(L"RemoveUrl");
  DISPID other_id;
  EXPECT_EQ(list->GetIDsOfNames(IID_NULL, &other, 1, 0, &other_id), DISP_E_UNKNOWNNAME);

  bool added = false;
  ASSERT_EQ(AddUrl(list, L"http://ads.example.net/弹窗*", &added), S_OK);
  EXPECT_TRUE(added);
  EXPECT_TRUE(WaitForLastEntry("http://ads.example.net/弹窗?")) << "last entry " << LastBlackListEntry();
  // Two in quick succession both arrive, in their order.
  ASSERT_EQ(AddUrl(list, L"http://first.example/", &added), S_OK);
  EXPECT_TRUE(added);
  ASSERT_EQ(AddUrl(list, L"http://second.example/", &added), S_OK);
  EXPECT_TRUE(added);
  EXPECT_TRUE(WaitForLastEntry("http://second.example/"));
  EXPECT_EQ(IniValue(ini_, kSection, "ad" + std::to_string(entries + 1)), "http://first.example/");
  EXPECT_TRUE(WaitUntil([&] { return BlackListRows() == entries + 3; }, kTimeoutMs))
      << "the page's black list did not grow";
  // Refused by the object: nothing is sent.
  for (const wchar_t* refused : {L"  ", L"http://*.example.net/", L"??????", L"about:blank",
                                 L"http://ads.example.net/\u0100"}) {  // not in code page 936
    ASSERT_EQ(AddUrl(list, refused, &added), S_OK);
    EXPECT_FALSE(added) << "accepted: " << std::string(refused, refused + wcslen(refused));
  }
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT result = Empty();
  EXPECT_EQ(list->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  // The page navigated away since the object was made: the lock is asked at every call.
  link_site.document.url = L"http://www.example.com/GetLink.htm";
  EXPECT_EQ(AddUrl(list, L"http://navigated.example/", &added), E_ACCESSDENIED);
  list->Release();
  // Any other document, or none: an error, and nothing is sent.
  FakeScriptSite web_site(L"http://www.example.com/page.html");
  FakeScriptSite other_site(OwnPageAddress("conf\\Other.htm"));
  for (IServiceProvider* site : std::initializer_list<IServiceProvider*>{&web_site, &other_site, nullptr}) {
    IDispatch* foreign = CreateBlackList(site);
    ASSERT_NE(foreign, nullptr);
    EXPECT_EQ(AddUrl(foreign, L"http://every.example/", &added), E_ACCESSDENIED);
    EXPECT_FALSE(added);
    foreign->Release();
  }
  // Nothing was added for the refused calls: the next address is the next entry.
  ASSERT_TRUE(WriteSettingString("LastAddUrl", "http://marker.example/"));
  ASSERT_TRUE(PostMessageA(main_, 0x501, 0, 0));
  EXPECT_TRUE(WaitForLastEntry("http://marker.example/"));
  EXPECT_EQ(RunLength("ad"), entries + 4);
  EXPECT_EQ(link_site.document.refs, 1) << "the object holds the page after its release";
}

TEST_F(CompanionsE2e, AnAddressHandedOverByAnotherProcessIsAddedOnce) {
  StartProgram();
  const int entries = RunLength("ad");
  auto hand_over = [&](ULONG_PTR tag, const std::string& bytes) {
    COPYDATASTRUCT data = {tag, static_cast<DWORD>(bytes.size()),
                           const_cast<char*>(bytes.data())};
    DWORD_PTR taken = 12345;
    EXPECT_NE(SendMessageTimeoutA(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                  SMTO_ABORTIFHUNG, kTimeoutMs, &taken),
              0);
    return taken == TRUE;
  };
  EXPECT_TRUE(hand_over(kCopyDataAddUrl, "http://handed-over.example/a*b"));
  EXPECT_TRUE(WaitForLastEntry("http://handed-over.example/a?b")) << "last " << LastBlackListEntry();
  for (const std::string& refused :
       {std::string("http://x.example/\r\nad0=*"), std::string("http://*.example/"),
        std::string("*"), std::string(2048, 'a'), std::string()}) {
    EXPECT_FALSE(hand_over(kCopyDataAddUrl, refused)) << refused.substr(0, 40);
  }
  EXPECT_FALSE(hand_over(kCopyDataAddUrl + 9, "http://other-tag.example/"));
  // Taken once, added once: a message after it that carries nothing adds nothing (sent, so that
  // it is handled before the mailbox is written).
  DWORD_PTR ignored = 0;
  ASSERT_NE(SendMessageTimeoutA(main_, 0x501, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &ignored), 0);
  ASSERT_TRUE(WriteSettingString("LastAddUrl", "http://marker.example/"));
  ASSERT_TRUE(PostMessageA(main_, 0x501, 0, 0));
  EXPECT_TRUE(WaitForLastEntry("http://marker.example/"));
  EXPECT_EQ(RunLength("ad"), entries + 2);
  EXPECT_EQ(IniValue(ini_, kSection, "ad" + std::to_string(entries)),
            "http://handed-over.example/a?b");
}

TEST_F(CompanionsE2e, TheHelperObjectKeepsABlackListedWindowFromOpening) {
  const int black = RunLength("ad");
  ASSERT_TRUE(WriteIniValue(ini_, kSection, "pass0", "http://ad.doubleclick.net/allowed*"));
  ASSERT_TRUE(WriteSettingDword("KillAd_Notice", 1));
  StartProgram();
  SiteHelperObject();
  EXPECT_TRUE(NewWindow3(browser_, L"http://ad.doubleclick.net/kept-from-opening"))
      << "a black-listed window was let open";
  EXPECT_FALSE(NewWindow3(browser_, L"http://ad.doubleclick.net/allowed.html"))
      << "a white-listed window was cancelled";
  EXPECT_FALSE(NewWindow3(browser_, L"http://www.example.org/news.html"));
  // The program reports it as a closed window: LastBlockURL, and its tray history.
  std::string last_block;
  EXPECT_TRUE(WaitUntil(
      [&] {
        return ReadSettingString("LastBlockURL", &last_block) &&
               last_block == "http://ad.doubleclick.net/kept-from-opening";
      },
      kTimeoutMs))
      << "LastBlockURL holds '" << last_block << "'";
  // A list changed on disk counts from the next window on.
  ASSERT_TRUE(WriteIniValue(ini_, kSection, "ad" + std::to_string(black), "http://late.example/*"));
  EXPECT_TRUE(NewWindow3(browser_, L"http://late.example/x"));
  // The first entry of the history is the first window kept from opening: picked, it goes to
  // the temporary white list.
  PickFirstBlockedWindow(main_, program_.id());
  EXPECT_TRUE(WaitUntil(
      [&] { return IniValue(ini_, kSection, "temp0") == "http://ad.doubleclick.net/kept-from-opening"; },
      kTimeoutMs))
      << "temp0 '" << IniValue(ini_, kSection, "temp0") << "'";
  EXPECT_FALSE(NewWindow3(browser_, L"http://ad.doubleclick.net/kept-from-opening"))
      << "a reopened address was cancelled again";
}

// The script block of a page of the program folder.
std::string PageScript(const std::string& path) {
  std::string page;
  if (!ReadFileBytes(path, &page)) return "";
  const size_t open = page.find("<script");
  const size_t start = open == std::string::npos ? open : page.find('>', open);
  const size_t end = start == std::string::npos ? start : page.find("</script>", start);
  return end == std::string::npos ? "" : page.substr(start + 1, end - start - 1);
}

TEST_F(CompanionsE2e, TheContextMenuPagesPassTheRightAddressAndSayWhenNothingWasAdded) {
  StartProgram();
  const std::string current = PageScript(folder_ + "GetCurrent.htm");
  const std::string link = PageScript(folder_ + "GetLink.htm");
  ASSERT_FALSE(current.empty()) << "no script in GetCurrent.htm";
  ASSERT_FALSE(link.empty()) << "no script in GetLink.htm";
  // What the page did, a line each: "add <address>" or "alert <text as escape() writes it>".
  const std::string log = folder_ + "menu-page.log";
  // The page's own script after a stand-in for the browser's context-menu arguments (the
  // window the menu was opened in), for alert and, unless `object` is "", for the black-list
  // object (its AddUrl answers with `object`: "true", "false" or "throw").
  auto run = [&](const std::string& arguments, const std::string& script,
                 const std::string& object) {
    DeleteFileA(log.c_str());
    std::string prelude =
        "var fso = new ActiveXObject('Scripting.FileSystemObject');\r\n"
        "function record(line) { var f = fso.OpenTextFile('" + log + "', 8, true); "
        "f.WriteLine(line); f.Close(); }\r\n"
        "function alert(text) { record('alert ' + escape(text)); }\r\n"
        "var external = { menuArguments: " + arguments + " };\r\n"
        "if (!external.menuArguments.top) external.menuArguments.top = external.menuArguments;\r\n";
    for (char& c : prelude)
      if (c == '\\') c = '/';  // the log's path, in a script string
    if (!object.empty())
      prelude += "ActiveXObject = function (name) { this.AddUrl = function (address) { "
                 "if ('" + object + "' == 'throw') throw new Error('refused'); "
                 "record('add ' + address); return " + (object == "throw" ? "false" : object) +
                 "; }; };\r\n";
    ASSERT_TRUE(WriteFileBytes(folder_ + "menu-page.js", prelude + script));
    DWORD code = 12345;
    ASSERT_TRUE(RunAndWait("cscript.exe //nologo \"" + folder_ + "menu-page.js\"", kTimeoutMs,
                           &code));
    EXPECT_EQ(code, 0u);
  };
  auto recorded = [&] {
    std::string bytes;
    ReadFileBytes(log, &bytes);
    std::string lines;
    for (char c : bytes)
      if (c != '\r') lines += c;
    return lines;
  };
  const std::string no_link =
      "alert %u8FD9%u91CC%u6CA1%u6709%u94FE%u63A5%uFF0C%u6CA1%u6709%u7F51%u5740%u52A0%u5165"
      "%u9ED1%u540D%u5355%u3002\n";
  const std::string not_added =
      "alert %u672A%u80FD%u52A0%u5165%u9ED1%u540D%u5355%uFF1A%u5C9A%u6F84%u6B27%u51E1%u8BFA"
      "%u6CA1%u6709%u8FD0%u884C%uFF0C%u6216%u8005%u8FD9%u4E2A%u7F51%u5740%u4E0D%u80FD%u52A0"
      "%u5165%u9ED1%u540D%u5355%u3002\n";
  const struct {
    const char* what;
    std::string arguments;
    const std::string& script;
    std::string object;
    std::string lines;
  } cases[] = {
      {"the top-level page", "{ document: { URL: 'http://ads.example.net/current.html' } }",
       current, "true", "add http://ads.example.net/current.html\n"},
      // A frame of another site cannot read its top-level page: the frame's own address.
      {"a frame of another site",
       "{ document: { URL: 'http://ads.example.net/frame.html' }, top: {} }", current, "true",
       "add http://ads.example.net/frame.html\n"},
      {"the page, refused", "{ document: { URL: 'about:blank' } }", current, "false",
       "add about:blank\n" + not_added},
      {"an image inside a link",
       "{ event: { srcElement: { tagName: 'IMG', parentElement: { tagName: 'a', "
       "href: 'http://ads.example.net/link.html', parentElement: null } } } }",
       link, "true", "add http://ads.example.net/link.html\n"},
      {"an image outside a link",
       "{ event: { srcElement: { tagName: 'IMG', parentElement: null } } }", link, "true",
       no_link},
      {"a link without an address",
       "{ event: { srcElement: { tagName: 'A', href: '', parentElement: null } } }", link, "true",
       no_link},
      {"a link, the program not running",
       "{ event: { srcElement: { tagName: 'AREA', href: 'http://x.example/', "
       "parentElement: null } } }",
       link, "throw", not_added},
      // The real black-list object, scripted by a host that is not the browser showing the
      // program's page: refused, and the page says so.
      {"the page, the real object", "{ document: { URL: 'http://ads.example.net/page.html' } }",
       current, "", not_added},
      {"a link, the real object",
       "{ event: { srcElement: { tagName: 'A', href: 'http://ads.example.net/link.html', "
       "parentElement: null } } }",
       link, "", not_added},
  };
  const int entries = RunLength("ad");
  for (const auto& c : cases) {
    run(c.arguments, c.script, c.object);
    EXPECT_EQ(recorded(), c.lines) << c.what;
  }
  ASSERT_TRUE(WriteSettingString("LastAddUrl", "http://marker.example/"));
  ASSERT_TRUE(PostMessageA(main_, 0x501, 0, 0));
  EXPECT_TRUE(WaitForLastEntry("http://marker.example/"));
  EXPECT_EQ(RunLength("ad"), entries + 1);
}

}  // namespace
}  // namespace e2e
