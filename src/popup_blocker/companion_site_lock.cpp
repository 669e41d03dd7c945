#include "popup_blocker/companion_site_lock.h"

#include "base/ansi.h"
#include "base/errors.h"
#include "platform/files.h"
#include "shell/settings.h"
#include "shell/startup_integration.h"

namespace orv {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "C:\..." (the drive letter, its colon and a separator).
bool StartsWithDrive(const std::string& path) {
  return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

std::string WithTrailingBackslash(std::string folder) {
  for (char& c : folder)
    if (c == '/') c = '\\';
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

std::string ProgramFolderOfLibrary(const std::string& library_path) {
  const size_t name = FileNameStart(library_path);
  if (name == 0) return std::string();
  std::string folder = WithTrailingBackslash(library_path.substr(0, name));
  const std::string sub = std::string("\\") + kX64LibraryFolder + "\\";
  if (folder.size() > sub.size() &&
      AnsiEqualsNoCase(folder.substr(folder.size() - sub.size()), sub))
    folder.resize(folder.size() - sub.size() + 1);
  return folder;
}

std::vector<std::string> KnownProgramFolders(Registry& registry,
                                             const std::string& library_path) {
  std::vector<std::string> folders;
  {
    RegKey key =
        RegKey::Open(registry, settings::kRoot, settings::kKeyPath, false, RegAccess::Read);
    if (key) {
      try {
        const std::string path = key.ReadString(settings::kPath);
        if (!path.empty()) folders.push_back(WithTrailingBackslash(path));
      } catch (const RegistryError&) {
        // not text: no folder from the settings
      }
    }
  }
  const std::string own = ProgramFolderOfLibrary(library_path);
  if (!own.empty() && (folders.empty() || !AnsiEqualsNoCase(folders[0], own)))
    folders.push_back(own);
  return folders;
}

std::string LocalFileOfDocument(const std::string& address) {
  std::string path = address;
  if (path.size() >= 5 && AnsiEqualsNoCase(path.substr(0, 5), "file:")) {
    path.erase(0, 5);
    // "file:///C:/...", "file://C:/...": no host but the local one.
    size_t slashes = 0;
    while (slashes < path.size() && slashes < 3 && (path[slashes] == '/' || path[slashes] == '\\'))
      ++slashes;
    if (slashes < 2) return std::string();
    path.erase(0, slashes);
  }
  if (path.find_first_of("?#") != std::string::npos) return std::string();
  std::string decoded;
  for (size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    if (c == '%') {
      const int high = i + 2 < path.size() ? HexValue(path[i + 1]) : -1;
      const int low = high >= 0 ? HexValue(path[i + 2]) : -1;
      if (low < 0) return std::string();
      c = static_cast<char>(high * 16 + low);
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::string();
      i += 2;
    }
    decoded += c == '/' ? '\\' : c;
  }
  if (!StartsWithDrive(decoded)) return std::string();
  // No "." or ".." segment may lead out of the folder and back.
  size_t start = 3;
  while (start <= decoded.size()) {
    size_t end = decoded.find('\\', start);
    if (end == std::string::npos) end = decoded.size();
    const std::string segment = decoded.substr(start, end - start);
    if (segment == "." || segment == "..") return std::string();
    start = end + 1;
  }
  return decoded;
}

bool IsOwnMenuPage(const std::string& address, const std::vector<std::string>& folders) {
  const std::string file = LocalFileOfDocument(address);
  if (file.empty()) return false;
  for (const std::string& folder : folders) {
    const std::string base = WithTrailingBackslash(folder);
    for (const char* page : {kMenuExtCurrentPageFile, kMenuExtLinkFile})
      if (AnsiEqualsNoCase(file, base + page)) return true;
  }
  return false;
}

}  // namespace orv
