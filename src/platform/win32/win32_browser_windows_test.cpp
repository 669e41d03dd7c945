// The browser windows over the shell's ShellWindows collection, under Wine with the test server
// TestShellWindows.dll (tests/shellwindows_server) standing in for the shell's own class: it
// lists the top-level "IEFrame" windows, so these tests open dummy frames of that class.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "platform/browser_windows_conformance.h"
#include "platform/win32/win32_browser_windows.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_sound.h"

namespace orv {

namespace {

const wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}";
const wchar_t kServerKey[] =
    L"Software\\Classes\\CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32";

std::wstring ServerPath() {
  wchar_t exe[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe, length);
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"TestShellWindows.dll";
}

// The test server, loaded from the test program's folder once per process.
HMODULE ServerModule() {
  static HMODULE module = LoadLibraryW(ServerPath().c_str());
  return module;
}

HRESULT CallServer(const char* entry) {
  FARPROC function = ServerModule() ? GetProcAddress(ServerModule(), entry) : nullptr;
  if (function == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  return reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(function))();
}

// Points the prefix's ShellWindows class at the test server, once per process. It stays
// registered afterwards: the prefix is a test prefix, and `regsvr32 /u` restores Wine's class.
bool ServerRegistered() {
  static const HRESULT result = CallServer("DllRegisterServer");
  return result == S_OK;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
  return out;
}

// Hidden top-level windows of the browser frame class, destroyed with this object.
class DummyFrames {
 public:
  DummyFrames() {
    static const ATOM registered = [] {
      WNDCLASSW frame_class = {};
      frame_class.lpfnWndProc = DefWindowProcW;
      frame_class.hInstance = GetModuleHandleW(nullptr);
      frame_class.lpszClassName = L"IEFrame";
      return RegisterClassW(&frame_class);
    }();
    EXPECT_NE(registered, 0) << "window class IEFrame";
  }
  ~DummyFrames() {
    for (HWND frame : frames_)
      if (IsWindow(frame)) DestroyWindow(frame);
    PumpMessages();
  }
  DummyFrames(const DummyFrames&) = delete;
  DummyFrames& operator=(const DummyFrames&) = delete;

  HWND Open(const std::wstring& title) {
    HWND frame = CreateWindowExW(0, L"IEFrame", title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(frame, nullptr) << "CreateWindowEx failed: " << GetLastError()
                              << " (under Wine, windows need an X display: DISPLAY)";
    if (frame) frames_.push_back(frame);
    return frame;
  }
  // A frame with an address bar: an edit control inside a tool-bar band, like the browser's.
  HWND OpenWithAddressBar(const std::wstring& title, const std::wstring& address) {
    HWND frame = Open(title);
    HWND band = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 30, frame,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    CreateWindowExW(0, L"Edit", address.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 400, 20, band,
                    nullptr, GetModuleHandleW(nullptr), nullptr);
    return frame;
  }

 private:
  std::vector<HWND> frames_;
};

class Win32BrowserWindowsFixture : public BrowserWindowsConformanceFixture {
 public:
  Win32BrowserWindowsFixture() {
    EXPECT_TRUE(apartment_.ok());
    EXPECT_TRUE(ServerRegistered()) << "TestShellWindows.dll beside the test program";
  }
  BrowserWindows& Windows() override { return windows_; }
  void Open(const std::string& address) override { frames_.Open(AnsiToWide(address)); }
  void Settle() override { PumpMessages(); }  // Quit posts WM_CLOSE to the frame

 private:
  ComApartment apartment_;
  DummyFrames frames_;
  Win32BrowserWindows windows_;
};

}  // namespace

std::unique_ptr<BrowserWindowsConformanceFixture> MakeBrowserWindowsConformanceFixture() {
  return std::make_unique<Win32BrowserWindowsFixture>();
}

namespace {

class Win32BrowserWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment_.ok());
    ASSERT_TRUE(ServerRegistered()) << "TestShellWindows.dll beside the test program";
  }
  // The browser showing address, or nullptr.
  std::unique_ptr<BrowserWindow> Find(const std::string& address) {
    const int count = windows_.Count();
    for (int i = 0; i < count; ++i) {
      std::unique_ptr<BrowserWindow> window = windows_.Item(i);
      if (window && window->LocationURL() == address) return window;
    }
    return nullptr;
  }

  ComApartment apartment_;
  DummyFrames frames_;
  Win32BrowserWindows windows_;
};

