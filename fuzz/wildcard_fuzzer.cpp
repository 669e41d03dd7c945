// The wildcard matcher against a plain dynamic-programming matcher written here from the rules
// in wildcard.h: each pattern alone, the whole set (MatchesAny against a loop of single
// matches), the normalisation and the piece search.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lists/wildcard.h"

namespace {

[[noreturn]] void Mismatch(const char* what, const std::string& pattern, const std::string& text) {
  std::fprintf(stderr, "mismatch: %s\npattern (%zu bytes): ", what, pattern.size());
  for (unsigned char c : pattern) std::fprintf(stderr, "%02X", c);
  std::fprintf(stderr, "\ntext (%zu bytes): ", text.size());
  for (unsigned char c : text) std::fprintf(stderr, "%02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

// Every run of "*" and "?" that holds a "*" becomes one "*".
std::string ReferenceNormalize(const std::string& pattern) {
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    if (pattern[i] != '*' && pattern[i] != '?') {
      out += pattern[i++];
      continue;
    }
    std::string run;
    while (i < pattern.size() && (pattern[i] == '*' || pattern[i] == '?')) run += pattern[i++];
    out += run.find('*') != std::string::npos ? std::string("*") : run;
  }
  return out;
}

// A to Z lowered, except the byte after a lead byte (0x81..0xFE), which belongs to it.
std::string ReferenceLower(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 0x81 && c <= 0xFE) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    }
  }
  return out;
}

// matched[j]: the text so far matches the first j pattern bytes.
bool ReferenceMatch(std::string pattern, std::string text, bool fold_case) {
  pattern = ReferenceNormalize(pattern);
  if (fold_case) {
    pattern = ReferenceLower(pattern);
    text = ReferenceLower(text);
  }
  const size_t m = pattern.size();
  std::vector<char> matched(m + 1, 0), next(m + 1, 0);
  matched[0] = 1;
  for (size_t j = 0; j < m && pattern[j] == '*'; ++j) matched[j + 1] = 1;
  for (char c : text) {
    next[0] = 0;
    for (size_t j = 0; j < m; ++j) {
      if (pattern[j] == '*') {
        next[j + 1] = next[j] || matched[j + 1];
      } else {
        next[j + 1] = matched[j] && (pattern[j] == '?' || pattern[j] == c);
      }
    }
    matched.swap(next);
  }
  return matched[m] != 0;
}

size_t ReferenceFind(const std::string& piece, const std::string& text) {
  for (size_t at = 0; at + piece.size() <= text.size(); ++at) {
    bool equal = true;
    for (size_t i = 0; i < piece.size() && equal; ++i) {
      equal = piece[i] == '?' || piece[i] == text[at + i];
    }
    if (equal) return at;
  }
  return std::string::npos;
}

// Stars become bytes from the input, "?" one byte: a text the pattern surely matches.
std::string Instantiate(const std::string& pattern, FuzzedDataProvider& in) {
  std::string out;
  for (char c : pattern) {
    if (c == '*') {
      out += in.ConsumeRandomLengthString(16);
    } else if (c == '?') {
      out += in.ConsumeIntegral<char>();
    } else {
      out += c;
    }
  }
  return out;
}

// Realistic black-list entries, so that sets reach the size from which the matcher indexes.
const char* const kListPatterns[] = {
    "http://ad.doubleclick.net/*", "https://ad.doubleclick.net/*", "http://*.adserver.example/*",
    "*popup*", "http://ads.example.com/*", "http://www.example.com/ad?.htm",
    "http://*/banner/*.gif", "*://track.example.org/*", "http://a.b/??", "http://media.example/*/ad*",
    "http://x.example/*click*", "http://*.cn/*", "http://cnt.example.net/*", "*.swf",
    "http://pop.example/*?id=*", "http://\xb9\xe3\xb8\xe6.example/*", "http://ad*", "*ad.html",
    "http://static.example/ads/*", "*\xb4\xb0\xbf\xda*"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const uint8_t flags = in.ConsumeIntegral<uint8_t>();
  const bool fold_case = flags & 1;
  const bool with_list = flags & 2;
  const bool instantiate = flags & 4;

  std::vector<std::string> patterns;
  const int count = in.ConsumeIntegralInRange(1, 8);
  for (int i = 0; i < count; ++i) patterns.push_back(in.ConsumeRandomLengthString(300));
  if (with_list) {
    for (const char* p : kListPatterns) patterns.push_back(p);
  }
  std::string text;
  if (instantiate) {
    text = Instantiate(patterns[in.ConsumeIntegralInRange<size_t>(0, patterns.size() - 1)], in);
  }
  text += in.ConsumeRemainingBytesAsString();

  const orv::WildcardSet set(patterns, fold_case);
  if (set.size() != patterns.size()) Mismatch("size", patterns[0], text);
  bool any = false;
  for (size_t i = 0; i < patterns.size(); ++i) {
    const std::string& p = patterns[i];
    const bool expected = ReferenceMatch(p, text, fold_case);
    if (set.Matches(i, text) != expected) Mismatch("Matches", p, text);
    if (orv::WildcardSet({p}, fold_case).MatchesAny(text) != expected) {
      Mismatch("MatchesAny of one pattern", p, text);
    }
    if (orv::NormalizeWildcards(p) != ReferenceNormalize(p)) Mismatch("NormalizeWildcards", p, text);
    if (orv::FindWildPiece(p, text) != ReferenceFind(p, text)) Mismatch("FindWildPiece", p, text);
    any = any || expected;
  }
  if (set.MatchesAny(text) != any) Mismatch("MatchesAny of the set", patterns[0], text);
  return 0;
}
