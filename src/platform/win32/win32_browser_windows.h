#pragma once
// The open browser windows through the shell's ShellWindows automation collection. The calling
// thread must be in a COM apartment (ComApartment) for the lifetime of these objects.
#include <windows.h>
#include <exdisp.h>

#include <memory>
#include <string>

#include "platform/browser_windows.h"
#include "platform/win32/shell_automation_ids.h"
#include "platform/win32/win32_com.h"

namespace orv {

class Win32BrowserWindow : public BrowserWindow {
 public:
  explicit Win32BrowserWindow(ComPtr<IWebBrowser2> browser) : browser_(std::move(browser)) {}
  std::string LocationURL() override;
  void Quit() override;

 private:
  ComPtr<IWebBrowser2> browser_;
};

class Win32BrowserWindows : public BrowserWindows {
 public:
  // Creates a new ShellWindows collection and reads its count.
  int Count() override;
  // Uses the collection of the last Count (creating one when Count was never called).
  std::unique_ptr<BrowserWindow> Item(int index) override;

 private:
  void CreateCollection();
  ComPtr<IShellWindows> collection_;
};

}  // namespace orv
