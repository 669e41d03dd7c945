#pragma once
// The open browser windows in memory. Count() takes a view of the windows open at that moment
// and Item() indexes that view, as the shell's collection does; Quit closes the window (it
// leaves the open windows, and later calls on it fail). A test can make Count, Item,
// LocationURL or Quit fail with AutomationError.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/browser_windows.h"

namespace orv {

class MemoryBrowserWindows : public BrowserWindows {
 public:
  MemoryBrowserWindows();
  ~MemoryBrowserWindows() override;

  // Opens a browser window showing address; returns its id (0, 1, 2, ... in opening order).
  int Open(const std::string& address);
  // Opens a shell window that is not a browser (Item yields nullptr for it).
  int OpenNonBrowser();

  bool IsOpen(int id) const;
  // Addresses of the browser windows still open, in opening order.
  std::vector<std::string> OpenAddresses() const;
  int quit_calls() const { return quit_calls_; }

  // Failure injection: each raises AutomationError from the next such call and every later
  // one until cleared.
  void FailCount(bool fail) { fail_count_ = fail; }
  void FailItem(int view_index) { fail_items_.insert(view_index); }
  void FailLocationURL(int id) { fail_location_.insert(id); }
  void FailQuit(int id) { fail_quit_.insert(id); }
  void ClearFailures();

  int Count() override;
  std::unique_ptr<BrowserWindow> Item(int index) override;

  struct Window {
    std::string address;
    bool browser = true;
    bool open = true;
  };

 private:
  friend class MemoryBrowserWindow;
  std::string LocationOf(int id);
  void QuitWindow(int id);

  std::vector<Window> windows_;  // by id
  std::vector<int> view_;        // ids of the last Count()
  bool fail_count_ = false;
  std::set<int> fail_items_, fail_location_, fail_quit_;
  int quit_calls_ = 0;
};

}  // namespace orv
