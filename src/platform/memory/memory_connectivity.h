#pragma once
// The online check in memory: a test switches the machine on- and offline, sees what was asked,
// and says when the system has finished the check under way (RunPending), so that an answer
// can come after anything the test lets happen first.
#include <string>
#include <vector>

#include "platform/connectivity.h"

namespace orv {

class MemoryConnectivity : public Connectivity {
 public:
  bool online = true;              // what a check finds when it ends
  std::vector<std::string> asked;  // the urls checked, oldest first

  void Check(const std::string& url, ConnectivityEvents* events) override {
    asked.push_back(url);
    events_ = events;
  }
  void Cancel() override { events_ = nullptr; }
  bool busy() const override { return events_ != nullptr; }

  // The check under way ends now: its answer arrives.
  void RunPending() {
    ConnectivityEvents* events = events_;
    events_ = nullptr;
    if (events) events->OnOnlineAnswer(online);
  }

 private:
  ConnectivityEvents* events_ = nullptr;
};

}  // namespace orv
