#pragma once
// Whether the machine can reach a web address (InternetCheckConnection on Windows). A check can
// take as long as a connection attempt: seconds, on a network that drops packets. So it runs
// away from the interface thread, which never waits for it, and its answer comes back later as
// an event on the interface thread.
#include <string>

namespace orv {

class ConnectivityEvents {
 public:
  virtual ~ConnectivityEvents() = default;
  // online: a connection to the host and port that was asked about could be made.
  virtual void OnOnlineAnswer(bool online) = 0;
};

class Connectivity {
 public:
  virtual ~Connectivity() = default;
  // Starts a check of whether a connection to the host and port of `url`
  // ("http://host[:port]/...") can be made now. Its answer comes once, later, on the interface
  // thread, never from inside Check; `events` must live until then or until Cancel. A check
  // still under way is given up first: its answer never comes.
  virtual void Check(const std::string& url, ConnectivityEvents* events) = 0;
  // Gives up the check under way, if any: its answer never comes.
  virtual void Cancel() = 0;
  // A check is under way: asked, not yet answered or given up.
  virtual bool busy() const = 0;
};

}  // namespace orv
