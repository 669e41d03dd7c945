#include "lists/wildcard.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/ansi.h"

namespace orv {

namespace {

using Masks = std::array<uint64_t, 256>;

// A piece is searched for in a way whose cost per text byte is bounded whatever the text:
// plain pieces of up to 32 bytes directly (at most 32 compares per byte), longer ones by
// Knuth-Morris-Pratt; pieces with "?" of up to 8 bytes byte by byte, of up to 64 bytes
// bit-parallel (shift-and), and the rare longer ones byte by byte again (linear in the text,
// at most the piece's length in compares per byte).
constexpr size_t kShortPiece = 32;
constexpr size_t kShortWildPiece = 8;
constexpr size_t kWordPiece = 64;

bool UsesKmp(std::string_view piece, bool wild) { return !wild && piece.size() > kShortPiece; }
bool UsesShiftAnd(std::string_view piece, bool wild) {
  return wild && piece.size() > kShortWildPiece && piece.size() <= kWordPiece;
}

bool Wild(std::string_view piece) { return piece.find('?') != std::string_view::npos; }

void BuildKmp(std::string_view piece, int* failure) {
  failure[0] = -1;
  int k = -1;
  for (size_t i = 0; i < piece.size(); ++i) {
    while (k >= 0 && piece[k] != piece[i]) k = failure[k];
    failure[i + 1] = ++k;
  }
}

void BuildMasks(std::string_view piece, Masks* masks) {
  uint64_t any = 0;
  for (size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] == '?') any |= uint64_t{1} << i;
  }
  masks->fill(any);
  for (size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] != '?') (*masks)[static_cast<unsigned char>(piece[i])] |= uint64_t{1} << i;
  }
}

bool WildEqual(std::string_view piece, const char* at) {
  for (size_t i = 0; i < piece.size(); ++i) {
    if (piece[i] != '?' && piece[i] != at[i]) return false;
  }
  return true;
}

// First position in window where piece occurs, or npos. kmp is the table a Knuth-Morris-Pratt
// search needs; shift_and: a piece with "?" is searched bit-parallel once a search by its first
// literal byte has cost a pass over the text (its table is made then, on the stack, so that a
// set of many such patterns costs no memory for them).
size_t SearchPiece(std::string_view piece, bool wild, const int* kmp, bool shift_and,
                   std::string_view window) {
  const size_t m = piece.size();
  if (m > window.size()) return std::string_view::npos;
  if (!wild && !kmp) return window.find(piece);
  if (!wild) {
    int k = 0;
    for (size_t i = 0; i < window.size(); ++i) {
      while (k >= 0 && piece[k] != window[i]) k = kmp[k];
      if (++k == static_cast<int>(m)) return i + 1 - m;
    }
    return std::string_view::npos;
  }
  // A text mostly holds the piece's first literal byte at few places: try just those, while
  // that costs no more than one pass over the text.
  size_t start = 0;
  const size_t literal = piece.find_first_not_of('?');
  if (literal != std::string_view::npos) {
    size_t budget = window.size() / m + 16;
    for (size_t p = 0;; ++p) {
      if (p + m > window.size()) return std::string_view::npos;
      const void* hit = std::memchr(window.data() + p + literal, piece[literal],
                                    window.size() - m - p + 1);
      if (!hit) return std::string_view::npos;
      p = static_cast<size_t>(static_cast<const char*>(hit) - window.data()) - literal;
      if (WildEqual(piece, window.data() + p)) return p;
      if (--budget == 0) {
        start = p + 1;
        break;
      }
    }
  }
  const std::string_view rest = window.substr(start);
  if (shift_and) {
    Masks table;
    BuildMasks(piece, &table);
    const Masks* masks = &table;
    const uint64_t last = uint64_t{1} << (m - 1);
    uint64_t state = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
      state = ((state << 1) | 1) & (*masks)[static_cast<unsigned char>(rest[i])];
      if (state & last) return start + i + 1 - m;
    }
    return std::string_view::npos;
  }
  for (size_t p = 0; p + m <= rest.size(); ++p) {
    if (WildEqual(piece, rest.data() + p)) return start + p;
  }
  return std::string_view::npos;
}

// The longest key window, and at most how many shapes of key one set uses (each costs a probe
// per text position).
constexpr size_t kWindow = 8;
constexpr size_t kMaxShapes = 8;

