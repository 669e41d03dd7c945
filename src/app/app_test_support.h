#pragma once
// The whole program over in-memory services, as the window layer would make it, for the tests
// that drive it through its events.
#include <string>
#include <vector>

#include "app/orvanel_app.h"
#include "lists/ini_array.h"
#include "platform/memory/memory_browser_windows.h"
#include "platform/memory/memory_connectivity.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_http_client.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/recorders.h"

namespace orv {
namespace app_test {

inline const std::string kFolder = "C:\\Orvanel\\";
inline const std::string kExe = kFolder + "Orvanel.exe";
inline const std::string kIni = kFolder + "conf\\KillAD.ini";
inline const std::string kUserFolder = "C:\\Users\\u\\AppData\\Local\\Tavrosel\\Orvanel\\";

struct InMemoryProgram {
  // A run of conf\KillAD.ini as stored.
  std::vector<std::string> Stored(const std::string& prefix) {
    return TIniArray(files, kIni, "POPUPAD", prefix).Items();
  }

  MemoryRegistry registry;
  MemoryFileSystem files;
  RecordingShell shell;
  ScriptedMessageBoxes boxes;
  FixedClock clock;
  RecordingTimers timers;
  RecordingTray tray;
  RecordingSound sound;
  MemoryBrowserWindows browsers;
  RecordingMouseHook hook;
  RecordingAppWindow window;
  MemoryConnectivity connectivity;
  MemoryHttpClient http;
  OrvanelApp app{AppServices{registry, files, shell, boxes, clock, timers, tray, sound, browsers,
                             hook, window, connectivity, http},
                 kExe, kUserFolder};
};

}  // namespace app_test
}  // namespace orv
