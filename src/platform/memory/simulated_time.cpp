#include "platform/memory/simulated_time.h"

namespace orv {

void SimulatedTime::Start(TimerId id, unsigned interval_ms) {
  auto it = running_.find(id);
  if (it != running_.end() && it->second.interval_ms == interval_ms) return;
  running_[id] = Running{interval_ms, now_ms_ + interval_ms};
}

void SimulatedTime::AdvanceMs(long long ms) {
  const long long target = now_ms_ + ms;
  for (;;) {
    auto next = running_.end();
    for (auto it = running_.begin(); it != running_.end(); ++it)
      if (next == running_.end() || it->second.due_ms < next->second.due_ms) next = it;
    if (next == running_.end() || next->second.due_ms > target) break;
    now_ms_ = next->second.due_ms;
    next->second.due_ms += next->second.interval_ms;
    const TimerId id = next->first;
    if (on_tick) on_tick(id);
  }
  now_ms_ = target;
}

}  // namespace orv