// Roughly how many windows of the patterns share each key: keys are counted by a hash, so two
// may share a count. That only makes a choice of key less good, never wrong.
class KeyCounts {
 public:
  explicit KeyCounts(size_t keys) {
    size_t size = 1 << 12;
    while (size < keys && size < (size_t{1} << 20)) size <<= 1;
    counts_.assign(size, 0);
    shift_ = 64;
    for (size_t s = size; s > 1; s >>= 1) --shift_;
  }
  void Add(uint64_t hash) {
    uint16_t& c = counts_[hash >> shift_];
    if (c != UINT16_MAX) ++c;
  }
  uint32_t Count(uint64_t hash) const { return counts_[hash >> shift_]; }

 private:
  std::vector<uint16_t> counts_;
  int shift_;
};

uint64_t Load64(const char* at) {
  uint64_t v;
  std::memcpy(&v, at, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

int CountedBytes(uint64_t mask) { return __builtin_popcountll(mask) / 8; }

// Bytes are summarised in 64 bits: letters (either case) and digits have a bit each, every
// other byte shares one of the rest. A text lacking a bit a pattern needs cannot match it.
struct ByteBits {
  uint8_t bit[256];
  constexpr ByteBits() : bit() {
    for (int c = 0; c < 256; ++c) {
      if (c >= 'a' && c <= 'z') {
        bit[c] = static_cast<uint8_t>(c - 'a');
      } else if (c >= 'A' && c <= 'Z') {
        bit[c] = static_cast<uint8_t>(c - 'A');
      } else if (c >= '0' && c <= '9') {
        bit[c] = static_cast<uint8_t>(26 + c - '0');
      } else {
        bit[c] = static_cast<uint8_t>(36 + c % 28);
      }
    }
  }
};
constexpr ByteBits kByteBits;

uint64_t ByteBit(char c) { return uint64_t{1} << kByteBits.bit[static_cast<unsigned char>(c)]; }

uint64_t BytesOf(std::string_view text) {
  uint64_t bits = 0;
  for (char c : text) bits |= ByteBit(c);
  return bits;
}

// Lower-cases A to Z in place, never inside a double-byte character (as AnsiLowerAscii).
void LowerAsciiInPlace(std::string* s) {
  for (size_t i = 0; i < s->size(); ++i) {
    const unsigned char c = static_cast<unsigned char>((*s)[i]);
    if (IsLeadByte(c) && i + 1 < s->size()) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      (*s)[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
}

// Normalises pattern into out (see NormalizeWildcards).
void NormalizeInto(const std::string& pattern, std::string* out) {
  out->clear();
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] != '*' && pattern[i] != '?') {
      const size_t end = std::min(pattern.find_first_of("*?", i), pattern.size());
      out->append(pattern, i, end - i);
      i = end;
      continue;
    }
    size_t end = i;
    bool star = false;
    while (end < pattern.size() && (pattern[end] == '*' || pattern[end] == '?')) {
      star = star || pattern[end] == '*';
      ++end;
    }
    if (star) {
      out->push_back('*');
    } else {
      out->append(pattern, i, end - i);
    }
    i = end;
  }
}

// Below this many patterns every pattern is simply tried in turn.
constexpr size_t kIndexFrom = 16;

}  // namespace

std::string NormalizeWildcards(const std::string& pattern) {
  std::string out;
  NormalizeInto(pattern, &out);
  return out;
}

size_t FindWildPiece(const std::string& piece, const std::string& text) {
  const bool wild = Wild(piece);
  std::vector<int> kmp;
  if (UsesKmp(piece, wild)) {
    kmp.resize(piece.size() + 1);
    BuildKmp(piece, kmp.data());
  }
  return SearchPiece(piece, wild, kmp.empty() ? nullptr : kmp.data(), UsesShiftAnd(piece, wild),
                     text);
}

WildcardSet::WildcardSet(const std::vector<std::string>& patterns, bool fold_case)
    : fold_case_(fold_case) {
  size_t bytes = 0, pieces = 0;
  for (const std::string& p : patterns) {
    bytes += p.size();
    pieces += 2 + std::count(p.begin(), p.end(), '*');
  }
  rules_.reserve(patterns.size());
  pieces_.reserve(pieces);
  arena_.reserve(bytes + kWindow);
  std::string scratch;
  for (const std::string& p : patterns) Add(p, &scratch);
  arena_.append(kWindow, '\0');  // so that a window of 8 bytes can be read at any piece byte
  BuildIndex();
}

