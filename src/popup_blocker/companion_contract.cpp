#include "popup_blocker/companion_contract.h"

#include "base/ansi.h"
#include "base/errors.h"
#include "lists/ini_file.h"
#include "popup_blocker/ad_messages.h"
#include "shell/settings.h"

namespace orv {

bool AsksForScan(BrowserEvent event, bool top_level) {
  return event == BrowserEvent::kNewWindow || top_level;
}

CompanionSwitch CompanionBlockingSwitch(Registry& registry) {
  RegKey key =
      RegKey::Open(registry, settings::kRoot, settings::kKeyPath, false, RegAccess::Read);
  if (!key) return CompanionSwitch::kUnknown;
  if (!key.ValueExists(settings::kAllowKillAD)) return CompanionSwitch::kOn;
  try {
    return key.ReadBool(settings::kAllowKillAD) ? CompanionSwitch::kOn : CompanionSwitch::kOff;
  } catch (const RegistryError&) {
    return CompanionSwitch::kOff;
  }
}

bool RequestScan(Registry& registry, ProgramWindow& window, BrowserEvent event, bool top_level) {
  if (!AsksForScan(event, top_level)) return false;
  if (CompanionBlockingSwitch(registry) == CompanionSwitch::kOff) return false;
  return window.Ready() && window.Post(WM_AD_SCAN);
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsControl(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// The address trimmed as the list's reader trims it, or "" when the list could not hold it.
std::string TrimmedEntry(const std::string& address) {
  size_t begin = 0, end = address.size();
  while (begin < end && IsBlank(address[begin])) ++begin;
  while (end > begin && IsBlank(address[end - 1])) --end;
  std::string entry = address.substr(begin, end - begin);
  if (entry.empty() || entry.size() > IniFile::kMaxValueBytes) return std::string();
  if (entry.size() >= 2 && (entry.front() == '"' || entry.front() == '\'') &&
      entry.back() == entry.front())
    return std::string();
  for (char c : entry)
    if (IsControl(c)) return std::string();
  return entry;
}

void StarsToQuestionMarks(std::string* entry, size_t from) {
  for (size_t i = from; i < entry->size(); ++i)
    if ((*entry)[i] == '*') (*entry)[i] = '?';
}

// Position of the first of the ASCII bytes in `set` at or after `from`, stepping over
// double-byte characters (a trail byte may equal "@", "[", "\" or "]"); npos when none.
size_t FindAsciiOf(const std::string& text, const char* set, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(byte) && i + 1 < text.size()) {
      ++i;
      continue;
    }
    for (const char* s = set; *s; ++s)
      if (text[i] == *s) return i;
  }
  return std::string::npos;
}
size_t FindLastAscii(const std::string& text, char c) {
  const char set[] = {c, '\0'};
  size_t last = std::string::npos;
  for (size_t at = FindAsciiOf(text, set, 0); at != std::string::npos;
       at = FindAsciiOf(text, set, at + 1))
    last = at;
  return last;
}

bool AllDigits(const std::string& text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// The host of an authority ("user@host:port"): "" when it has none or a malformed port.
std::string HostOf(const std::string& authority) {
  const size_t at = FindLastAscii(authority, '@');
  std::string host = at == std::string::npos ? authority : authority.substr(at + 1);
  if (!host.empty() && host[0] == '[') {  // an IPv6 literal, then perhaps ":port"
    const size_t close = host.find(']');
    if (close == std::string::npos) return std::string();
    const std::string rest = host.substr(close + 1);
    if (!rest.empty() && (rest[0] != ':' || !AllDigits(rest.substr(1)))) return std::string();
    return host.substr(0, close + 1);
  }
  const size_t colon = FindLastAscii(host, ':');
  if (colon != std::string::npos) {
    if (!AllDigits(host.substr(colon + 1))) return std::string();
    host.resize(colon);
  }
  return host;
}

}  // namespace

std::string BlackListEntryFor(const std::string& address) {
  std::string entry = TrimmedEntry(address);
  StarsToQuestionMarks(&entry, 0);
  return entry;
}

std::string BrowserSideEntryFor(const std::string& address) {
  std::string entry = TrimmedEntry(address);
  if (entry.empty() || FindAsciiOf(entry, "\\", 0) != std::string::npos) return std::string();
  const size_t separator = entry.find("://");
  if (separator == std::string::npos) return std::string();
  const std::string scheme = AnsiLowerAscii(entry.substr(0, separator));
  if (scheme != "http" && scheme != "https" && scheme != "ftp") return std::string();
  const size_t start = separator + 3;
  size_t end = FindAsciiOf(entry, "/?#", start);
  if (end == std::string::npos) end = entry.size();
  const std::string authority = entry.substr(start, end - start);
  if (FindAsciiOf(authority, "* ", 0) != std::string::npos || HostOf(authority).empty())
    return std::string();
  if (end == entry.size() || entry[end] != '/') entry.insert(end, "/");
  if (entry.size() > IniFile::kMaxValueBytes) return std::string();
  StarsToQuestionMarks(&entry, end);
  return entry;
}

std::string HandedOverAddress(const char* bytes, size_t length) {
  if (bytes == nullptr || length == 0 || length > IniFile::kMaxValueBytes) return std::string();
  for (size_t i = 0; i < length; ++i)
    if (IsControl(bytes[i])) return std::string();
  return std::string(bytes, length);
}

AddUrlOutcome AddToBlackList(ProgramWindow& window, const std::string& address) {
  const std::string entry = BrowserSideEntryFor(address);
  if (entry.empty()) return AddUrlOutcome::kRefused;
  if (!window.Ready()) return AddUrlOutcome::kNoProgram;
  return window.HandOver(kCopyDataAddUrl, entry) ? AddUrlOutcome::kHandedOver
                                                 : AddUrlOutcome::kNotTaken;
}

}  // namespace orv
