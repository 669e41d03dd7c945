#pragma once
// Notice codes and the notice document. A code is a text of items split by the comma rule; its
// first item says what to do: 1 open an address, 2 a message box, 3 the notice line's text.
// The downloaded document is split by the same rule with the carriage return as separator, which
// in effect makes every run of blanks and line ends separate two items.
#include <optional>
#include <string>
#include <vector>

namespace orv {

// Splits text into items, by characters of the ANSI text (a double-byte character is stepped
// over whole):
//   1. characters with codes 1 to 32 are skipped;
//   2. an item beginning with '"' runs to the matching closing quote ("" inside stands for one
//      quote; the quotes go); any other item runs up to the separator, a character with a code
//      from 1 to 32, or the end;
//   3. characters with codes 1 to 32 are skipped;
//   4. a separator that is the text's last character adds one empty item; the separator and the
//      characters with codes 1 to 32 after it are stepped over;
//   5. repeat from 2 until the end. Two separators in a row give an empty item between them.
// The text ends at its first NUL byte. A quoted item without its closing quote runs to the end.
std::vector<std::string> SplitItems(const std::string& text, char separator);

// The items of a downloaded notice document: SplitItems with the carriage return.
std::vector<std::string> SplitNoticeDocument(const std::string& body);

// The number a code's first item stands for: optional sign and decimal digits, within 32 bits.
// Nothing for anything else (blanks included).
std::optional<long> CodeNumber(const std::string& item);

}  // namespace orv
