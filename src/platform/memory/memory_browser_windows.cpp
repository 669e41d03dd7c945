#include "platform/memory/memory_browser_windows.h"

#include "base/errors.h"

namespace orv {

namespace {
// The texts the system gives for the failures a real collection meets.
const char kServerUnavailable[] = "The RPC server is unavailable";
const char kObjectDisconnected[] = "The object invoked has disconnected from its clients";
}  // namespace

class MemoryBrowserWindow : public BrowserWindow {
 public:
  MemoryBrowserWindow(MemoryBrowserWindows& owner, int id) : owner_(owner), id_(id) {}
  std::string LocationURL() override { return owner_.LocationOf(id_); }
  void Quit() override { owner_.QuitWindow(id_); }

 private:
  MemoryBrowserWindows& owner_;
  int id_;
};

MemoryBrowserWindows::MemoryBrowserWindows() = default;
MemoryBrowserWindows::~MemoryBrowserWindows() = default;

int MemoryBrowserWindows::Open(const std::string& address) {
  windows_.push_back({address, true, true});
  return static_cast<int>(windows_.size()) - 1;
}

int MemoryBrowserWindows::OpenNonBrowser() {
  windows_.push_back({std::string(), false, true});
  return static_cast<int>(windows_.size()) - 1;
}

bool MemoryBrowserWindows::IsOpen(int id) const {
  return id >= 0 && id < static_cast<int>(windows_.size()) && windows_[id].open;
}

std::vector<std::string> MemoryBrowserWindows::OpenAddresses() const {
  std::vector<std::string> out;
  for (const Window& w : windows_)
    if (w.open && w.browser) out.push_back(w.address);
  return out;
}

void MemoryBrowserWindows::ClearFailures() {
  fail_count_ = false;
  fail_items_.clear();
  fail_location_.clear();
  fail_quit_.clear();
}

int MemoryBrowserWindows::Count() {
  if (fail_count_) throw AutomationError(kServerUnavailable);
  view_.clear();
  for (size_t id = 0; id < windows_.size(); ++id)
    if (windows_[id].open) view_.push_back(static_cast<int>(id));
  return static_cast<int>(view_.size());
}

std::unique_ptr<BrowserWindow> MemoryBrowserWindows::Item(int index) {
  if (fail_items_.count(index)) throw AutomationError(kServerUnavailable);
  if (index < 0 || index >= static_cast<int>(view_.size())) return nullptr;
  const int id = view_[index];
  if (!windows_[id].browser) return nullptr;
  return std::make_unique<MemoryBrowserWindow>(*this, id);
}

std::string MemoryBrowserWindows::LocationOf(int id) {
  if (fail_location_.count(id) || !windows_[id].open) throw AutomationError(kObjectDisconnected);
  return windows_[id].address;
}

void MemoryBrowserWindows::QuitWindow(int id) {
  ++quit_calls_;
  if (fail_quit_.count(id) || !windows_[id].open) throw AutomationError(kObjectDisconnected);
  windows_[id].open = false;
}

}  // namespace orv