void WildcardSet::Add(const std::string& pattern, std::string* scratch) {
  std::string& p = *scratch;
  NormalizeInto(pattern, &p);
  if (fold_case_) LowerAsciiInPlace(&p);
  Rule rule;
  rule.first = static_cast<uint32_t>(pieces_.size());
  for (char c : p) {
    if (c != '*' && c != '?') rule.bytes |= ByteBit(c);
  }
  const std::string_view view = p;
  const size_t first_star = view.find('*');
  rule.star = first_star != std::string_view::npos;
  if (!rule.star) {
    rule.min_length = static_cast<uint32_t>(view.size());
    rule.head = !view.empty();
    if (rule.head) AddPiece(view);
    rules_.push_back(rule);
    return;
  }
  const size_t last_star = view.rfind('*');
  rule.min_length = static_cast<uint32_t>(view.size() - std::count(view.begin(), view.end(), '*'));
  rule.head = first_star > 0;
  if (rule.head) AddPiece(view.substr(0, first_star));
  for (size_t begin = first_star + 1; begin <= last_star;) {
    const size_t star = view.find('*', begin);
    if (star > begin) {  // normalised stars never touch; kept safe all the same
      AddPiece(view.substr(begin, star - begin));
      ++rule.middles;
    }
    begin = star + 1;
  }
  rule.tail = last_star + 1 < view.size();
  if (rule.tail) AddPiece(view.substr(last_star + 1));
  rules_.push_back(rule);
}

void WildcardSet::AddPiece(std::string_view bytes) {
  Piece piece;
  piece.begin = static_cast<uint32_t>(arena_.size());
  piece.size = static_cast<uint32_t>(bytes.size());
  piece.wild = Wild(bytes);
  arena_.append(bytes);
  piece.search = UsesKmp(bytes, piece.wild)        ? Search::Kmp
                 : UsesShiftAnd(bytes, piece.wild) ? Search::ShiftAnd
                 : piece.wild                      ? Search::Naive
                                                   : Search::Direct;
  if (piece.search == Search::Kmp) {
    piece.table = static_cast<uint32_t>(kmp_.size());
    kmp_.resize(kmp_.size() + bytes.size() + 1);
    BuildKmp(bytes, kmp_.data() + piece.table);
  }
  pieces_.push_back(piece);
}

uint64_t WildcardSet::Hash(uint64_t value, uint64_t mask) {
  uint64_t h = (value ^ (mask * 0xC2B2AE3D27D4EB4Full)) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

// Calls f(value, mask) with each candidate key of the pattern. In each run of literal bytes of
// a piece: every window of 8 bytes; in a shorter run every window of 4 bytes; in a run of 2 or 3
// bytes the run. And from each literal byte that a "?" follows within 8 bytes, the window up to
// the last literal byte within 8 bytes, if it counts two bytes or more. Any text the pattern
// matches holds every one of them.
template <typename F>
void WildcardSet::ForEachWindow(const Rule& rule, F f) const {
  const uint32_t stored = rule.middles + (rule.head ? 1 : 0) + (rule.tail ? 1 : 0);
  for (uint32_t i = rule.first; i < rule.first + stored; ++i) {
    const Piece& piece = pieces_[i];
    const std::string_view b = Bytes(piece);
    const char* data = arena_.data() + piece.begin;  // arena_ ends in 8 spare bytes
    for (size_t s = 0; s < b.size();) {
      if (b[s] == '?') {
        ++s;
        continue;
      }
      size_t run = 1;
      while (s + run < b.size() && b[s + run] != '?') ++run;
      const size_t length = run >= 8 ? 8 : run >= 4 ? 4 : run;
      if (length >= 2) {
        const uint64_t mask = length == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * length)) - 1;
        for (size_t k = s; k + length <= s + run; ++k) f(Load64(data + k) & mask, mask);
      }
      if (piece.wild && s + run < b.size()) {  // windows that hold a "?"
        for (size_t k = std::max(s, s + run >= kWindow ? s + run - kWindow + 1 : s);
             k < s + run; ++k) {
          size_t end = std::min(b.size(), k + kWindow);
          while (b[end - 1] == '?') --end;
          if (end <= s + run) continue;
          uint64_t mask = 0;
          for (size_t j = k; j < end; ++j) {
            if (b[j] != '?') mask |= uint64_t{0xFF} << (8 * (j - k));
          }
          f(Load64(data + k) & mask, mask);
        }
      }
      s += run;
    }
  }
}

size_t WildcardSet::SlotOf(uint64_t value, uint64_t mask) const {
  const size_t wrap = slots_.size() - 1;
  size_t at = Hash(value, mask) & wrap;
  for (;; at = (at + 1) & wrap) {
    const Slot& slot = slots_[at];
    if (slot.shape == 0 || (slot.value == value && shapes_[slot.shape - 1].mask == mask)) {
      return at;
    }
  }
}

