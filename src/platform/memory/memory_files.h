#pragma once
// Files in memory, behaving as the program's data files do on Windows: names without regard to
// case, "/" and "\" alike, a read-only file cannot be replaced, nor can a file in a folder the
// user may not write. A test can make the Nth read or replace fail (once, or from then on) to
// walk every failure point of an operation.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"

namespace orv {

class MemoryFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* bytes) override;
  bool WriteFileAtomically(const std::string& path, const std::string& bytes) override;
  // The in-memory replace leaves nothing behind, but files put there by a test are removed.
  void RemoveReplaceLeftovers(const std::string& path) override;
  // Counts as a write (it can be made to fail). Files may be put in folders never made.
  bool MakeFolder(const std::string& path) override;

  // Test helpers: put, look at and remove files without counting as calls.
  void SetFile(const std::string& path, const std::string& bytes);
  // The file's bytes; false when there is no such file.
  bool GetFile(const std::string& path, std::string* bytes) const;
  // The file's bytes, or "" when there is no such file.
  std::string FileBytes(const std::string& path) const;
  bool RemoveFile(const std::string& path);
  void SetReadOnly(const std::string& path, bool read_only);
  // Whether MakeFolder made the folder (or one below it).
  bool FolderExists(const std::string& path) const;

  // Rights on a folder and everything below it (the nearest rule wins), as its access list
  // grants them to the user: in a ReadOnly folder no file can be made or replaced (Windows
  // answers access denied), as in the program files folder without elevation.
  enum class FolderRule { Writable, ReadOnly };
  void SetFolderAccess(const std::string& folder, FolderRule rule);

  // Failure injection. The Nth call from now (1 = the next one) fails; with persistent, every
  // later call fails too. 0 turns it off. The counters count every call since the object was
  // made; failures() counts the calls failed on purpose since the last arming.
  void FailReadAt(int n, bool persistent = false) { read_fault_.Arm(n, persistent); }
  void FailWriteAt(int n, bool persistent = false) { write_fault_.Arm(n, persistent); }
  int read_calls() const { return read_calls_; }
  int write_calls() const { return write_calls_; }
  int failures() const { return read_fault_.fired + write_fault_.fired; }

 private:
  struct Fault {
    int at = 0;
    bool persistent = false;
    int seen = 0;
    int fired = 0;
    void Arm(int n, bool persist) {
      at = n;
      persistent = persist;
      seen = 0;
      fired = 0;
    }
    bool Hit();
  };
  struct Entry {
    std::string bytes;
    bool read_only = false;
  };
  static std::string Normalize(const std::string& path);
  bool MayWriteIn(const std::string& normalized_path) const;

  std::map<std::string, Entry> files_;
  std::vector<std::pair<std::string, FolderRule>> folder_rules_;  // folder with "\" -> rule
  std::set<std::string> folders_;
  Fault read_fault_, write_fault_;
  int read_calls_ = 0;
  int write_calls_ = 0;
};

}  // namespace orv
