#pragma once
// The program's data files on Windows. Replacing writes a temporary file beside the target,
// flushes it and moves it over the target, so a failure or a crash part-way leaves the old file.
#include <windows.h>

#include <string>

// <windows.h> makes ReplaceFile a macro for ReplaceFileA, which would rename the interface's
// member wherever both meet; the program never calls the Windows function of that name.
#undef ReplaceFile

#include "platform/files.h"

namespace orv {

class Win32FileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* bytes) override;
  bool ReplaceFile(const std::string& path, const std::string& bytes) override;
};

}  // namespace orv
