#pragma once
// The program's data files on Windows. Replacing writes a temporary file beside the target,
// flushes it and moves it over the target, so a failure or a crash part-way leaves the old file
// (and, after a crash, the temporary file, which the next replace removes).
#include <windows.h>

#include <string>

#include "platform/files.h"

namespace orv {

class Win32FileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* bytes) override;
  bool WriteFileAtomically(const std::string& path, const std::string& bytes) override;
  void RemoveReplaceLeftovers(const std::string& path) override;
  bool MakeFolder(const std::string& path) override;
};

}  // namespace orv
