#include "popup_blocker/companion_contract.h"

#include "base/errors.h"
#include "lists/ini_file.h"
#include "popup_blocker/ad_messages.h"
#include "shell/settings.h"

namespace orv {

bool AsksForScan(BrowserEvent event, bool top_level) {
  return event == BrowserEvent::kNewWindow || top_level;
}

bool CompanionBlockingSwitchedOn(Registry& registry) {
  RegKey key =
      RegKey::Open(registry, settings::kRoot, settings::kKeyPath, false, RegAccess::Read);
  if (!key) return false;
  if (!key.ValueExists(settings::kAllowKillAD)) return true;
  try {
    return key.ReadBool(settings::kAllowKillAD);
  } catch (const RegistryError&) {
    return false;
  }
}

bool RequestScan(Registry& registry, ProgramWindow& window, BrowserEvent event, bool top_level) {
  if (!AsksForScan(event, top_level)) return false;
  if (!CompanionBlockingSwitchedOn(registry)) return false;
  return window.Ready() && window.Post(WM_AD_SCAN);
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string BlackListEntryFor(const std::string& address) {
  size_t begin = 0, end = address.size();
  while (begin < end && IsBlank(address[begin])) ++begin;
  while (end > begin && IsBlank(address[end - 1])) --end;
  std::string entry = address.substr(begin, end - begin);
  if (entry.empty() || entry.size() > IniFile::kMaxValueBytes) return std::string();
  if (entry.size() >= 2 && (entry.front() == '"' || entry.front() == '\'') &&
      entry.back() == entry.front())
    return std::string();
  for (char& c : entry) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::string();
    if (c == '*') c = '?';
  }
  return entry;
}

AddUrlOutcome AddToBlackList(Registry& registry, ProgramWindow& window,
                             const std::string& address) {
  const std::string entry = BlackListEntryFor(address);
  if (entry.empty()) return AddUrlOutcome::kRefused;
  if (!window.Ready()) return AddUrlOutcome::kNoProgram;
  {
    // The program has made the key at its start; a companion never creates it.
    RegKey key = RegKey::Open(registry, settings::kRoot, settings::kKeyPath, false);
    if (!key) return AddUrlOutcome::kNotStored;
    try {
      key.WriteString(settings::kLastAddUrl, entry);
    } catch (const RegistryError&) {
      return AddUrlOutcome::kNotStored;
    }
  }
  return window.Post(WM_AD_ADDURL) ? AddUrlOutcome::kPosted : AddUrlOutcome::kNoProgram;
}

}  // namespace orv
