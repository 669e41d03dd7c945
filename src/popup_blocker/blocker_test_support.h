#pragma once
// Shared set-up of the popup blocker's tests: an in-memory program folder with conf\KillAD.ini,
// the settings key, and helpers to read the lists back from the file.
#include <string>
#include <vector>

#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"
#include "popup_blocker/ad_page.h"
#include "lists/ini_array.h"
#include "shell/settings.h"

namespace orv {
namespace blocker_test {

inline const std::string kFolder = "C:\\Program Files\\Orvanel\\";
inline const std::string kIniPath = kFolder + "conf\\KillAD.ini";

struct BlockerStorage {
  MemoryFileSystem files;
  MemoryRegistry registry;

  // Writes conf\KillAD.ini with the given lines below its section line.
  void WriteIni(const std::vector<std::string>& lines) {
    std::string text = "[POPUPAD]\r\n";
    for (const std::string& l : lines) text += l + "\r\n";
    files.SetFile(kIniPath, text);
  }
  std::string IniText() const { return files.FileBytes(kIniPath); }
  // The run of prefix as the program reads it back.
  std::vector<std::string> Run(const std::string& prefix) {
    return TIniArray(files, kIniPath, kAdSection, prefix).Items();
  }

  RegKey Key() { return settings::OpenKey(registry); }
  void SetSwitch(const std::string& name, bool on) { Key().WriteBool(name, on); }
  void SetText(const std::string& name, const std::string& value) {
    Key().WriteString(name, value);
  }
  void DenySettingsKey() {
    registry.SetAccess(settings::kRoot, settings::kKeyPath, MemoryRegistry::Rule::Denied);
  }
};

}  // namespace blocker_test
}  // namespace orv
