#pragma once
// The online check in memory: a test switches the machine on- and offline and sees what was
// asked.
#include <string>
#include <vector>

#include "platform/connectivity.h"

namespace orv {

class MemoryConnectivity : public Connectivity {
 public:
  bool online = true;
  std::vector<std::string> asked;  // the urls checked, oldest first
  bool CanConnect(const std::string& url) override {
    asked.push_back(url);
    return online;
  }
};

}  // namespace orv
