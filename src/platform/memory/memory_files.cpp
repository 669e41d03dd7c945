#include "platform/memory/memory_files.h"

#include "base/ansi.h"

namespace orv {

bool MemoryFileSystem::Fault::Hit() {
  if (at <= 0) return false;
  ++seen;
  if (seen == at || (persistent && seen > at)) {
    ++fired;
    return true;
  }
  return false;
}

std::string MemoryFileSystem::Normalize(const std::string& path) {
  std::string key = AnsiLowerAscii(path);
  for (size_t i = 0; i < key.size(); ++i) {
    // A trail byte of a double-byte character may equal "\" or "/"; it is not a separator.
    if (IsLeadByte(static_cast<unsigned char>(key[i])) && i + 1 < key.size()) {
      ++i;
      continue;
    }
    if (key[i] == '/') key[i] = '\\';
  }
  return key;
}

bool MemoryFileSystem::FileExists(const std::string& path) {
  return files_.count(Normalize(path)) != 0;
}

bool MemoryFileSystem::ReadFile(const std::string& path, std::string* bytes) {
  ++read_calls_;
  if (read_fault_.Hit()) return false;
  auto it = files_.find(Normalize(path));
  if (it == files_.end()) return false;
  *bytes = it->second.bytes;
  return true;
}

void MemoryFileSystem::RemoveReplaceLeftovers(const std::string& path) {
  const std::string key = Normalize(path);
  const size_t name_start = FileNameStart(key);
  const std::string folder = key.substr(0, name_start);
  const std::string name = key.substr(name_start);
  for (auto it = files_.lower_bound(folder); it != files_.end() &&
                                             it->first.compare(0, folder.size(), folder) == 0;) {
    if (IsReplaceTemporaryName(name, it->first.substr(folder.size()))) {
      it = files_.erase(it);
    } else {
      ++it;
    }
  }
}

bool MemoryFileSystem::WriteFileAtomically(const std::string& path, const std::string& bytes) {
  ++write_calls_;
  const std::string key = Normalize(path);
  if (!MayWriteIn(key)) return false;  // nothing beside it can be removed either
  RemoveReplaceLeftovers(path);
  if (write_fault_.Hit()) return false;
  Entry& entry = files_[key];
  if (entry.read_only) return false;
  entry.bytes = bytes;
  return true;
}

void MemoryFileSystem::SetFolderAccess(const std::string& folder, FolderRule rule) {
  std::string key = Normalize(folder);
  if (key.empty() || key.back() != '\\') key += '\\';
  folder_rules_.push_back({key, rule});
}

bool MemoryFileSystem::MayWriteIn(const std::string& normalized_path) const {
  size_t depth = 0;
  FolderRule rule = FolderRule::Writable;
  for (const auto& r : folder_rules_) {
    if (normalized_path.compare(0, r.first.size(), r.first) == 0 && r.first.size() >= depth) {
      depth = r.first.size();
      rule = r.second;
    }
  }
  return rule == FolderRule::Writable;
}

void MemoryFileSystem::SetFile(const std::string& path, const std::string& bytes) {
  files_[Normalize(path)].bytes = bytes;
}

bool MemoryFileSystem::GetFile(const std::string& path, std::string* bytes) const {
  auto it = files_.find(Normalize(path));
  if (it == files_.end()) return false;
  *bytes = it->second.bytes;
  return true;
}

std::string MemoryFileSystem::FileBytes(const std::string& path) const {
  std::string bytes;
  GetFile(path, &bytes);
  return bytes;
}

bool MemoryFileSystem::RemoveFile(const std::string& path) {
  return files_.erase(Normalize(path)) != 0;
}

void MemoryFileSystem::SetReadOnly(const std::string& path, bool read_only) {
  auto it = files_.find(Normalize(path));
  if (it != files_.end()) it->second.read_only = read_only;
}

bool MemoryFileSystem::MakeFolder(const std::string& path) {
  ++write_calls_;
  if (write_fault_.Hit()) return false;
  const std::vector<std::string> chain = FolderChain(Normalize(path));
  for (const std::string& folder : chain) {
    if (files_.count(folder)) return false;  // a file of that name is in the way
    // A folder that is not there yet is made in its parent, which the user must be allowed to write.
    if (!folders_.count(folder) && !MayWriteIn(folder)) return false;
  }
  folders_.insert(chain.begin(), chain.end());
  return true;
}

bool MemoryFileSystem::FolderExists(const std::string& path) const {
  std::string key = Normalize(path);
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return folders_.count(key) != 0;
}

}  // namespace orv