void WildcardSet::BuildIndex() {
  if (rules_.size() < kIndexFrom) {
    for (uint32_t i = 0; i < rules_.size(); ++i) unanchored_.push_back(i);
    return;
  }
  KeyCounts counts(arena_.size());
  for (const Rule& rule : rules_) {
    ForEachWindow(rule, [&](uint64_t v, uint64_t m) { counts.Add(Hash(v, m)); });
  }
  // Each pattern's rarest key; among equals the one that counts more bytes. With too many
  // shapes, the patterns of the rarely used ones choose again among the others.
  std::vector<Key> chosen(rules_.size());
  auto choose = [&](uint32_t i, const std::vector<uint64_t>* allowed) {
    Key best;
    uint32_t best_count = UINT32_MAX;
    ForEachWindow(rules_[i], [&](uint64_t v, uint64_t m) {
      if (allowed && std::find(allowed->begin(), allowed->end(), m) == allowed->end()) return;
      const uint32_t c = counts.Count(Hash(v, m));
      if (c < best_count ||
          (c == best_count && CountedBytes(m) > CountedBytes(best.mask))) {
        best = {v, m};
        best_count = c;
      }
    });
    chosen[i] = best;
  };
  for (uint32_t i = 0; i < rules_.size(); ++i) choose(i, nullptr);
  std::vector<std::pair<uint64_t, uint32_t>> uses;  // mask, patterns
  for (const Key& k : chosen) {
    if (!k.mask) continue;
    auto it = std::find_if(uses.begin(), uses.end(), [&](const auto& u) { return u.first == k.mask; });
    if (it == uses.end()) {
      uses.emplace_back(k.mask, 1);
    } else {
      ++it->second;
    }
  }
  if (uses.size() > kMaxShapes) {
    std::stable_sort(uses.begin(), uses.end(),
                     [](const auto& x, const auto& y) { return x.second > y.second; });
    std::vector<uint64_t> allowed;
    for (size_t k = 0; k < kMaxShapes; ++k) allowed.push_back(uses[k].first);
    for (uint32_t i = 0; i < rules_.size(); ++i) {
      if (chosen[i].mask &&
          std::find(allowed.begin(), allowed.end(), chosen[i].mask) == allowed.end()) {
        choose(i, &allowed);
      }
    }
  }
  // The table: keys grouped, each slot pointing to its run of patterns in postings_.
  std::vector<uint32_t> order;
  order.reserve(rules_.size());
  for (uint32_t i = 0; i < rules_.size(); ++i) {
    if (chosen[i].mask) {
      order.push_back(i);
    } else {
      unanchored_.push_back(i);
    }
  }
  std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
    const Key &a = chosen[x], &b = chosen[y];
    return a.mask != b.mask ? a.mask < b.mask : a.value != b.value ? a.value < b.value : x < y;
  });
  // Shapes that count more bytes first: theirs are the rarer keys, and a match found early ends
  // the search.
  for (uint32_t i : order) {
    const uint64_t mask = chosen[i].mask;
    if (std::none_of(shapes_.begin(), shapes_.end(), [&](const Shape& s) { return s.mask == mask; })) {
      Shape s;
      s.mask = mask;
      s.length = static_cast<uint32_t>((64 - __builtin_clzll(mask)) / 8);
      shapes_.push_back(s);
    }
  }
  std::sort(shapes_.begin(), shapes_.end(), [](const Shape& x, const Shape& y) {
    return CountedBytes(x.mask) != CountedBytes(y.mask) ? CountedBytes(x.mask) > CountedBytes(y.mask)
                                                        : x.mask < y.mask;
  });
  size_t size = 16;
  while (size < 2 * order.size()) size <<= 1;
  slots_.assign(size, Slot());
  filter_.assign(std::max<size_t>(1, size / 4), 0);  // 16 bits per slot
  postings_ = order;
  for (size_t k = 0; k < order.size();) {
    const Key key = chosen[order[k]];
    size_t end = k + 1;
    while (end < order.size() && chosen[order[end]].mask == key.mask &&
           chosen[order[end]].value == key.value) {
      ++end;
    }
    uint32_t shape = 0;
    while (shapes_[shape].mask != key.mask) ++shape;
    const uint64_t hash = Hash(key.value, key.mask);
    filter_[(hash >> 6) & (filter_.size() - 1)] |= uint64_t{1} << (hash & 63);
    Slot& slot = slots_[SlotOf(key.value, key.mask)];
    slot.value = key.value;
    slot.shape = shape + 1;
    slot.begin = static_cast<uint32_t>(k);
    slot.count = static_cast<uint32_t>(end - k);
    k = end;
  }
}

