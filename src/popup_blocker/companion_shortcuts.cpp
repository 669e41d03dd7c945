#include "popup_blocker/companion_shortcuts.h"

#include "base/ansi.h"
#include "lists/ini_file.h"
#include "popup_blocker/companion_site_lock.h"
#include "shell/maker_site.h"

namespace orv {

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && AnsiEqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// The scheme of an address ("http" of "http://x", "about" of "about:blank"), lower-cased, or ""
// when it has none. "host:8080/..." names a port, not a scheme.
std::string SchemeOf(const std::string& address) {
  if (address.empty() || !IsAsciiLetter(address[0])) return std::string();
  size_t i = 1;
  while (i < address.size() && (IsAsciiLetter(address[i]) || IsAsciiDigit(address[i]) ||
                                address[i] == '+' || address[i] == '.' || address[i] == '-'))
    ++i;
  if (i >= address.size() || address[i] != ':') return std::string();
  if (i + 1 < address.size() && IsAsciiDigit(address[i + 1])) return std::string();
  return AnsiLowerAscii(address.substr(0, i));
}

}  // namespace

std::vector<UrlShortcut> BuiltInShortcuts() {
  std::vector<UrlShortcut> shortcuts;
  for (const char* name : kBuiltInShortcutNames) shortcuts.push_back({name, MakerHomePage()});
  return shortcuts;
}

std::string BareShortName(const std::string& address) {
  static const std::string kHttp = "http://";
  std::string host = StartsWithNoCase(address, kHttp) ? address.substr(kHttp.size()) : address;
  if (!host.empty() && host.back() == '/') host.pop_back();
  if (host.empty()) return std::string();
  for (char c : host)
    if (!IsAsciiLetter(c)) return std::string();
  return host;
}

std::vector<UrlShortcut> LoadUrlShortcuts(FileSystem& files, const std::string& program_folder) {
  std::vector<UrlShortcut> shortcuts = BuiltInShortcuts();
  if (program_folder.empty()) return shortcuts;
  std::string folder = program_folder;
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  IniFile ini(files, folder + kUrlShortcutIniName);
  if (!ini.ReadOk()) return shortcuts;
  const std::vector<std::string> names = ini.ReadRun(kUrlShortcutSection, kShortcutNamePrefix);
  const std::vector<std::string> addresses =
      ini.ReadRun(kUrlShortcutSection, kShortcutUrlPrefix);
  for (size_t i = 0; i < names.size() && i < addresses.size(); ++i)
    shortcuts.push_back({names[i], addresses[i]});
  return shortcuts;
}

std::string FindShortcut(const std::vector<UrlShortcut>& shortcuts, const std::string& name) {
  if (name.empty()) return std::string();
  for (const UrlShortcut& s : shortcuts)
    if (AnsiEqualsNoCase(s.name, name)) return s.address;
  return std::string();
}

std::string NavigableAddress(const std::string& stored,
                             const std::vector<UrlShortcut>& shortcuts) {
  if (stored.empty()) return std::string();
  const std::string scheme = SchemeOf(stored);
  if (!scheme.empty() && scheme != "http" && scheme != "https") return std::string();
  const std::string address = scheme.empty() ? "http://" + stored : stored;
  if (!FindShortcut(shortcuts, BareShortName(address)).empty()) return std::string();
  return address;
}

bool MayBeTypedNavigation(long flags, bool has_post_data, const std::string& headers) {
  static const std::string kReferer = "referer:";
  if ((flags & 1) != 0 || has_post_data) return false;
  // Header lines end in CR LF; a name is matched at the start of a line, without regard to case.
  for (size_t line = 0; line < headers.size();) {
    size_t start = line;
    while (start < headers.size() && (headers[start] == ' ' || headers[start] == '\t')) ++start;
    if (StartsWithNoCase(headers.substr(start), kReferer)) return false;
    const size_t end = headers.find('\n', line);
    if (end == std::string::npos) break;
    line = end + 1;
  }
  return true;
}

std::string ShortcutRedirect(Registry& registry, FileSystem& files, const std::string& address,
                             const std::string& library_path) {
  const std::string name = BareShortName(address);
  if (name.empty()) return std::string();
  const std::vector<std::string> folders = KnownProgramFolders(registry, library_path);
  const std::vector<UrlShortcut> shortcuts =
      LoadUrlShortcuts(files, folders.empty() ? std::string() : folders[0]);
  return NavigableAddress(FindShortcut(shortcuts, name), shortcuts);
}

}  // namespace orv
