// The INI file over in-memory files: from any starting bytes, two objects on one file write and
// delete keys and flush (some flushes made to fail). Checked after every step:
//   - a written value reads back at once as ValueAsReadBack says, in the object and, after its
//     flush, in a fresh object on the file;
//   - an object reads what a fresh object on its own Serialize() reads (nothing is lost between
//     the lines held and the bytes written);
//   - a key no step named reads as it did at the start, and every line of the start that no
//     step's key could name is still in the file, in order, with its bytes;
//   - a failed flush leaves the file as it was and the object reading what the file holds;
//   - a run read in one pass equals the keys read one by one.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lists/ini_file.h"
#include "platform/memory/memory_files.h"

namespace {

const char kPath[] = "C:\\Orvanel\\conf\\KillAD.ini";
const char kUnset[] = "\x01(unset)";

std::string g_start;  // the starting bytes, for the report
// ORV_FUZZ_TRACE set: each step is printed (to read what led to a mismatch).
const bool g_trace = std::getenv("ORV_FUZZ_TRACE") != nullptr;

void Trace(const char* what, int x, const std::string& section, const std::string& key,
           const std::string& value = "") {
  if (g_trace) {
    std::fprintf(stderr, "%s object %d [%s] %s=%s\n", what, x, section.c_str(), key.c_str(),
                 value.c_str());
  }
}

[[noreturn]] void Mismatch(const std::string& what, const std::string& detail = "") {
  std::fprintf(stderr, "mismatch: %s %s\nstart (%zu bytes): ", what.c_str(), detail.c_str(),
               g_start.size());
  for (unsigned char c : g_start) std::fprintf(stderr, "%02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A'; }

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// A name as the file compares it: blanks around it dropped, A to Z lowered outside double-byte
// characters.
std::string NameKey(const std::string& name) {
  std::string s = TrimBlanks(name);
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x81 && c <= 0xFE) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      s[i] = static_cast<char>(c + 32);
    }
  }
  return s;
}

// Coarser than NameKey (every A to Z lowered, every byte up to 32 trimmed): names equal here
// might name the same key, so a check of what is untouched leaves them out.
std::string LooseKey(const std::string& name) {
  size_t b = 0, e = name.size();
  while (b < e && (static_cast<unsigned char>(name[b]) <= 32 || name[b] == '\x1A')) ++b;
  while (e > b && (static_cast<unsigned char>(name[e - 1]) <= 32 || name[e - 1] == '\x1A')) --e;
  std::string s = name.substr(b, e - b);
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return s;
}

struct Line {
  std::string text, end;
};

// Lines as the reader splits them: at CR LF, a lone CR or a lone LF.
std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  size_t pos = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (pos < bytes.size()) {
    const size_t end = bytes.find_first_of("\r\n", pos);
    Line line;
    if (end == std::string::npos) {
      line.text = bytes.substr(pos);
      pos = bytes.size();
    } else {
      line.text = bytes.substr(pos, end - pos);
      const size_t n = bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
      line.end = bytes.substr(end, n);
      pos = end + n;
    }
    lines.push_back(line);
  }
  return lines;
}

