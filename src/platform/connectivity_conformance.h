#pragma once
// The shared online check suite runs against each implementation through this fixture; each
// test executable defines MakeConnectivityConformanceFixture once (the in-memory check
// natively, loopback servers on Windows).
#include <functional>
#include <memory>
#include <string>

#include "platform/connectivity.h"

namespace orv {

class ConnectivityConformanceFixture {
 public:
  virtual ~ConnectivityConformanceFixture() = default;
  virtual Connectivity& Service() = 0;
  // "http://host:port/" of a server on this machine.
  virtual std::string Reachable() = 0;
  // "http://host:port/" where nothing listens.
  virtual std::string Refusing() = 0;
  // Lets the checks work until done() holds or a few seconds pass; returns done().
  virtual bool RunUntil(const std::function<bool()>& done) = 0;
};

std::unique_ptr<ConnectivityConformanceFixture> MakeConnectivityConformanceFixture();

}  // namespace orv
