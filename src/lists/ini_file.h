#pragma once
// An INI file read once into memory and written back whole. Reads exactly as the Windows
// private-profile functions do (GetPrivateProfileStringA with a 2,048-byte buffer); writes touch
// only the lines of the keys that change, so every other line, comment and blank keeps its bytes.
// Text is bytes in the ANSI code page. A UTF-8 mark at the start is skipped when reading and left
// out when writing, so that other readers take the file, as the program does, for ANSI.
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

namespace orv {

class IniFile {
 public:
  // Longest value returned, in bytes (the reader's buffer less its terminating zero).
  static constexpr size_t kMaxValueBytes = 2047;

  // Reads the file once. A missing or unreadable file reads as empty; ReadOk() tells which.
  IniFile(FileSystem& files, std::string path);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  const std::string& path() const { return path_; }
  bool ReadOk() const { return read_ok_; }
  // The bytes the file holds as far as this object knows: as read, or as last written.
  const std::string& DiskBytes() const { return disk_; }
  bool HasPendingChanges() const { return dirty_; }

  // Names of sections and keys match without regard to case (A to Z) and blanks around them.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value) const;
  // The values of keys prefix0, prefix1, ... of the section up to the first missing or empty
  // one, as ReadString reads them (a run of a list).
  std::vector<std::string> ReadRun(const std::string& section, const std::string& prefix) const;
  // Sets the key's value: the first such key of the first such section is rewritten in place as
  // key=value; a new key goes after the last key line of the section; a new section is appended.
  // A value is one line: line breaks and zero bytes in it become blanks.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  // The value as WriteString stores it.
  static std::string OneLineValue(const std::string& value);
  // The value ReadString gives back for a key that WriteString was given value for: one line,
  // blanks around it trimmed, one pair of matching quotes removed, at most kMaxValueBytes.
  static std::string ValueAsReadBack(const std::string& value);
  // Removes the first such key line of the first such section (a later duplicate then shows).
  void DeleteKey(const std::string& section, const std::string& key);

  // Writes the pending changes with one atomic replacement of the file. When the file changed
  // since this object read or wrote it (another object on the same file wrote meanwhile), the
  // changes are made again on what the file holds now, so neither writer undoes the other. On
  // failure returns false and drops them: the object again holds what the file holds.
  bool Flush();
  // The bytes the object would write now.
  std::string Serialize() const;

 private:
  struct Doc;  // the parsed form, built on first use
  struct Change {
    bool remove;
    std::string section, key, value;
  };
  void Apply(const Change& change);
  void RemoveKey(const std::string& section, const std::string& key);
  Doc& Parsed() const;

  FileSystem& files_;
  std::string path_;
  bool read_ok_ = false;
  std::string disk_;
  bool dirty_ = false;
  std::vector<Change> pending_;  // since the last flush, in order
  mutable std::unique_ptr<Doc> doc_;
};

}  // namespace orv
