#pragma once
// The open browser windows (the shell's ShellWindows collection). Failures of the automation
// calls raise AutomationError with the system's text for the failure code.
#include <memory>
#include <string>

namespace orv {

class BrowserWindow {
 public:
  virtual ~BrowserWindow() = default;
  virtual std::string LocationURL() = 0;  // in the ANSI code page
  virtual void Quit() = 0;
};

class BrowserWindows {
 public:
  virtual ~BrowserWindows() = default;
  // Takes a fresh view of the open windows and returns how many it holds.
  virtual int Count() = 0;
  // The window at index (0-based) of that view; nullptr when the item is not a browser.
  virtual std::unique_ptr<BrowserWindow> Item(int index) = 0;
};

}  // namespace orv
