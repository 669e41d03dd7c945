#pragma once
// Local time and the window's timers.
namespace orv {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local time as days since 30 December 1899 00:00, the time of day as the fraction.
  virtual double Now() = 0;
};

enum class TimerId { DownloadNotice, CheckOnline };

// Timers of the main window; a tick arrives at the form as an event on the interface thread.
class Timers {
 public:
  virtual ~Timers() = default;
  // Starting a timer that runs with the same interval changes nothing: its next tick stays due
  // when it was. Another interval restarts it.
  virtual void Start(TimerId id, unsigned interval_ms) = 0;
  virtual void Stop(TimerId id) = 0;
};

}  // namespace orv
