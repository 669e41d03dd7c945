#include "platform/win32/win32_browser_windows.h"

namespace orv {

const CLSID kClsidShellWindows = {
    0x9BA05972, 0xF6A8, 0x11CF, {0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39}};
const IID kIidShellWindows = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const IID kIidWebBrowser2 = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

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
