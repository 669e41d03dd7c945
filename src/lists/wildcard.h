#pragma once
// Address patterns with the wildcards "*" (any run of bytes, also none) and "?" (any one byte),
// made ready once and then matched in time linear in the text.
//
// A pattern is first normalised: every run of "*" and "?" that holds a "*" becomes one "*" (a
// run of "?" alone stays). It then matches a text when the text begins with the part before the
// first star, ends with the part after the last star, and holds the parts between stars in
// their order in between; without a star the text must have the pattern's length. "?" stands
// for any byte; every byte of the text, "*" and "?" included, is literal.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class WildcardSet {
 public:
  // fold_case: letters A to Z match without regard to case (never inside a double-byte
  // character).
  WildcardSet(const std::vector<std::string>& patterns, bool fold_case);

  size_t size() const { return rules_.size(); }
  // Whether any of the patterns matches text.
  bool MatchesAny(const std::string& text) const;
  // The same answer as MatchesAny, found by trying every pattern in turn (for the tests and the
  // benchmark that check the index against it).
  bool MatchesAnyByScan(const std::string& text) const;
  // Whether pattern number index matches text.
  bool Matches(size_t index, const std::string& text) const;

 private:
  enum class Search : uint8_t { Direct, Kmp, ShiftAnd, Naive };
  struct Piece {
    uint32_t begin = 0, size = 0;  // bytes in arena_
    bool wild = false;             // holds "?"
    Search search = Search::Direct;
    uint32_t table = 0;            // start in kmp_
  };
  struct Rule {
    uint32_t first = 0;      // first stored piece: head (if any), middles, tail (if any)
    uint32_t middles = 0;    // pieces between stars
    uint32_t min_length = 0;
    bool star = false;       // without a star the head is the whole pattern
    bool head = false, tail = false;  // non-empty head / tail stored
    uint64_t bytes = 0;      // summary of the bytes any matching text holds (see ByteBit)
  };

  void Add(const std::string& pattern, std::string* scratch);
  void AddPiece(std::string_view bytes);
  std::string Prepare(const std::string& text) const;
  bool Match(const Rule& rule, std::string_view text, uint64_t bytes) const;
  bool At(const Piece& piece, std::string_view text, size_t pos) const;
  size_t Find(const Piece& piece, std::string_view text, size_t from, size_t limit) const;
  std::string_view Bytes(const Piece& piece) const {
    return std::string_view(arena_).substr(piece.begin, piece.size);
  }

  bool fold_case_;
  std::string arena_;
  std::vector<Piece> pieces_;
  std::vector<Rule> rules_;
  std::vector<int> kmp_;
  // The index. Each pattern is filed under one key: a window of up to 8 bytes of one of its
  // pieces, starting and ending on a literal byte, with its "?" bytes left out (a mask says which
  // bytes count) -- the window that fewest patterns share. Any text the pattern matches holds
  // the key's bytes at some place, so a text is tried only against the patterns whose key it
  // holds (looked up with a hash table, one probe per text position and key shape) and those
  // without a key (no two literal bytes within 8 bytes of one piece, like "*" or "*a*b*").
  struct Shape {
    uint64_t mask = 0;   // 0xFF in each byte that counts (byte k of the window: bits 8k..8k+7)
    uint32_t length = 0; // bytes from the first to the last counted one
  };
  struct Slot {
    uint64_t value = 0;  // the window's counted bytes
    uint32_t shape = 0;  // index in shapes_ + 1; 0: empty slot
    uint32_t begin = 0, count = 0;  // the patterns, in postings_
  };
  struct Key {
    uint64_t value = 0, mask = 0;
  };
  void BuildIndex();
  template <typename F>
  void ForEachWindow(const Rule& rule, F f) const;
  size_t SlotOf(uint64_t value, uint64_t mask) const;
  static uint64_t Hash(uint64_t value, uint64_t mask);

  std::vector<Shape> shapes_;
  std::vector<Slot> slots_;        // open addressing, a power of two in size
  std::vector<uint64_t> filter_;   // one bit per hash (a power of two): some key may have it
  std::vector<uint32_t> postings_;
  std::vector<uint32_t> unanchored_;
};

// Normalises the runs of "*" and "?" as described above.
std::string NormalizeWildcards(const std::string& pattern);

// 0-based position of the first occurrence of piece in text ("?" any byte, every other byte
// literal), or npos; an empty piece is found at 0.
size_t FindWildPiece(const std::string& piece, const std::string& text);

}  // namespace orv
