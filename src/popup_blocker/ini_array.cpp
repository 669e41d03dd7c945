#include "popup_blocker/ini_array.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <list>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "base/ansi.h"
#include "base/errors.h"
#include "popup_blocker/ini_file.h"

namespace orv {

namespace {

// ---------------------------------------------------------------------------------------------
// Wildcard patterns, made ready once and matched in time linear in the text.

// One piece of a pattern between stars. Found with a search whose cost does not depend on how
// often a partial match fails: short plain pieces by a direct search (at most 16 compares per
// text byte), long plain pieces by Knuth-Morris-Pratt, pieces with "?" by a bit-parallel
// search (up to 64 bytes).
class Segment {
 public:
  Segment() = default;
  explicit Segment(std::string bytes) : bytes_(std::move(bytes)) {
    wild_ = bytes_.find('?') != std::string::npos;
    if (wild_ && bytes_.size() <= 64) {
      masks_ = std::make_unique<std::array<uint64_t, 256>>();
      uint64_t any = 0;
      for (size_t i = 0; i < bytes_.size(); ++i) {
        if (bytes_[i] == '?') any |= uint64_t{1} << i;
      }
      masks_->fill(any);
      for (size_t i = 0; i < bytes_.size(); ++i) {
        if (bytes_[i] != '?') (*masks_)[static_cast<unsigned char>(bytes_[i])] |= uint64_t{1} << i;
      }
    } else if (!wild_ && bytes_.size() > kShort) {
      failure_.assign(bytes_.size() + 1, 0);
      failure_[0] = -1;
      int k = -1;
      for (size_t i = 0; i < bytes_.size(); ++i) {
        while (k >= 0 && bytes_[k] != bytes_[i]) k = failure_[k];
        ++k;
        failure_[i + 1] = k;
      }
    }
  }

  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  const std::string& bytes() const { return bytes_; }

  // Whether the piece matches text at pos ("?" any byte); the caller makes sure it fits.
  bool MatchesAt(std::string_view text, size_t pos) const {
    if (!wild_) return std::memcmp(text.data() + pos, bytes_.data(), bytes_.size()) == 0;
    for (size_t i = 0; i < bytes_.size(); ++i) {
      if (bytes_[i] != '?' && bytes_[i] != text[pos + i]) return false;
    }
    return true;
  }

  // First position >= from where the piece occurs ending no later than limit; npos if none.
  size_t Find(std::string_view text, size_t from, size_t limit) const {
    const size_t m = bytes_.size();
    if (from > limit || limit - from < m) return std::string_view::npos;
    if (m == 0) return from;
    const std::string_view window = text.substr(from, limit - from);
    size_t found = std::string_view::npos;
    if (!wild_ && m <= kShort) {
      found = window.find(bytes_);
    } else if (!wild_) {
      int k = 0;
      for (size_t i = 0; i < window.size(); ++i) {
        while (k >= 0 && bytes_[k] != window[i]) k = failure_[k];
        if (++k == static_cast<int>(m)) {
          found = i + 1 - m;
          break;
        }
      }
    } else if (masks_) {
      const uint64_t last = uint64_t{1} << (m - 1);
      uint64_t state = 0;
      for (size_t i = 0; i < window.size(); ++i) {
        state = ((state << 1) | 1) & (*masks_)[static_cast<unsigned char>(window[i])];
        if (state & last) {
          found = i + 1 - m;
          break;
        }
      }
    } else {
      for (size_t p = 0; p + m <= window.size(); ++p) {
        if (MatchesAt(window, p)) {
          found = p;
          break;
        }
      }
    }
    return found == std::string_view::npos ? found : from + found;
  }

 private:
  static constexpr size_t kShort = 16;
  std::string bytes_;
  bool wild_ = false;
  std::vector<int> failure_;
  std::unique_ptr<std::array<uint64_t, 256>> masks_;
};

// Every run of "*" and "?" that holds a "*" becomes one "*"; a run of "?" alone stays.
std::string Normalize(const std::string& pattern) {
  std::string out;
  out.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] != '*' && pattern[i] != '?') {
      out.push_back(pattern[i++]);
      continue;
    }
    size_t end = i;
    bool star = false;
    while (end < pattern.size() && (pattern[end] == '*' || pattern[end] == '?')) {
      star = star || pattern[end] == '*';
      ++end;
    }
    if (star) {
      out.push_back('*');
    } else {
      out.append(pattern, i, end - i);
    }
    i = end;
  }
  return out;
}

using ByteSet = std::bitset<256>;

ByteSet BytesOf(std::string_view text) {
  ByteSet set;
  for (char c : text) set.set(static_cast<unsigned char>(c));
  return set;
}

// A pattern split at its stars: head (before the first), the middle pieces, and tail (after the
// last). The text must begin with head and end with tail; the middle pieces are taken, in
// order, at their first occurrence in between.
class Pattern {
 public:
  Pattern(const std::string& pattern, bool fold_case) {
    std::string p = Normalize(pattern);
    if (fold_case) p = AnsiLowerAscii(p);
    for (char c : p) {
      if (c != '*' && c != '?') required_.set(static_cast<unsigned char>(c));
    }
    size_t star = p.find('*');
    if (star == std::string::npos) {
      head_ = Segment(p);
      min_length_ = p.size();
      return;
    }
    has_star_ = true;
    head_ = Segment(p.substr(0, star));
    min_length_ = head_.size();
    for (;;) {
      const size_t next = p.find('*', star + 1);
      std::string piece = p.substr(star + 1, next == std::string::npos ? std::string::npos
                                                                         : next - star - 1);
      min_length_ += piece.size();
      if (next == std::string::npos) {
        tail_ = Segment(std::move(piece));
        break;
      }
      middle_.emplace_back(std::move(piece));
      star = next;
    }
  }