std::string WildcardSet::Prepare(const std::string& text) const {
  return fold_case_ ? AnsiLowerAscii(text) : text;
}

bool WildcardSet::At(const Piece& piece, std::string_view text, size_t pos) const {
  const char* at = text.data() + pos;
  if (!piece.wild) return std::memcmp(at, arena_.data() + piece.begin, piece.size) == 0;
  return WildEqual(Bytes(piece), at);
}

size_t WildcardSet::Find(const Piece& piece, std::string_view text, size_t from,
                         size_t limit) const {
  if (from > limit) return std::string_view::npos;
  const int* kmp = piece.search == Search::Kmp ? kmp_.data() + piece.table : nullptr;
  const size_t at = SearchPiece(Bytes(piece), piece.wild, kmp, piece.search == Search::ShiftAnd,
                                     text.substr(from, limit - from));
  return at == std::string_view::npos ? at : from + at;
}

bool WildcardSet::Match(const Rule& rule, std::string_view text, uint64_t bytes) const {
  if (text.size() < rule.min_length || (rule.bytes & ~bytes) != 0) return false;
  const Piece* piece = pieces_.data() + rule.first;
  if (!rule.star) {
    return rule.head ? text.size() == piece->size && At(*piece, text, 0) : text.empty();
  }
  size_t cursor = 0;
  if (rule.head) {
    if (!At(*piece, text, 0)) return false;
    cursor = piece->size;
    ++piece;
  }
  // The tail is anchored at the end; the middle pieces are taken leftmost before it.
  const Piece* tail = rule.tail ? piece + rule.middles : nullptr;
  const size_t limit = text.size() - (tail ? tail->size : 0);
  for (uint32_t i = 0; i < rule.middles; ++i) {
    const size_t at = Find(piece[i], text, cursor, limit);
    if (at == std::string_view::npos) return false;
    cursor = at + piece[i].size;
  }
  return cursor <= limit && (!tail || At(*tail, text, limit));
}

bool WildcardSet::MatchesAny(const std::string& text) const {
  if (rules_.empty()) return false;
  std::string prepared = Prepare(text);
  const size_t size = prepared.size();
  const uint64_t bytes = BytesOf(prepared);
  prepared.append(kWindow, '\0');  // so that every window of 8 bytes can be read
  const std::string_view view(prepared.data(), size);
  if (!slots_.empty()) {
    const char* data = prepared.data();
    const size_t wrap = slots_.size() - 1, filter_wrap = filter_.size() - 1;
    uint32_t tried[16];  // slots already tried, so that a key found twice is tried once
    size_t tried_count = 0;
    for (uint32_t s = 0; s < shapes_.size(); ++s) {
      const Shape& shape = shapes_[s];
      if (shape.length > size) continue;
      for (size_t i = 0; i + shape.length <= size; ++i) {
        const uint64_t value = Load64(data + i) & shape.mask;
        const uint64_t hash = Hash(value, shape.mask);
        if (!(filter_[(hash >> 6) & filter_wrap] & (uint64_t{1} << (hash & 63)))) continue;
        for (size_t at = hash & wrap;; at = (at + 1) & wrap) {
          const Slot& slot = slots_[at];
          if (slot.shape == 0) break;
          if (slot.shape != s + 1 || slot.value != value) continue;
          const uint32_t here = static_cast<uint32_t>(at);
          if (std::find(tried, tried + tried_count, here) != tried + tried_count) break;
          if (tried_count < 16) tried[tried_count++] = here;
          for (uint32_t k = slot.begin; k < slot.begin + slot.count; ++k) {
            if (Match(rules_[postings_[k]], view, bytes)) return true;
          }
          break;
        }
      }
    }
  }
  for (uint32_t i : unanchored_) {
    if (Match(rules_[i], view, bytes)) return true;
  }
  return false;
}

bool WildcardSet::MatchesAnyByScan(const std::string& text) const {
  const std::string prepared = Prepare(text);
  const uint64_t bytes = BytesOf(prepared);
  for (const Rule& rule : rules_) {
    if (Match(rule, prepared, bytes)) return true;
  }
  return false;
}

bool WildcardSet::Matches(size_t index, const std::string& text) const {
  const std::string prepared = Prepare(text);
  return Match(rules_[index], prepared, BytesOf(prepared));
}

}  // namespace orv
