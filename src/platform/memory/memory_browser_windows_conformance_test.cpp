#include "platform/browser_windows_conformance.h"
#include "platform/memory/memory_browser_windows.h"

namespace orv {

namespace {
class MemoryBrowserWindowsFixture : public BrowserWindowsConformanceFixture {
 public:
  BrowserWindows& Windows() override { return windows_; }
  void Open(const std::string& address) override { windows_.Open(address); }
  void Settle() override {}  // Quit closes at once

 private:
  MemoryBrowserWindows windows_;
};
}  // namespace

std::unique_ptr<BrowserWindowsConformanceFixture> MakeBrowserWindowsConformanceFixture() {
  return std::make_unique<MemoryBrowserWindowsFixture>();
}

}  // namespace orv
