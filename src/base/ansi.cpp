#include "base/ansi.h"

namespace orv {

namespace {
// Walks s from its start and reports whether byte i begins a character.
template <typename F>
void ForEachCharStart(const std::string& s, F f) {
  for (size_t i = 0; i < s.size();) {
    f(i);
    i += (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  }
}
}  // namespace

size_t SafePrefixLength(const std::string& s, size_t n) {
  if (n >= s.size()) return s.size();
  size_t best = 0;
  ForEachCharStart(s, [&](size_t i) {
    if (i <= n) best = i;
  });
  return best;
}

size_t SafeSuffixStart(const std::string& s, size_t n) {
  if (n >= s.size()) return 0;
  const size_t want = s.size() - n;
  size_t start = s.size();
  bool found = false;
  ForEachCharStart(s, [&](size_t i) {
    if (!found && i >= want) {
      start = i;
      found = true;
    }
  });
  return start;
}

std::string AnsiLowerAscii(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size();) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c) && i + 1 < out.size()) {
      i += 2;
      continue;
    }
    if (c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c - 'A' + 'a');
    ++i;
  }
  return out;
}

bool AnsiEqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && AnsiLowerAscii(a) == AnsiLowerAscii(b);
}

}  // namespace orv
