#include "lists/ini_file.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ansi.h"

namespace orv {

namespace {

// Blanks as the private-profile reader trims them: ASCII white space and Ctrl-Z (end-of-file
// marker of old editors). None of them can be the trail byte of a double-byte character.
bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string NameKey(std::string_view name) { return AnsiLowerAscii(std::string(Trim(name))); }

// Position of the last "]" that is a character of its own (a trail byte may equal "]"), or npos.
size_t LastClosingBracket(std::string_view s) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      ++i;
    } else if (s[i] == ']') {
      found = i;
    }
  }
  return found;
}

// The value as the reader hands it out: up to a zero byte, one pair of matching quotes removed,
// cut to the buffer without splitting a double-byte character.
std::string CopyEntry(std::string_view value) {
  const size_t zero = value.find('\0');
  if (zero != std::string_view::npos) value = value.substr(0, zero);
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  std::string out(value);
  out.resize(SafePrefixLength(out, IniFile::kMaxValueBytes));
  return out;
}

enum class Eol : uint8_t { None, CrLf, Lf, Cr };

const char* EolText(Eol eol) {
  switch (eol) {
    case Eol::CrLf: return "\r\n";
    case Eol::Lf: return "\n";
    case Eol::Cr: return "\r";
    case Eol::None: break;
  }
  return "";
}

