#include <set>

#include "platform/connectivity_conformance.h"
#include "platform/memory/memory_connectivity.h"

namespace orv {

namespace {
class MemoryConnectivityFixture : public ConnectivityConformanceFixture {
 public:
  Connectivity& Service() override { return service_; }
  std::string Reachable() override {
    const std::string url = NextUrl();
    reachable_.insert(url);
    return url;
  }
  std::string Refusing() override { return NextUrl(); }
  bool RunUntil(const std::function<bool()>& done) override {
    // The system ends the check under way with what it finds at its url.
    if (service_.busy()) service_.online = reachable_.count(service_.asked.back()) != 0;
    service_.RunPending();
    return done();
  }

 private:
  std::string NextUrl() { return "http://127.0.0.1:" + std::to_string(next_port_++) + "/"; }
  MemoryConnectivity service_;
  std::set<std::string> reachable_;
  int next_port_ = 20000;
};
}  // namespace

std::unique_ptr<ConnectivityConformanceFixture> MakeConnectivityConformanceFixture() {
  return std::make_unique<MemoryConnectivityFixture>();
}

}  // namespace orv
