// The comma rule, the notice document splitter and the code number, each against a plain
// reading of the rules in notice_code.h written here step by step.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "notice/notice_code.h"

namespace {

[[noreturn]] void Mismatch(const char* what, const std::string& text, char separator) {
  std::fprintf(stderr, "mismatch: %s, separator %02X\ntext (%zu bytes): ", what,
               static_cast<unsigned char>(separator), text.size());
  for (unsigned char c : text) std::fprintf(stderr, "%02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

// The text as characters: up to its first NUL, a lead byte (0x81..0xFE) with the byte after it.
struct Characters {
  explicit Characters(const std::string& text) : s(text.c_str()) {
    const size_t size = std::min(text.size(), text.find('\0'));
    for (size_t i = 0; i < size;) {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      const size_t n = (c >= 0x81 && c <= 0xFE && i + 1 < size) ? 2 : 1;
      starts.push_back(i);
      lengths.push_back(static_cast<unsigned char>(n));
      i += n;
    }
  }
  size_t size() const { return starts.size(); }
  bool Is(size_t i, char c) const { return lengths[i] == 1 && s[starts[i]] == c; }
  bool Blank(size_t i) const {
    const unsigned char c = static_cast<unsigned char>(s[starts[i]]);
    return c >= 1 && c <= 32;
  }
  void AppendTo(size_t i, std::string* out) const { out->append(s + starts[i], lengths[i]); }

  const char* s;
  std::vector<size_t> starts;
  std::vector<unsigned char> lengths;
};

std::vector<std::string> ReferenceSplit(const std::string& text, char separator) {
  const Characters chars(text);
  std::vector<std::string> items;
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < chars.size() && chars.Blank(i)) ++i;
  };
  skip_blanks();                                       // 1
  while (i < chars.size()) {                           // 5
    std::string item;                                  // 2
    if (chars.Is(i, '"')) {
      ++i;
      while (i < chars.size()) {
        if (chars.Is(i, '"')) {
          if (i + 1 < chars.size() && chars.Is(i + 1, '"')) {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        chars.AppendTo(i++, &item);
      }
    } else {
      while (i < chars.size() && !chars.Blank(i) && !chars.Is(i, separator)) {
        chars.AppendTo(i++, &item);
      }
    }
    items.push_back(item);
    skip_blanks();                                     // 3
    if (i < chars.size() && chars.Is(i, separator)) {  // 4
      if (i + 1 == chars.size()) items.emplace_back();
      ++i;
      skip_blanks();
    }
  }
  return items;
}

std::optional<long> ReferenceNumber(const std::string& item) {
  size_t i = 0;
  if (!item.empty() && (item[0] == '+' || item[0] == '-')) i = 1;
  if (i == item.size()) return std::nullopt;
  for (size_t k = i; k < item.size(); ++k) {
    if (item[k] < '0' || item[k] > '9') return std::nullopt;
  }
  // Leading zeros aside, more than ten digits is out of range whatever they are.
  size_t first = i;
  while (first + 1 < item.size() && item[first] == '0') ++first;
  if (item.size() - first > 10) return std::nullopt;
  long long value = std::stoll(item.substr(first));
  if (item[0] == '-') value = -value;
  if (value < -2147483648LL || value > 2147483647LL) return std::nullopt;
  return static_cast<long>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  // The program splits with "," (codes), ":" (the proxy) and CR (the document); any other ASCII
  // separator follows the same rule.
  const char chosen = static_cast<char>(in.ConsumeIntegralInRange<int>(1, 127));
  const std::string text = in.ConsumeRemainingBytesAsString();

  for (char separator : {',', ':', '\r', chosen}) {
    const std::vector<std::string> items = orv::SplitItems(text, separator);
    if (items != ReferenceSplit(text, separator)) Mismatch("SplitItems", text, separator);
    for (const std::string& item : items) {
      if (orv::CodeNumber(item) != ReferenceNumber(item)) Mismatch("CodeNumber", item, separator);
    }
  }
  if (orv::SplitNoticeDocument(text) != orv::SplitItems(text, '\r')) {
    Mismatch("SplitNoticeDocument", text, '\r');
  }
  if (orv::CodeNumber(text) != ReferenceNumber(text)) Mismatch("CodeNumber", text, 0);
  return 0;
}
