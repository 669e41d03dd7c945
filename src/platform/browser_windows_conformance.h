#pragma once
// The shared browser-windows suite runs against each implementation through this fixture; each
// test executable defines MakeBrowserWindowsConformanceFixture once (the in-memory windows
// natively, dummy browser frames behind the ShellWindows collection on Windows).
#include <memory>
#include <string>

#include "platform/browser_windows.h"

namespace orv {

class BrowserWindowsConformanceFixture {
 public:
  virtual ~BrowserWindowsConformanceFixture() = default;
  virtual BrowserWindows& Windows() = 0;
  // Opens a browser window showing address (ANSI code page).
  virtual void Open(const std::string& address) = 0;
  // Lets the windows asked to quit finish closing (a real window closes from its message queue).
  virtual void Settle() = 0;
};

std::unique_ptr<BrowserWindowsConformanceFixture> MakeBrowserWindowsConformanceFixture();

}  // namespace orv