TEST_F(Win32BrowserWindowsTest, AddressBarTextComesBeforeTheTitle) {
  const int before = windows_.Count();
  frames_.OpenWithAddressBar(L"Example page", L"http://www.example.com/a?b=1");
  frames_.OpenWithAddressBar(L"http://ads.example.com/pop.html", L"");  // empty bar: the title
  EXPECT_EQ(windows_.Count(), before + 2);
  EXPECT_NE(Find("http://www.example.com/a?b=1"), nullptr);
  EXPECT_NE(Find("http://ads.example.com/pop.html"), nullptr);
  EXPECT_EQ(Find("Example page"), nullptr);
}

// An end-to-end driver owns its frames on a thread that waits for the program without pumping.
TEST_F(Win32BrowserWindowsTest, AFrameOfABusyThreadStillGivesItsTitle) {
  HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    DummyFrames frames;
    frames.Open(L"http://ads.example.com/busy.html");
    SetEvent(created);
    WaitForSingleObject(release, 30000);  // busy: no messages handled meanwhile
  });
  WaitForSingleObject(created, 30000);
  const bool found = Find("http://ads.example.com/busy.html") != nullptr;
  SetEvent(release);
  owner.join();
  CloseHandle(created);
  CloseHandle(release);
  EXPECT_TRUE(found) << "the title must not be asked of the busy thread";
}

TEST_F(Win32BrowserWindowsTest, WideAddressesArriveInCodePage936) {
  ASSERT_EQ(GetACP(), 936u);
  frames_.Open(L"http://例子.测试/拦截");
  frames_.Open(L"http://th.example/\u0E01");  // Thai has no code page 936 form
  EXPECT_NE(Find("http://\xC0\xFD\xD7\xD3.\xB2\xE2\xCA\xD4/\xC0\xB9\xBD\xD8"), nullptr);
  EXPECT_NE(Find("http://th.example/?"), nullptr);
}

TEST_F(Win32BrowserWindowsTest, AWindowGoneSinceItsItemFailsWithTheSystemText) {
  HWND frame = frames_.Open(L"http://ads.example.com/gone.html");
  std::unique_ptr<BrowserWindow> gone = Find("http://ads.example.com/gone.html");
  ASSERT_NE(gone, nullptr);
  DestroyWindow(frame);
  const std::string expected = ComErrorText(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE));
  try {
    gone->LocationURL();
    ADD_FAILURE() << "LocationURL of a destroyed window succeeded";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.what(), expected);
  }
  EXPECT_THROW(gone->Quit(), AutomationError);
}

TEST(Win32BrowserWindows, CountOutsideAnyApartmentFailsWithTheSystemText) {
  bool threw = false;
  bool implicit_apartment = false;
  std::string text;
  std::thread([&] {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    // Where some thread keeps a multithreaded apartment, every thread is implicitly in it.
    implicit_apartment = SUCCEEDED(CoGetApartmentType(&type, &qualifier));
    if (implicit_apartment) return;
    Win32BrowserWindows windows;
    try {
      windows.Count();
    } catch (const AutomationError& error) {
      threw = true;
      text = error.what();
    }
  }).join();
  if (implicit_apartment) GTEST_SKIP() << "a multithreaded apartment exists in this process";
  EXPECT_TRUE(threw);
  EXPECT_EQ(text, ComErrorText(CO_E_NOTINITIALIZED));
}

