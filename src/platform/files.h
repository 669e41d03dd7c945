#pragma once
// Whole-file access for the program's data files. Paths are full Windows paths in the ANSI
// code page; names do not depend on case and "/" and "\" separate alike.
#include <cstddef>
#include <string>
#include <vector>

namespace orv {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool FileExists(const std::string& path) = 0;
  // Reads the whole file; false when it is missing or cannot be read.
  virtual bool ReadFile(const std::string& path, std::string* bytes) = 0;
  // Replaces the whole file atomically: afterwards, even after a failure or a crash part-way,
  // the file holds either its old bytes or the new ones. False when the new bytes could not be
  // written (the old file is then untouched). Removes the leftovers of earlier replaces first.
  virtual bool WriteFileAtomically(const std::string& path, const std::string& bytes) = 0;
  // Removes what replaces of path that were cut off (the process ended part-way) left beside
  // it: the files named as ReplaceTemporaryName names them, and no other file.
  virtual void RemoveReplaceLeftovers(const std::string& path) = 0;
  // Makes the folder with every missing folder above it. True when the folder exists
  // afterwards; false when it could not be made (a file of that name in the way, no rights).
  virtual bool MakeFolder(const std::string& path) = 0;
};

// The folders a full path passes through, from the top down, the path itself last: "C:\a\b"
// gives "C:\a" and "C:\a\b". A drive ("C:") or a share ("\\server\share") is no folder to make;
// a trailing separator is left out.
std::vector<std::string> FolderChain(const std::string& path);

// Where the file name of a full path starts: after its last "\" or "/" (a trail byte of a
// double-byte character that equals one of them is no separator).
size_t FileNameStart(const std::string& path);

// The temporary file a replace of path writes beside it before moving it over path:
// path + ".~" + process id + "-" + serial + ".tmp".
std::string ReplaceTemporaryName(const std::string& path, unsigned long process_id,
                                 unsigned serial);
// Whether name (a file name without its folder) is such a temporary file of the file named
// target_name, of any process and serial. Names compare without regard to case (A to Z).
bool IsReplaceTemporaryName(const std::string& target_name, const std::string& name);

}  // namespace orv
