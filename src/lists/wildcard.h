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
  // Whether pattern number index matches text.
  bool Matches(size_t index, const std::string& text) const;

 private:
  enum class Search : uint8_t { Direct, Kmp, ShiftAnd, Naive };
  struct Piece {
    uint32_t begin = 0, size = 0;  // bytes in arena_
    bool wild = false;             // holds "?"
    Search search = Search::Direct;
    uint32_t table = 0;            // start in kmp_, or index in masks_
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
  void BuildAnchors();
  std::string Prepare(const std::string& text) const;
  bool Match(const Rule& rule, std::string_view text, uint64_t bytes) const;
  bool At(const Piece& piece, std::string_view text, size_t pos) const;
  size_t Find(const Piece& piece, std::string_view text, size_t from, size_t limit) const;
  std::string_view Bytes(const Piece& piece) const {
    return std::string_view(arena_).substr(piece.begin, piece.size);
  }
  template <typename F>
  void ForEachGram(const Rule& rule, F f) const;

  bool fold_case_;
  std::string arena_;
  std::vector<Piece> pieces_;
  std::vector<Rule> rules_;
  std::vector<int> kmp_;
  std::vector<std::array<uint64_t, 256>> masks_;
  // Each pattern filed under its rarest run of two to four literal bytes (its anchor); a text is
  // tried only against the patterns whose anchor it holds, and those without one.
  std::vector<std::pair<uint64_t, uint32_t>> anchors_;  // sorted: anchor, pattern
  std::vector<uint32_t> unanchored_;
  uint32_t gram_lengths_ = 0;  // bit n: some anchor is n bytes long
};

// Normalises the runs of "*" and "?" as described above.
std::string NormalizeWildcards(const std::string& pattern);

// 0-based position of the first occurrence of piece in text ("?" any byte, every other byte
// literal), or npos; an empty piece is found at 0.
size_t FindWildPiece(const std::string& piece, const std::string& text);

}  // namespace orv