  // text is already lower-cased when the pattern folds case; bytes is the set of its bytes.
  bool Matches(std::string_view text, const ByteSet& bytes) const {
    if (text.size() < min_length_ || (required_ & ~bytes).any()) return false;
    if (!has_star_) return text.size() == head_.size() && head_.MatchesAt(text, 0);
    if (!head_.MatchesAt(text, 0)) return false;
    size_t cursor = head_.size();
    // The tail is anchored at the end; the middle pieces must fit before it.
    const size_t limit = text.size() - tail_.size();
    for (const Segment& piece : middle_) {
      const size_t at = piece.Find(text, cursor, limit);
      if (at == std::string_view::npos) return false;
      cursor = at + piece.size();
    }
    return cursor <= limit && tail_.MatchesAt(text, limit);
  }

 private:
  bool has_star_ = false;
  Segment head_;
  std::vector<Segment> middle_;
  Segment tail_;
  size_t min_length_ = 0;
  ByteSet required_;
};

// The patterns of a list, made ready for matching without regard to case.
class CompiledRules {
 public:
  explicit CompiledRules(const std::vector<std::string>& patterns) {
    rules_.reserve(patterns.size());
    for (const std::string& p : patterns) rules_.emplace_back(p, true);
  }
  bool MatchesAny(const std::string& text) const {
    const std::string lowered = AnsiLowerAscii(text);
    const ByteSet bytes = BytesOf(lowered);
    for (const Pattern& rule : rules_) {
      if (rule.Matches(lowered, bytes)) return true;
    }
    return false;
  }

 private:
  std::vector<Pattern> rules_;
};

}  // namespace

struct TIniArray::LoadedRun {
  std::string path_key, section, prefix, bytes;
  std::vector<std::string> items;

  const CompiledRules& Rules() const {
    std::call_once(compile_once_, [this] { rules_ = std::make_unique<CompiledRules>(items); });
    return *rules_;
  }

 private:
  mutable std::once_flag compile_once_;
  mutable std::unique_ptr<CompiledRules> rules_;
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
    : file_name_(file_name), section_(section), key_prefix_(key_prefix) {
  if (!files.FileExists(file_name_)) throw FileError::Missing(file_name_);
  ini_ = std::make_unique<IniFile>(files, file_name_);
  // Going on with an unread file would make the next write drop everything else in it.
  if (!ini_->ReadOk()) throw FileError("Unable to read " + file_name_);
  Load();
}

TIniArray::~TIniArray() = default;

std::string TIniArray::Key(int index) const { return key_prefix_ + std::to_string(index); }

std::vector<std::string> TIniArray::ReadRun() const {
  std::vector<std::string> run;
  for (;;) {
    std::string value = ini_->ReadString(section_, Key(static_cast<int>(run.size())), "");
    if (value.empty()) break;
    run.push_back(std::move(value));
  }
  return run;
}

void TIniArray::Load() {
  if (ini_->HasPendingChanges()) {
    std::vector<std::string> run = ReadRun();
    items_.insert(items_.end(), run.begin(), run.end());
    loaded_.reset();
    return;
  }
  static LoadedRuns<LoadedRun> shared_runs;
  std::shared_ptr<const LoadedRun> run = shared_runs.Get(
      file_name_, section_, key_prefix_, ini_->DiskBytes(), [this] { return ReadRun(); });
  if (items_.empty()) {
    items_ = run->items;
    loaded_ = std::move(run);
  } else {
    items_.insert(items_.end(), run->items.begin(), run->items.end());
    loaded_.reset();
  }
}

void TIniArray::Flush() {
  if (!ini_->Flush()) throw FileError::CannotWrite(file_name_);
}

int TIniArray::Add(const std::string& text) {
  const std::string entry = IniFile::OneLineValue(text);
  const int index = Count();
  ini_->WriteString(section_, Key(index), entry);
  Flush();
  items_.push_back(entry);
  loaded_.reset();
  return index;
}

int TIniArray::IndexOf(const std::string& text) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == text) return static_cast<int>(i);
  }
  return -1;
}

void TIniArray::Delete(int index) {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
  const int new_size = Count() - 1;
  ini_->DeleteKey(section_, Key(index));
  for (int i = index; i < new_size; ++i) ini_->WriteString(section_, Key(i), items_[i + 1]);
  ini_->DeleteKey(section_, Key(new_size));
  Flush();
  items_.erase(items_.begin() + index);
  loaded_.reset();
}

void TIniArray::Clear() {
  for (int i = 0; i < Count(); ++i) ini_->DeleteKey(section_, Key(i));
  Flush();
  items_.clear();
  loaded_.reset();
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
  items_ = std::move(entries);
  loaded_.reset();
}

// ---------------------------------------------------------------------------------------------
// TAdIniArray and WildPos

bool TAdIniArray::MatchPattern(const std::string& pattern, const std::string& text,
                               bool case_sensitive) {
  const Pattern compiled(pattern, !case_sensitive);
  const std::string subject = case_sensitive ? text : AnsiLowerAscii(text);
  return compiled.Matches(subject, BytesOf(subject));
}

bool TAdIniArray::MatchesAny(const std::string& text) const {
  if (items_.empty()) return false;
  if (const LoadedRun* run = UnchangedLoad()) return run->Rules().MatchesAny(text);
  return CompiledRules(items_).MatchesAny(text);
}

int WildPos(const std::string& segment, const std::string& text) {
  const size_t at = Segment(segment).Find(text, 0, text.size());
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

}  // namespace orv
