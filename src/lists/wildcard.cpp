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

// First position in window where piece occurs, or npos. kmp and masks are the tables the
// piece's way of searching needs.
size_t SearchPiece(std::string_view piece, bool wild, const int* kmp, const Masks* masks,
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
  if (masks) {
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

// A run of 2 to 4 literal bytes as one number: the bytes, and the length in the top byte.
uint64_t GramAt(std::string_view s, size_t i, size_t length) {
  uint64_t gram = 0;
  for (size_t k = 0; k < length; ++k) {
    gram = gram << 8 | static_cast<unsigned char>(s[i + k]);
  }
  return gram | static_cast<uint64_t>(length) << 56;
}

size_t GramLength(uint64_t gram) { return static_cast<size_t>(gram >> 56); }

constexpr size_t kLongestGram = 4;
constexpr size_t kShortestGram = 2;

// Roughly how often each gram occurs among the patterns: grams are counted by a 16-bit hash, so
// two may share a count. That only makes a choice of anchor less good, never wrong.
class GramCounts {
 public:
  GramCounts() : counts_(1 << 16, 0) {}
  void Add(uint64_t gram) {
    uint8_t& c = counts_[Slot(gram)];
    if (c != UINT8_MAX) ++c;
  }
  uint32_t Count(uint64_t gram) const { return counts_[Slot(gram)]; }

 private:
  static size_t Slot(uint64_t gram) { return (gram * 0x9E3779B97F4A7C15ull) >> 48; }
  std::vector<uint8_t> counts_;
};

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
  std::unique_ptr<Masks> masks;
  if (UsesKmp(piece, wild)) {
    kmp.resize(piece.size() + 1);
    BuildKmp(piece, kmp.data());
  } else if (UsesShiftAnd(piece, wild)) {
    masks = std::make_unique<Masks>();
    BuildMasks(piece, masks.get());
  }
  return SearchPiece(piece, wild, kmp.empty() ? nullptr : kmp.data(), masks.get(), text);
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
  arena_.reserve(bytes);
  std::string scratch;
  for (const std::string& p : patterns) Add(p, &scratch);
  BuildAnchors();
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
  } else if (piece.search == Search::ShiftAnd) {
    piece.table = static_cast<uint32_t>(masks_.size());
    masks_.emplace_back();
    BuildMasks(bytes, &masks_.back());
  }
  pieces_.push_back(piece);
}

// Calls f with each gram of the pattern's literal runs: the runs of 4 bytes, or, in a shorter
// run, the run itself (down to 2 bytes). Any text the pattern matches holds every one of them.
template <typename F>
void WildcardSet::ForEachGram(const Rule& rule, F f) const {
  const uint32_t stored = rule.middles + (rule.head ? 1 : 0) + (rule.tail ? 1 : 0);
  for (uint32_t i = rule.first; i < rule.first + stored; ++i) {
    const std::string_view b = Bytes(pieces_[i]);
    for (size_t start = 0; start < b.size();) {
      size_t end = start;
      while (end < b.size() && b[end] != '?') ++end;
      const size_t run = end - start;
      if (run >= kShortestGram) {
        const size_t length = std::min(run, kLongestGram);
        for (size_t k = start; k + length <= end; ++k) f(GramAt(b, k, length));
      }
      start = end + 1;
    }
  }
}

void WildcardSet::BuildAnchors() {
  if (rules_.size() < kIndexFrom) {
    for (uint32_t i = 0; i < rules_.size(); ++i) unanchored_.push_back(i);
    return;
  }
  GramCounts counts;
  for (const Rule& rule : rules_) ForEachGram(rule, [&](uint64_t g) { counts.Add(g); });
  anchors_.reserve(rules_.size());
  for (uint32_t i = 0; i < rules_.size(); ++i) {
    uint64_t best = 0;
    uint32_t best_count = UINT32_MAX;
    ForEachGram(rules_[i], [&](uint64_t g) {
      const uint32_t c = counts.Count(g);
      // The rarest; among equals the longest (the length is the gram's top byte).
      if (c < best_count || (c == best_count && g > best)) {
        best = g;
        best_count = c;
      }
    });
    if (best_count == UINT32_MAX) {
      unanchored_.push_back(i);
    } else {
      anchors_.emplace_back(best, i);
      gram_lengths_ |= 1u << GramLength(best);
    }
  }
  std::sort(anchors_.begin(), anchors_.end());
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
  const Masks* masks = piece.search == Search::ShiftAnd ? &masks_[piece.table] : nullptr;
  const size_t at = SearchPiece(Bytes(piece), piece.wild, kmp, masks,
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
  const std::string prepared = Prepare(text);
  const uint64_t bytes = BytesOf(prepared);
  if (!anchors_.empty()) {
    std::vector<uint64_t> grams;
    for (size_t length = kShortestGram; length <= kLongestGram; ++length) {
      if (!(gram_lengths_ & (1u << length))) continue;
      for (size_t i = 0; i + length <= prepared.size(); ++i) {
        grams.push_back(GramAt(prepared, i, length));
      }
    }
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
    for (uint64_t g : grams) {
      auto it = std::lower_bound(anchors_.begin(), anchors_.end(), std::make_pair(g, 0u));
      for (; it != anchors_.end() && it->first == g; ++it) {
        if (Match(rules_[it->second], prepared, bytes)) return true;
      }
    }
  }
  for (uint32_t i : unanchored_) {
    if (Match(rules_[i], prepared, bytes)) return true;
  }
  return false;
}

bool WildcardSet::Matches(size_t index, const std::string& text) const {
  const std::string prepared = Prepare(text);
  return Match(rules_[index], prepared, BytesOf(prepared));
}

}  // namespace orv
