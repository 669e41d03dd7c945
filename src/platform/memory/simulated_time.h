#pragma once
// A clock and the window's timers on simulated time: nothing happens until the test moves time
// on, and then every tick falls due in order, at its moment, and is handed to the tick handler
// (which may start and stop timers, as the window's handlers do).
#include <functional>
#include <map>

#include "platform/clock.h"

namespace orv {

class SimulatedTime : public Clock, public Timers {
 public:
  explicit SimulatedTime(double start_days = 46000.5) : start_days_(start_days) {}

  // The receiver of the ticks (the form's timer events).
  std::function<void(TimerId)> on_tick;

  // Moves time on by ms, delivering the ticks that fall due on the way.
  void AdvanceMs(long long ms);
  long long elapsed_ms() const { return now_ms_; }
  bool IsRunning(TimerId id) const { return running_.count(id) != 0; }

  double Now() override { return start_days_ + static_cast<double>(now_ms_) / 86400000.0; }
  void Start(TimerId id, unsigned interval_ms) override;
  void Stop(TimerId id) override { running_.erase(id); }

 private:
  struct Running {
    unsigned interval_ms;
    long long due_ms;
  };
  double start_days_;
  long long now_ms_ = 0;
  std::map<TimerId, Running> running_;
};

}  // namespace orv
