#include "platform/files.h"

#include "base/ansi.h"

namespace orv {

namespace {

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

size_t FileNameStart(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (IsSeparator(path[i])) {
      start = i + 1;
    }
  }
  return start;
}

std::vector<std::string> FolderChain(const std::string& path) {
  // Where each separator stands (a trail byte of a double-byte character is none).
  std::vector<size_t> cuts;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (IsSeparator(path[i])) {
      cuts.push_back(i);
    }
  }
  cuts.push_back(path.size());
  // A share's first two names, "\\server\share", are one root; so is a drive "C:".
  size_t skip = 0;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]))
    skip = 4;
  else if (path.size() >= 2 && path[1] == ':')
    skip = 1;
  std::vector<std::string> chain;
  size_t start = 0;
  for (size_t n = 0; n < cuts.size(); ++n) {
    const size_t cut = cuts[n];
    const bool empty_name = cut == start;
    start = cut + 1;
    if (n < skip || empty_name) continue;
    chain.push_back(path.substr(0, cut));
  }
  return chain;
}

std::string ReplaceTemporaryName(const std::string& path, unsigned long process_id,
                                 unsigned serial) {
  return path + ".~" + std::to_string(process_id) + "-" + std::to_string(serial) + ".tmp";
}

bool IsReplaceTemporaryName(const std::string& target_name, const std::string& name) {
  static const char kOpen[] = ".~";
  static const char kClose[] = ".tmp";
  const size_t head = target_name.size() + 2;
  if (target_name.empty() || name.size() < head + 3 + 4) return false;
  if (!AnsiEqualsNoCase(name.substr(0, target_name.size()), target_name)) return false;
  if (name.compare(target_name.size(), 2, kOpen) != 0) return false;
  if (!AnsiEqualsNoCase(name.substr(name.size() - 4), kClose)) return false;
  const std::string middle = name.substr(head, name.size() - 4 - head);
  const size_t dash = middle.find('-');
  return dash != std::string::npos && AllDigits(middle.substr(0, dash)) &&
         AllDigits(middle.substr(dash + 1));
}

}  // namespace orv