// A name the program could use: one line, no "=" (keys) and nothing that would make its line
// read as a comment or a section line; it reads back as itself.
bool UsableName(const std::string& name, bool section) {
  const std::string t = TrimBlanks(name);
  if (t.empty() && !section) return false;
  if (t.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
  if (!section && (t.find('=') != std::string::npos || t[0] == ';' || t[0] == '[')) return false;
  // A lead byte at the end would take the closing "]" of the section line as its trail byte.
  size_t i = 0;
  for (; i < t.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    if (c >= 0x81 && c <= 0xFE) {
      if (i + 1 == t.size()) return false;
      ++i;
    }
  }
  return true;
}

struct Probe {
  std::string section, key;
};

class Harness {
 public:
  explicit Harness(FuzzedDataProvider& in) : in_(in) {}

  void Run() {
    start_ = in_.ConsumeRandomLengthString(3000);
    g_start = start_;
    if (in_.ConsumeBool()) {
      files_.SetFile(kPath, start_);
    } else {
      start_.clear();  // no file: the objects create it
    }
    CollectNames();
    start_values_ = ReadProbes();
    CheckRuns();
    {
      orv::IniFile untouched(files_, kPath);
      std::string bom_free = start_;
      if (bom_free.compare(0, 3, "\xEF\xBB\xBF") == 0) bom_free.erase(0, 3);
      // Under a second mark the writer keeps one, so that the reader skips only that one.
      if (bom_free.compare(0, 3, "\xEF\xBB\xBF") == 0) bom_free = start_;
      if (files_.FileExists(kPath) && untouched.Serialize() != bom_free) Mismatch("Serialize unchanged");
    }
    objects_[0] = std::make_unique<orv::IniFile>(files_, kPath);
    objects_[1] = std::make_unique<orv::IniFile>(files_, kPath);
    for (int steps = 0; steps < 16 && in_.remaining_bytes() > 0; ++steps) Step();
    for (int x = 0; x < 2; ++x) {
      CheckAgainstOwnBytes(x, touched_);
      Flush(x);
    }
    CheckUntouched();
  }

 private:
  using Key = std::pair<std::string, std::string>;  // NameKey of section and key

  std::string PickName(bool section) {
    static const char* const kSections[] = {"AD", "ad", " Ad ", "White", "Temp", "x", "\xb9\xe3\xb8\xe6",
                                            "a b", "[x", ""};
    static const char* const kKeys[] = {"ad0", "AD0", "ad1", " ad2 ", "ad3", "Ad10", "ad01", "v",
                                        "s0", "k\xb0\xa1", "Key", "x"};
    const std::vector<std::string>& found = section ? file_sections_ : file_keys_;
    const int choice = in_.ConsumeIntegralInRange(0, 2);
    if (choice == 0 && !found.empty()) {
      return found[in_.ConsumeIntegralInRange<size_t>(0, found.size() - 1)];
    }
    if (choice == 1) return in_.ConsumeRandomLengthString(12);
    return section ? kSections[in_.ConsumeIntegralInRange<size_t>(0, 9)]
                   : kKeys[in_.ConsumeIntegralInRange<size_t>(0, 11)];
  }

  // Names of sections and keys as they stand in the starting bytes, each probed in each section.
  void CollectNames() {
    std::set<std::string> sections = {""}, keys;
    for (const Line& line : SplitLines(start_)) {
      const std::string t = TrimBlanks(line.text);
      if (t.empty()) continue;
      if (t[0] == '[') {
        const size_t close = t.rfind(']');
        if (close != std::string::npos) sections.insert(t.substr(1, close - 1));
      } else if (t[0] != ';') {
        keys.insert(TrimBlanks(t.substr(0, t.find('='))));
      }
    }
    for (const std::string& s : sections) {
      if (file_sections_.size() < 8) file_sections_.push_back(s);
    }
    for (const std::string& k : keys) {
      if (file_keys_.size() < 16) file_keys_.push_back(k);
    }
    for (const std::string& s : file_sections_) {
      for (const std::string& k : file_keys_) probes_.push_back({s, k});
    }
  }

  // What every probe reads in one object, a fresh one on the file unless given.
  std::vector<std::string> ReadProbes(const orv::IniFile* object = nullptr) {
    orv::IniFile fresh(files_, kPath);
    if (!object) object = &fresh;
    std::vector<std::string> values;
    for (const Probe& p : probes_) values.push_back(object->ReadString(p.section, p.key, kUnset));
    return values;
  }

  // The object reads as a fresh object on the bytes it would write.
  void CheckAgainstOwnBytes(int x, const std::vector<Probe>& extra) {
    orv::MemoryFileSystem scratch;
    scratch.SetFile(kPath, objects_[x]->Serialize());
    orv::IniFile again(scratch, kPath);
    auto check = [&](const Probe& p) {
      if (objects_[x]->ReadString(p.section, p.key, kUnset) != again.ReadString(p.section, p.key, kUnset)) {
        Mismatch("object and its bytes read differently", p.section + "/" + p.key);
      }
    };
    for (const Probe& p : probes_) check(p);
    for (const Probe& p : extra) check(p);
  }

  void Step() {
    const int x = in_.ConsumeIntegralInRange(0, 1);
    switch (in_.ConsumeIntegralInRange(0, 5)) {
      case 0:
      case 1: {  // write
        const std::string section = PickName(true), key = PickName(false);
        std::string value = in_.ConsumeRandomLengthString(200);
        if (!value.empty() && value[0] == '~') value = std::string(2100, 'v') + value;
        if (!UsableName(section, true) || !UsableName(key, false)) return;
        Trace("write", x, section, key, value);
        objects_[x]->WriteString(section, key, value);
        pending_[x].push_back({{NameKey(section), NameKey(key)}, orv::IniFile::ValueAsReadBack(value)});
        named_.insert(LooseKey(key));
        if (objects_[x]->ReadString(section, key, kUnset) != orv::IniFile::ValueAsReadBack(value)) {
          Mismatch("written value does not read back in the object", section + "/" + key);
        }
        touched_.push_back({section, key});
        return;
      }
      case 2: {  // delete: a later duplicate may show, so the key's value is unknown after
        const std::string section = PickName(true), key = PickName(false);
        if (!UsableName(section, true) || !UsableName(key, false)) return;
        Trace("delete", x, section, key);
        objects_[x]->DeleteKey(section, key);
        pending_[x].push_back({{NameKey(section), NameKey(key)}, std::nullopt});
        named_.insert(LooseKey(key));
        touched_.push_back({section, key});
        return;
      }
      case 3:
        Trace("flush", x, "", "");
        return Flush(x);
      case 4:
        Trace("failing flush", x, "", "");
        return FailedFlush(x);
      case 5:  // the object is made again: it drops its changes and reads the file anew
        Trace("reopen", x, "", "");
        objects_[x] = std::make_unique<orv::IniFile>(files_, kPath);
        pending_[x].clear();
        return;
    }
  }

  void Flush(int x) {
    const bool dirty = objects_[x]->HasPendingChanges();
    if (!objects_[x]->Flush()) Mismatch("flush failed");
    if (objects_[x]->HasPendingChanges()) Mismatch("changes pending after a flush");
    // The changes were made on what the file held: the file now has them on top.
    for (const auto& change : pending_[x]) model_[change.first] = change.second;
    pending_[x].clear();
    std::string bytes;
    if (dirty && files_.GetFile(kPath, &bytes) && bytes != objects_[x]->DiskBytes()) {
      Mismatch("the object's bytes are not the file's");
    }
    CheckModel();
  }

  void FailedFlush(int x) {
    std::string before;
    const bool existed = files_.GetFile(kPath, &before);
    files_.FailWriteAt(1, true);
    const bool ok = objects_[x]->Flush();
    files_.FailWriteAt(0);
    std::string after;
    const bool exists = files_.GetFile(kPath, &after);
    if (ok) {  // nothing needed writing
      for (const auto& change : pending_[x]) model_[change.first] = change.second;
    } else if (exists != existed || after != before) {
      Mismatch("a failed flush changed the file");
    }
    pending_[x].clear();
    if (objects_[x]->HasPendingChanges()) Mismatch("changes pending after a flush");
    if (!ok && ReadProbes(objects_[x].get()) != ReadProbes()) {
      Mismatch("after a failed flush the object does not read the file");
    }
    CheckModel();
  }

  // Every flushed write reads back from the file.
  void CheckModel() {
    orv::IniFile file(files_, kPath);
    for (const auto& entry : model_) {
      if (!entry.second) continue;
      const std::string got = file.ReadString(entry.first.first, entry.first.second, kUnset);
      if (got != *entry.second) Mismatch("flushed value does not read back", entry.first.first + "/" + entry.first.second);
    }
  }

  void CheckUntouched() {
    const std::vector<std::string> now_values = ReadProbes();
    for (size_t i = 0; i < probes_.size(); ++i) {
      if (named_.count(LooseKey(probes_[i].key))) continue;
      if (now_values[i] != start_values_[i]) {
        Mismatch("a key no step named changed", probes_[i].section + "/" + probes_[i].key);
      }
    }
    // The starting lines that no step's key could name stay, in order and with their bytes (the
    // last may gain a line end when lines follow it, and a lone CR may become CR LF, which the
    // reader takes alike: the writer does so before an empty LF line, lest the two join into one).
    std::string now;
    files_.GetFile(kPath, &now);
    if (g_trace) {
      std::fprintf(stderr, "file now:\n");
      std::fwrite(now.data(), 1, now.size(), stderr);  // zero bytes included
      std::fprintf(stderr, "\n");
    }
    const std::vector<Line> start = SplitLines(start_), after = SplitLines(now);
    size_t j = 0;
    for (size_t i = 0; i < start.size(); ++i) {
      const std::string t = TrimBlanks(start[i].text);
      if (!t.empty() && t[0] != '[' && named_.count(LooseKey(t.substr(0, t.find('='))))) continue;
      const bool last = i + 1 == start.size();
      auto same_end = [&](size_t k) {
        if (last || after[k].end == start[i].end) return true;
        return start[i].end == "\r" && after[k].end == "\r\n";
      };
      while (j < after.size() && !(after[j].text == start[i].text && same_end(j))) ++j;
      if (j == after.size()) Mismatch("a starting line is gone", start[i].text);
      ++j;
    }
  }

  // ReadRun in one pass over the bytes equals ReadString key by key.
  void CheckRuns() {
    static const char* const kPrefixes[] = {"ad", " AD", "s"};
    for (size_t i = 0; i < file_sections_.size() && i < 3; ++i) {
      const std::string& section = file_sections_[i];
      for (const char* prefix : kPrefixes) {
        orv::IniFile one_pass(files_, kPath), by_key(files_, kPath);
        std::vector<std::string> expected;
        for (;;) {
          std::string v = by_key.ReadString(section, prefix + std::to_string(expected.size()), "");
          if (v.empty()) break;
          expected.push_back(v);
        }
        if (one_pass.ReadRun(section, prefix) != expected) Mismatch("ReadRun", section + "/" + prefix);
      }
    }
  }

  FuzzedDataProvider& in_;
  orv::MemoryFileSystem files_;
  std::string start_;
  std::vector<std::string> file_sections_, file_keys_;
  std::vector<Probe> probes_;
  std::vector<std::string> start_values_;
  std::unique_ptr<orv::IniFile> objects_[2];
  std::vector<std::pair<Key, std::optional<std::string>>> pending_[2];
  std::map<Key, std::optional<std::string>> model_;
  std::set<std::string> named_;  // LooseKey of every key a step named
  std::vector<Probe> touched_;    // every section and key a step named
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Harness(in).Run();
  return 0;
}
