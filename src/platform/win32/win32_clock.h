#pragma once
// Local time from the system clock.
#include "platform/clock.h"

namespace orv {

class Win32Clock : public Clock {
 public:
  double Now() override;
};

}  // namespace orv
