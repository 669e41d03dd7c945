#pragma once
// Whole-file access for the program's data files. Paths are full Windows paths in the ANSI
// code page; names do not depend on case and "/" and "\" separate alike.
#include <string>

namespace orv {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool FileExists(const std::string& path) = 0;
  // Reads the whole file; false when it is missing or cannot be read.
  virtual bool ReadFile(const std::string& path, std::string* bytes) = 0;
  // Replaces the whole file atomically: afterwards, even after a failure or a crash part-way,
  // the file holds either its old bytes or the new ones. False when the new bytes could not be
  // written (the old file is then untouched).
  virtual bool WriteFileAtomically(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace orv