size_t BomLength(std::string_view bytes) {
  return bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

// One line as the reader sees it.
struct ScannedLine {
  size_t begin = 0, length = 0;  // the line without its end
  Eol eol = Eol::None;
  std::string_view text;         // blanks around removed
  bool header = false;           // a section line; then name is the section's name
  std::string_view name;
};

// Calls f for each line of bytes from pos on, until f returns false. A line ends at CR LF, at
// a lone CR or at a lone LF, as the reader splits lines.
template <typename F>
void ScanLines(std::string_view bytes, size_t pos, F f) {
  const size_t size = bytes.size();
  while (pos < size) {
    size_t end = pos;
    while (end < size && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    ScannedLine line;
    line.begin = pos;
    line.length = end - pos;
    if (end == size) {
      pos = end;
    } else if (bytes[end] == '\r' && end + 1 < size && bytes[end + 1] == '\n') {
      line.eol = Eol::CrLf;
      pos = end + 2;
    } else {
      line.eol = bytes[end] == '\r' ? Eol::Cr : Eol::Lf;
      pos = end + 1;
    }
    line.text = Trim(bytes.substr(line.begin, line.length));
    if (!line.text.empty() && line.text[0] == '[') {
      const size_t close = LastClosingBracket(line.text);
      if (close != std::string_view::npos) {
        line.header = true;
        line.name = Trim(line.text.substr(1, close - 1));
      }
    }
    if (!f(line)) return;
  }
}

}  // namespace

struct IniFile::Doc {
  enum class Kind : uint8_t { Head, Blank, Comment, Header, Key };
  struct Line {
    uint32_t begin = 0, length = 0;  // slice of source, unless owned
    bool owned = false;
    std::string text;
    Eol eol = Eol::None;
    Kind kind = Kind::Blank;
    int section = -1;  // visible section the line lies in; -1 inside a hidden duplicate
    int prev = -1, next = -1;
    int next_duplicate = -1;  // the next line of the same key name in the section
  };
  struct Section {
    std::string name;  // lower-cased, trimmed
    int header = 0;    // 0 (the head) for the lines before the first section line
    int last_key = 0;  // where the next new key goes after
    std::unordered_map<std::string, int> keys;  // lower-cased name -> first line of that name
  };

  std::string source;
  size_t bom = 0;
  Eol style = Eol::CrLf;
  std::vector<Line> lines;
  int tail = 0;
  std::vector<Section> sections;

  std::string_view Text(const Line& line) const {
    if (line.owned) return line.text;
    return std::string_view(source).substr(line.begin, line.length);
  }

  Section* Find(const std::string& lowered) {
    for (Section& s : sections) {
      if (s.name == lowered) return &s;
    }
    return nullptr;
  }

  // Key name of a key or comment line, as written in the file (blanks around it removed).
  std::string_view KeyName(const Line& line) const {
    const std::string_view text = Trim(Text(line));
    return Trim(text.substr(0, text.find('=')));
  }

  void Link(int index, int after) {
    Line& line = lines[index];
    line.prev = after;
    line.next = lines[after].next;
    if (line.next >= 0) lines[line.next].prev = index;
    lines[after].next = index;
    if (after == tail) tail = index;
  }

  int NewLine(std::string text, Kind kind, int section, int after) {
    Line line;
    line.owned = true;
    line.text = std::move(text);
    line.eol = style;
    line.kind = kind;
    line.section = section;
    lines.push_back(std::move(line));
    const int index = static_cast<int>(lines.size()) - 1;
    Link(index, after);
    return index;
  }

  void Unlink(int index) {
    Line& line = lines[index];
    if (line.section >= 0) {
      Section& s = sections[line.section];
      if (s.last_key == index) {
        int p = line.prev;
        while (p != s.header && lines[p].kind != Kind::Key) p = lines[p].prev;
        s.last_key = p;
      }
    }
    lines[line.prev].next = line.next;
    if (line.next >= 0) {
      lines[line.next].prev = line.prev;
    } else {
      tail = line.prev;
    }
    // The line before a removed last line keeps its own line end; a missing one is supplied
    // when the file is written out, so nothing else to mend here.
    line.prev = line.next = -1;
  }

  void AddToIndex(int index) {
    Line& line = lines[index];
    if (line.section < 0) return;
    auto inserted = sections[line.section].keys.emplace(NameKey(KeyName(line)), index);
    if (inserted.second) return;
    int last = inserted.first->second;  // a duplicate: it stays hidden behind the first
    while (lines[last].next_duplicate >= 0) last = lines[last].next_duplicate;
    lines[last].next_duplicate = index;
  }

  void Parse(std::string bytes) {
    source = std::move(bytes);
    bom = BomLength(source);
    lines.assign(1, Line());
    lines[0].kind = Kind::Head;
    tail = 0;
    sections.assign(1, Section());  // the lines before any section line form a nameless one
    style = Eol::None;
    int current = 0;
    ScanLines(source, bom, [&](const ScannedLine& scanned) {
      Line line;
      line.begin = static_cast<uint32_t>(scanned.begin);
      line.length = static_cast<uint32_t>(scanned.length);
      line.eol = scanned.eol;
      if (style == Eol::None) style = line.eol;
      if (scanned.header) {
        const std::string name = AnsiLowerAscii(std::string(scanned.name));
        if (Find(name)) {
          current = -1;  // a second section of a name is never read
        } else {
          Section s;
          s.name = name;
          s.header = static_cast<int>(lines.size());
          s.last_key = s.header;
          sections.push_back(std::move(s));
          current = static_cast<int>(sections.size()) - 1;
        }
      }
      line.kind = scanned.header          ? Kind::Header
                  : scanned.text.empty()   ? Kind::Blank
                  : scanned.text[0] == ';' ? Kind::Comment
                                           : Kind::Key;
      line.section = current;
      lines.push_back(std::move(line));
      const int index = static_cast<int>(lines.size()) - 1;
      Link(index, tail);
      const Kind kind = lines[index].kind;
      // A comment line is a key the program never asks for; like the reader, keep it indexed.
      if (kind == Kind::Key || kind == Kind::Comment) AddToIndex(index);
      if (kind == Kind::Key && current >= 0) sections[current].last_key = index;
      return true;
    });
    if (style == Eol::None) style = Eol::CrLf;
  }
};

IniFile::IniFile(FileSystem& files, std::string path) : files_(files), path_(std::move(path)) {
  read_ok_ = files_.ReadFile(path_, &disk_);
  if (!read_ok_) disk_.clear();
}

IniFile::~IniFile() = default;

std::string IniFile::OneLineValue(const std::string& value) {
  // A line break would end the value and start a line of its own (even a key); a zero byte
  // would end it for the reader.
  std::string out = value;
  for (char& c : out) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return out;
}

std::string IniFile::ValueAsReadBack(const std::string& value) {
  return CopyEntry(Trim(OneLineValue(value)));
}

IniFile::Doc& IniFile::Parsed() const {
  if (!doc_) {
    doc_ = std::make_unique<Doc>();
    doc_->Parse(disk_);
  }
  return *doc_;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& default_value) const {
  Doc& doc = Parsed();
  const Doc::Section* s = doc.Find(NameKey(section));
  if (!s) return default_value;
  auto it = s->keys.find(NameKey(key));
  if (it == s->keys.end()) return default_value;
  const std::string_view text = Trim(doc.Text(doc.lines[it->second]));
  const size_t eq = text.find('=');
  if (eq == std::string_view::npos) return default_value;  // a name without "=" has no value
  return CopyEntry(Trim(text.substr(eq + 1)));
}

std::vector<std::string> IniFile::ReadRun(const std::string& section,
                                          const std::string& prefix) const {
  std::vector<std::string> run;
  if (doc_) {
    for (;;) {
      std::string value = ReadString(section, prefix + std::to_string(run.size()), "");
      if (value.empty()) return run;
      run.push_back(std::move(value));
    }
  }
  // Not parsed yet: one pass over the section's lines, taking for each index the first line
  // whose name is prefix + that index, exactly as ReadString would find it.
  const std::string wanted = NameKey(section);
  std::string_view head = prefix;
  while (!head.empty() && IsBlank(head.front())) head.remove_prefix(1);
  const std::string lowered_prefix = AnsiLowerAscii(std::string(head));
  enum : uint8_t { kUnseen, kValue, kNoValue };
  std::vector<uint8_t> state;
  std::vector<std::string_view> values;
  bool inside = wanted.empty();  // the nameless section is the lines before any section line
  const std::string_view bytes = disk_;
  ScanLines(bytes, BomLength(bytes), [&](const ScannedLine& line) {
    if (line.header) {
      if (inside) return false;  // the first section of that name ends here
      inside = NameKey(line.name) == wanted;
      return true;
    }
    if (!inside || line.text.empty()) return true;
    const size_t eq = line.text.find('=');
    const std::string_view name = Trim(line.text.substr(0, eq));
    if (name.size() <= head.size() || name.size() > head.size() + 9) return true;
    const std::string lowered = AnsiLowerAscii(std::string(name));
    if (lowered.compare(0, lowered_prefix.size(), lowered_prefix) != 0) return true;
    const std::string_view digits = std::string_view(lowered).substr(lowered_prefix.size());
    if (digits.size() > 1 && digits[0] == '0') return true;  // "ad01" is not "ad1"
    size_t index = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return true;
      index = index * 10 + static_cast<size_t>(c - '0');
    }
    if (lowered != AnsiLowerAscii(std::string(head) + std::string(digits))) return true;
    if (index > bytes.size()) return true;  // beyond any run the file can hold
    if (index >= state.size()) {
      state.resize(index + 1, kUnseen);
      values.resize(index + 1);
    }
    if (state[index] != kUnseen) return true;  // the first of duplicate keys counts
    state[index] = eq == std::string_view::npos ? kNoValue : kValue;
    if (eq != std::string_view::npos) values[index] = Trim(line.text.substr(eq + 1));
    return true;
  });
  for (size_t i = 0; i < state.size() && state[i] == kValue; ++i) {
    std::string value = CopyEntry(values[i]);
    if (value.empty()) break;
    run.push_back(std::move(value));
  }
  return run;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  pending_.push_back(Change{false, section, key, value});
  Apply(pending_.back());
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  pending_.push_back(Change{true, section, key, std::string()});
  Apply(pending_.back());
}

