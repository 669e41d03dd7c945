#pragma once
// Whether the machine can reach a web address (InternetCheckConnection on Windows).
#include <string>

namespace orv {

class Connectivity {
 public:
  virtual ~Connectivity() = default;
  // True when a connection to the host and port of `url` ("http://host[:port]/...") could be
  // made now. Blocks for as long as the connection attempt takes.
  virtual bool CanConnect(const std::string& url) = 0;
};

}  // namespace orv
