#pragma once
// Wave sounds through the multimedia system.
#include <string>

#include "platform/sound.h"

namespace orv {

class Win32Sound : public Sound {
 public:
  void PlayAsync(const std::string& path) override;
};

}  // namespace orv