void IniFile::Apply(const Change& change) {
  if (change.remove) return RemoveKey(change.section, change.key);
  const std::string& section = change.section;
  const std::string& key = change.key;
  const std::string& value = change.value;
  Doc& doc = Parsed();
  const std::string section_name = NameKey(section);
  Doc::Section* s = doc.Find(section_name);
  if (!s) {
    Doc::Section fresh;
    fresh.name = section_name;
    const int index = static_cast<int>(doc.sections.size());
    fresh.header = doc.NewLine("[" + std::string(Trim(section)) + "]", Doc::Kind::Header, index,
                               doc.tail);
    fresh.last_key = fresh.header;
    doc.sections.push_back(std::move(fresh));
    s = &doc.sections.back();
  }
  const std::string key_name = NameKey(key);
  auto it = s->keys.find(key_name);
  if (it != s->keys.end()) {
    Doc::Line& line = doc.lines[it->second];
    std::string text = std::string(doc.KeyName(line)) + "=" + OneLineValue(value);
    line.owned = true;
    line.text = std::move(text);
  } else {
    const int section_index = static_cast<int>(s - doc.sections.data());
    const int index = doc.NewLine(std::string(Trim(key)) + "=" + OneLineValue(value), Doc::Kind::Key,
                                  section_index, s->last_key);
    s->last_key = index;
    s->keys.emplace(key_name, index);
  }
  dirty_ = true;
}

