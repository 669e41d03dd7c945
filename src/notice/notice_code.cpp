#include "notice/notice_code.h"

#include "base/ansi.h"

namespace orv {

namespace {

// Walks a NUL-terminated view of the text one character at a time.
class Cursor {
 public:
  explicit Cursor(const std::string& text)
      : p_(text.c_str()), end_(text.c_str() + text.size()) {}
  // The text stops at its first NUL.
  bool AtEnd() const { return p_ == end_ || *p_ == '\0'; }
  unsigned char Peek() const { return AtEnd() ? 0 : static_cast<unsigned char>(*p_); }
  const char* Position() const { return p_; }
  // Steps over one character: a lead byte takes its trail byte with it unless the text ends.
  void Next() {
    if (AtEnd()) return;
    const bool lead = IsLeadByte(static_cast<unsigned char>(*p_));
    ++p_;
    if (lead && !AtEnd()) ++p_;
  }
  bool NextIsEnd() const {
    Cursor after = *this;
    after.Next();
    return after.AtEnd();
  }
  void SkipBlanks() {
    while (!AtEnd() && Peek() <= 32) Next();
  }

 private:
  const char* p_;
  const char* end_;
};

// From the opening quote to past the closing one; "" inside is one quote.
std::string QuotedItem(Cursor& c) {
  std::string item;
  c.Next();  // the opening quote
  while (!c.AtEnd()) {
    if (c.Peek() == '"') {
      c.Next();
      if (c.Peek() != '"') return item;  // the closing quote
      item += '"';
      c.Next();
      continue;
    }
    const char* from = c.Position();
    c.Next();
    item.append(from, c.Position());
  }
  return item;  // no closing quote: the rest of the text
}

}  // namespace

std::vector<std::string> SplitItems(const std::string& text, char separator) {
  std::vector<std::string> items;
  Cursor c(text);
  c.SkipBlanks();
  while (!c.AtEnd()) {
    if (c.Peek() == '"') {
      items.push_back(QuotedItem(c));
    } else {
      const char* from = c.Position();
      while (!c.AtEnd() && c.Peek() > 32 && c.Peek() != static_cast<unsigned char>(separator))
        c.Next();
      items.emplace_back(from, c.Position());
    }
    c.SkipBlanks();
    if (!c.AtEnd() && c.Peek() == static_cast<unsigned char>(separator)) {
      if (c.NextIsEnd()) items.emplace_back();
      do {
        c.Next();
      } while (!c.AtEnd() && c.Peek() <= 32);
    }
  }
  return items;
}

std::vector<std::string> SplitNoticeDocument(const std::string& body) {
  return SplitItems(body, '\r');
}

std::optional<long> CodeNumber(const std::string& item) {
  size_t i = 0;
  bool negative = false;
  if (i < item.size() && (item[i] == '+' || item[i] == '-')) negative = item[i++] == '-';
  if (i == item.size()) return std::nullopt;
  long long value = 0;
  for (; i < item.size(); ++i) {
    if (item[i] < '0' || item[i] > '9') return std::nullopt;
    value = value * 10 + (item[i] - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return std::nullopt;
  return static_cast<long>(value);
}

}  // namespace orv
