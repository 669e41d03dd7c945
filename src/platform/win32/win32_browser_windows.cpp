#include "platform/win32/win32_browser_windows.h"

namespace orv {

std::string Win32BrowserWindow::LocationURL() {
  Bstr url;
  CheckAutomation(browser_->get_LocationURL(url.Put()));
  return WideToAnsi(url.get(), static_cast<int>(url.length()));
}

void Win32BrowserWindow::Quit() { CheckAutomation(browser_->Quit()); }

void Win32BrowserWindows::CreateCollection() {
  collection_.Reset();
  CheckAutomation(CoCreateInstance(kClsidShellWindows, nullptr, CLSCTX_ALL, kIidShellWindows,
                                   collection_.PutVoid()));
}

int Win32BrowserWindows::Count() {
  CreateCollection();
  LONG count = 0;
  CheckAutomation(collection_->get_Count(&count));
  return static_cast<int>(count);
}

std::unique_ptr<BrowserWindow> Win32BrowserWindows::Item(int index) {
  if (!collection_) CreateCollection();
  Variant position(static_cast<LONG>(index));
  ComPtr<IDispatch> item;
  // An index past the end gives S_FALSE and no object, not a failure.
  CheckAutomation(collection_->Item(position.get(), item.Put()));
  if (!item) return nullptr;
  ComPtr<IWebBrowser2> browser;
  if (FAILED(item->QueryInterface(kIidWebBrowser2, browser.PutVoid())) || !browser) return nullptr;
  return std::make_unique<Win32BrowserWindow>(std::move(browser));
}

}  // namespace orv
