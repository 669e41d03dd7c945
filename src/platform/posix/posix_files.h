#pragma once
// The program's data files on a POSIX file system, for the native build: the real-file
// counterpart of the in-memory files, used by the native tests that need real files (a save cut
// off by killing the process). A Windows path ("C:\Orvanel\conf\KillAD.ini") names the file
// below root with its drive left out and "\" as "/" (root + "/Orvanel/conf/KillAD.ini"). Names
// depend on case here, unlike on Windows.
//
// A replace writes the new bytes to ReplaceTemporaryName beside the file, flushes them to the
// disk, renames the temporary file over the file (atomic on POSIX) and flushes the folder, so a
// process killed at any moment leaves the old file or the new one, and at most a leftover
// temporary file, which the next replace removes (unlike on Windows, also the temporary file of
// a replace that another process is still writing: that replace then fails).
#include <string>

#include "platform/files.h"

namespace orv {

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(std::string root);
  bool FileExists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* bytes) override;
  bool WriteFileAtomically(const std::string& path, const std::string& bytes) override;
  void RemoveReplaceLeftovers(const std::string& path) override;
  bool MakeFolder(const std::string& path) override;

  // The POSIX path a Windows path names.
  std::string Local(const std::string& path) const;

 private:
  std::string root_;
  unsigned serial_ = 0;
};

}  // namespace orv
