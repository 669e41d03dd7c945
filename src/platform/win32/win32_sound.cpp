#include "platform/win32/win32_sound.h"

#include <windows.h>
#include <mmsystem.h>

namespace orv {

void Win32Sound::PlayAsync(const std::string& path) {
  // SND_NODEFAULT is left out on purpose: for a missing file the system's default sound plays.
  sndPlaySoundA(path.c_str(), SND_ASYNC);
}

}  // namespace orv