TEST(Win32ComErrorText, SystemTextWithoutLineEndOrFallback) {
  const std::string text = ComErrorText(E_NOTIMPL);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
  EXPECT_NE(text.back(), ' ');
  EXPECT_EQ(text.find("OLE error"), std::string::npos) << text;
  // A customer-defined code has no system text.
  EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0xA00400FFu)), "OLE error A00400FF");
  EXPECT_NO_THROW(CheckAutomation(S_FALSE));
  EXPECT_THROW(CheckAutomation(E_NOTIMPL), AutomationError);
}

// ---------------------------------------------------------------- the test server's registration

// Redirects HKEY_LOCAL_MACHINE of this process to an empty scratch key for the object's lifetime,
// so registering and unregistering the server leave the prefix's own classes alone.
class ScratchMachineKey {
 public:
  ScratchMachineKey() {
    path_ = L"Software\\OrvanelTests\\Machine" + std::to_wstring(GetCurrentProcessId());
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    overridden_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, key_) == ERROR_SUCCESS;
    EXPECT_TRUE(overridden_);
  }
  ~ScratchMachineKey() {
    if (overridden_) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (key_) RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  bool ok() const { return overridden_; }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
  bool overridden_ = false;
};

void SetText(const wchar_t* key_path, const wchar_t* name, const std::wstring& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

// The value's text, "<none>" when missing.
std::wstring GetText(const wchar_t* key_path, const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD size = sizeof buffer;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key_path, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS) {
    return L"<none>";
  }
  return buffer;
}

DWORD ValueCount(const wchar_t* key_path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD values = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return values;
}

bool KeyExists(const wchar_t* key_path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TEST(TestShellWindowsServer, RegisteringTwiceThenUnregisteringRestoresThePreviousServer) {
  ASSERT_NE(ServerModule(), nullptr);
  ScratchMachineKey scratch;
  ASSERT_TRUE(scratch.ok());
  SetText(kClassKey, nullptr, L"ShellWindows");
  SetText(kServerKey, nullptr, L"C:\\windows\\system32\\ieframe.dll");
  SetText(kServerKey, L"ThreadingModel", L"Both");

  ASSERT_EQ(CallServer("DllRegisterServer"), S_OK);
  EXPECT_EQ(lstrcmpiW(GetText(kServerKey, nullptr).c_str(), ServerPath().c_str()), 0);
  EXPECT_EQ(GetText(kServerKey, L"ThreadingModel"), L"Apartment");
  ASSERT_EQ(CallServer("DllRegisterServer"), S_OK);  // must not save itself as the previous one

  ASSERT_EQ(CallServer("DllUnregisterServer"), S_OK);
  EXPECT_EQ(GetText(kServerKey, nullptr), L"C:\\windows\\system32\\ieframe.dll");
  EXPECT_EQ(GetText(kServerKey, L"ThreadingModel"), L"Both");
  EXPECT_EQ(ValueCount(kServerKey), 2u);  // no bookkeeping values left behind
  EXPECT_EQ(GetText(kClassKey, nullptr), L"ShellWindows");
}

TEST(TestShellWindowsServer, AClassItCreatedGoesAwayWhole) {
  ASSERT_NE(ServerModule(), nullptr);
  ScratchMachineKey scratch;
  ASSERT_TRUE(scratch.ok());
  ASSERT_EQ(CallServer("DllRegisterServer"), S_OK);
  EXPECT_EQ(GetText(kServerKey, L"ThreadingModel"), L"Apartment");
  ASSERT_EQ(CallServer("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(KeyExists(kClassKey));
  EXPECT_EQ(CallServer("DllUnregisterServer"), S_OK);  // nothing left to undo
}

// ---------------------------------------------------------------- sound

TEST(Win32Sound, MissingFileReturnsWithoutWaiting) {
  Win32Sound sound;
  const auto start = std::chrono::steady_clock::now();
  sound.PlayAsync("C:\\no such folder\\conf\\blocked.wav");
  const auto waited = std::chrono::steady_clock::now() - start;
  sndPlaySoundA(nullptr, 0);  // stop whatever started
  // A generous bound: it only tells an asynchronous start from playing the default sound through.
  EXPECT_LT(waited, std::chrono::seconds(5));
}

}  // namespace
}  // namespace orv
