#pragma once
// The online check over WinInet's InternetCheckConnection.
#include "platform/connectivity.h"

namespace orv {

class Win32Connectivity : public Connectivity {
 public:
  bool CanConnect(const std::string& url) override;
};

}  // namespace orv
