#pragma once
#include <string>

namespace orv {

class Sound {
 public:
  virtual ~Sound() = default;
  // Starts playing a wave file and returns at once; the system's default sound plays when the
  // file is missing.
  virtual void PlayAsync(const std::string& path) = 0;
};

}  // namespace orv
