#pragma once
// Lists stored as a numbered run of keys (prefix + 0, 1, 2, ...) in one INI section, with no
// count key. Objects are short-lived: each operation makes its own on the file, which loads it.
// Every change goes to the file at once; a change that rewrites several keys replaces the file
// atomically, so the file always holds the whole old run or the whole new one.
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

namespace orv {

class IniFile;

class TIniArray {
 public:
  // Raises the errors of OpenListFile (below) for a missing or unreadable file.
  TIniArray(FileSystem& files, const std::string& file_name, const std::string& section,
            const std::string& key_prefix);
  virtual ~TIniArray();
  TIniArray(const TIniArray&) = delete;
  TIniArray& operator=(const TIniArray&) = delete;

  // Appends the file's run to Items: keys prefix0, prefix1, ... up to the first missing or
  // empty one.
  void Load();
  // Appends one entry and writes it at once; returns its index.
  int Add(const std::string& text);
  // First entry equal to text (exact, case-sensitive), or -1.
  int IndexOf(const std::string& text) const;
  // Removes an entry and renumbers the keys after it.
  void Delete(int index);
  // Removes every loaded entry from the file (keys beyond the loaded run stay).
  void Clear();
  // Clear, then the given strings as the new run.
  void ReplaceAll(const std::vector<std::string>& list);

  int Count() const { return static_cast<int>(Items().size()); }
  const std::vector<std::string>& Items() const { return loaded_ ? LoadedItems() : items_; }
  const std::string& FileName() const { return file_name_; }
  const std::string& Section() const { return section_; }
  const std::string& KeyPrefix() const { return key_prefix_; }

 protected:
  std::string Key(int index) const;
  // Writes the file; raises FileError::CannotWrite when it could not.
  void Flush();

  // A run as read from one file content; shared by every object made on the same bytes, so
  // that reloading an unchanged list costs a comparison of the bytes, not a parse.
  struct LoadedRun;
  // The shared load that is Items, or null once Items has changed since.
  const LoadedRun* UnchangedLoad() const { return loaded_.get(); }
  // Items as a list of this object's own, ready to change (a shared load is copied first).
  std::vector<std::string>& OwnItems();

  std::string file_name_, section_, key_prefix_;
  std::unique_ptr<IniFile> ini_;
  std::vector<std::string> items_;  // the entries while they are no shared load

 private:
  const std::vector<std::string>& LoadedItems() const;
  std::vector<std::string> ReadRun() const;
  std::shared_ptr<const LoadedRun> loaded_;
};

// A rule list with wildcard matching ("*" any run of bytes, "?" any one byte).
class TAdIniArray : public TIniArray {
 public:
  using TIniArray::TIniArray;

  static bool MatchPattern(const std::string& pattern, const std::string& text,
                           bool case_sensitive);
  // Whether any entry matches text, without regard to case (A-Z); false for an empty list.
  bool MatchesAny(const std::string& text) const;
};

// The text an entry given to Add or ReplaceAll reads back as at the next load: the reader trims
// blanks around it, removes one pair of matching quotes and keeps at most 2,047 bytes.
std::string EntryAsReadBack(const std::string& text);
// Whether an entry would read back empty, which would end its run there and hide every later
// entry. Whoever adds entries refuses (or leaves out) such a text.
bool ReadsBackEmpty(const std::string& text);

// The list file opened for a run's object. Raises FileError::Missing (file name + " didn't
// exists.") when the file does not exist, and FileError "Unable to read <file name>" when it
// exists but cannot be read (going on with an unread file would make the next write drop
// everything else in it).
std::unique_ptr<IniFile> OpenListFile(FileSystem& files, const std::string& file_name);

// 1-based position of the first occurrence of segment in text, "?" in segment standing for any
// one byte; 0 when there is none. An empty segment is found at position 1.
int WildPos(const std::string& segment, const std::string& text);

}  // namespace orv
