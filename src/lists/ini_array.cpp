#include "lists/ini_array.h"

#include <list>
#include <mutex>
#include <stdexcept>

#include "base/ansi.h"
#include "base/errors.h"
#include "lists/ini_file.h"
#include "lists/wildcard.h"

namespace orv {

struct TIniArray::LoadedRun {
  std::string path_key, section, prefix, bytes;
  std::vector<std::string> items;

  // The run's patterns made ready for matching, on first use.
  const WildcardSet& Patterns() const {
    std::call_once(compile_once_,
                   [this] { patterns_ = std::make_unique<WildcardSet>(items, true); });
    return *patterns_;
  }

 private:
  mutable std::once_flag compile_once_;
  mutable std::unique_ptr<WildcardSet> patterns_;
};

namespace {

// The few runs loaded last. An entry is used only when the file's bytes are the same as when it
// was loaded, so it can never be stale; the list on disk stays the only truth.
template <typename Run>
class LoadedRuns {
 public:
  template <typename ReadRun>
  std::shared_ptr<const Run> Get(const std::string& path, const std::string& section,
                                 const std::string& prefix, const std::string& bytes,
                                 ReadRun read_run) {
    std::string path_key = AnsiLowerAscii(path);
    for (char& c : path_key) {
      if (c == '/') c = '\\';
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = runs_.begin(); it != runs_.end(); ++it) {
      const Run& run = **it;
      if (run.path_key != path_key || run.section != section || run.prefix != prefix) continue;
      std::shared_ptr<const Run> found = *it;
      runs_.erase(it);
      if (found->bytes == bytes) {
        runs_.push_front(found);
        return found;
      }
      break;  // the file has changed since: load it again
    }
    auto run = std::make_shared<Run>();
    run->path_key = std::move(path_key);
    run->section = section;
    run->prefix = prefix;
    run->bytes = bytes;
    run->items = read_run();
    runs_.push_front(run);
    if (runs_.size() > kKept) runs_.pop_back();
    return run;
  }

 private:
  static constexpr size_t kKept = 8;
  std::mutex mutex_;
  std::list<std::shared_ptr<const Run>> runs_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TIniArray

TIniArray::TIniArray(FileSystem& files, const std::string& file_name, const std::string& section,
                     const std::string& key_prefix)
    : file_name_(file_name), section_(section), key_prefix_(key_prefix),
      ini_(OpenListFile(files, file_name)) {
  Load();
}

std::unique_ptr<IniFile> OpenListFile(FileSystem& files, const std::string& file_name) {
  if (!files.FileExists(file_name)) throw FileError::Missing(file_name);
  auto ini = std::make_unique<IniFile>(files, file_name);
  if (!ini->ReadOk()) throw FileError("Unable to read " + file_name);
  return ini;
}

TIniArray::~TIniArray() = default;

std::string TIniArray::Key(int index) const { return key_prefix_ + std::to_string(index); }

std::vector<std::string> TIniArray::ReadRun() const { return ini_->ReadRun(section_, key_prefix_); }

const std::vector<std::string>& TIniArray::LoadedItems() const { return loaded_->items; }

std::vector<std::string>& TIniArray::OwnItems() {
  if (loaded_) {
    items_ = loaded_->items;
    loaded_.reset();
  }
  return items_;
}

void TIniArray::Load() {
  if (ini_->HasPendingChanges()) {
    const std::vector<std::string> run = ReadRun();
    std::vector<std::string>& items = OwnItems();
    items.insert(items.end(), run.begin(), run.end());
    return;
  }
  static LoadedRuns<LoadedRun> shared_runs;
  std::shared_ptr<const LoadedRun> run = shared_runs.Get(
      file_name_, section_, key_prefix_, ini_->DiskBytes(), [this] { return ReadRun(); });
  if (!loaded_ && items_.empty()) {
    loaded_ = std::move(run);  // shared until something changes
  } else {
    std::vector<std::string>& items = OwnItems();
    items.insert(items.end(), run->items.begin(), run->items.end());
  }
}

void TIniArray::Flush() {
  if (!ini_->Flush()) throw FileError::CannotWrite(file_name_);
}

// Each change below is made to the file first, in one atomic replacement; Items follows only
// once the file holds it.

int TIniArray::Add(const std::string& text) {
  const std::string entry = IniFile::OneLineValue(text);
  const int index = Count();
  ini_->WriteString(section_, Key(index), entry);
  Flush();
  OwnItems().push_back(entry);
  return index;
}

int TIniArray::IndexOf(const std::string& text) const {
  const std::vector<std::string>& items = Items();
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == text) return static_cast<int>(i);
  }
  return -1;
}

void TIniArray::Delete(int index) {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
  const std::vector<std::string>& before = Items();
  const int new_size = Count() - 1;
  ini_->DeleteKey(section_, Key(index));
  for (int i = index; i < new_size; ++i) ini_->WriteString(section_, Key(i), before[i + 1]);
  ini_->DeleteKey(section_, Key(new_size));
  Flush();
  std::vector<std::string>& items = OwnItems();
  items.erase(items.begin() + index);
}

void TIniArray::Clear() {
  for (int i = 0; i < Count(); ++i) ini_->DeleteKey(section_, Key(i));
  Flush();
  loaded_.reset();
  items_.clear();
}

void TIniArray::ReplaceAll(const std::vector<std::string>& list) {
  // The same keys as deleting the loaded run and writing the new one, but each surviving key
  // keeps its line, and the whole change lands in one replacement of the file.
  std::vector<std::string> entries;
  entries.reserve(list.size());
  for (const std::string& text : list) entries.push_back(IniFile::OneLineValue(text));
  const int new_size = static_cast<int>(entries.size());
  for (int i = 0; i < new_size; ++i) ini_->WriteString(section_, Key(i), entries[i]);
  for (int i = new_size; i < Count(); ++i) ini_->DeleteKey(section_, Key(i));
  Flush();
  loaded_.reset();
  items_ = std::move(entries);
}

std::string EntryAsReadBack(const std::string& text) { return IniFile::ValueAsReadBack(text); }

bool ReadsBackEmpty(const std::string& text) { return EntryAsReadBack(text).empty(); }

// ---------------------------------------------------------------------------------------------
// TAdIniArray and WildPos

bool TAdIniArray::MatchPattern(const std::string& pattern, const std::string& text,
                               bool case_sensitive) {
  return WildcardSet({pattern}, !case_sensitive).Matches(0, text);
}

bool TAdIniArray::MatchesAny(const std::string& text) const {
  if (const LoadedRun* run = UnchangedLoad()) return run->Patterns().MatchesAny(text);
  if (items_.empty()) return false;
  return WildcardSet(items_, true).MatchesAny(text);
}

int WildPos(const std::string& segment, const std::string& text) {
  const size_t at = FindWildPiece(segment, text);
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

}  // namespace orv
