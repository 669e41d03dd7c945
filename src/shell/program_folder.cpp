#include "shell/program_folder.h"

#include "base/ansi.h"

namespace orv {

std::string DirectoryOf(const std::string& path) {
  // Last "\" or ":" that is a character of its own, not the second byte of a Chinese one.
  size_t last = std::string::npos;
  bool last_follows_separator = false;  // "C:\", "\\server": the separator is part of a root
  bool prev_is_separator = false;
  for (size_t i = 0; i < path.size();) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c) && i + 1 < path.size()) {
      prev_is_separator = false;
      i += 2;
      continue;
    }
    const bool separator = c == '\\' || c == ':';
    if (separator) {
      last = i;
      last_follows_separator = prev_is_separator;
    }
    prev_is_separator = separator;
    ++i;
  }
  if (last == std::string::npos) return std::string();
  const bool keep = path[last] == ':' || last == 0 || last_follows_separator;
  return path.substr(0, keep ? last + 1 : last);
}

std::string ProgramFolder(const std::string& exe_path) { return DirectoryOf(exe_path) + "\\"; }

}  // namespace orv