void IniFile::RemoveKey(const std::string& section, const std::string& key) {
  Doc& doc = Parsed();
  Doc::Section* s = doc.Find(NameKey(section));
  if (!s) return;
  auto it = s->keys.find(NameKey(key));
  if (it == s->keys.end()) return;
  const int index = it->second;
  const int next = doc.lines[index].next_duplicate;
  if (next >= 0) {
    it->second = next;
  } else {
    s->keys.erase(it);
  }
  doc.Unlink(index);
  dirty_ = true;
}

std::string IniFile::Serialize() const {
  const Doc& doc = Parsed();
  std::string out;
  out.reserve(doc.source.size() + doc.source.size() / 8 + 64);
  // The file is written as what the program reads it as: ANSI bytes, so without a UTF-8 mark
  // (under the mark Windows would decode every double-byte value as UTF-8 and garble it).
  for (int i = doc.lines[0].next; i >= 0; i = doc.lines[i].next) {
    const Doc::Line& line = doc.lines[i];
    out.append(doc.Text(line));
    Eol eol = (line.eol == Eol::None && line.next >= 0) ? doc.style : line.eol;
    // A lone CR before an empty line that ends in LF would read as one CR LF, and that line
    // would be gone: end this one with CR LF.
    if (eol == Eol::Cr && line.next >= 0 && doc.Text(doc.lines[line.next]).empty() &&
        doc.lines[line.next].eol == Eol::Lf) {
      eol = Eol::CrLf;
    }
    out.append(EolText(eol));
  }
  // Bytes that begin with a mark themselves (a file with two) keep one before them, or the
  // reader would skip theirs and read the first line as another.
  if (BomLength(out) > 0) out.insert(0, "\xEF\xBB\xBF");
  return out;
}

bool IniFile::Flush() {
  if (!dirty_) {
    // Changes that changed nothing (a delete of a missing key) end here too: made again by a
    // later flush, they would undo what another object wrote meanwhile.
    pending_.clear();
    return true;
  }
  std::string now;
  if (files_.ReadFile(path_, &now) && now != disk_) {
    // Changed under us: the same changes, made on what the file holds now.
    disk_ = std::move(now);
    doc_.reset();
    for (const Change& change : pending_) Apply(change);
  }
  pending_.clear();
  std::string bytes = Serialize();
  if (bytes != disk_ && !files_.WriteFileAtomically(path_, bytes)) {
    doc_.reset();  // back to what the file holds
    dirty_ = false;
    return false;
  }
  disk_ = std::move(bytes);
  read_ok_ = true;
  dirty_ = false;
  return true;
}

}  // namespace orv
