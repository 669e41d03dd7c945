#pragma once
// Byte strings in the ANSI code page (936). Lengths and cuts count bytes; a Chinese character
// is a lead byte (0x81..0xFE) followed by one trail byte.
#include <cstddef>
#include <string>

namespace orv {

inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of s no longer than n bytes that does not end inside a
// double-byte character.
size_t SafePrefixLength(const std::string& s, size_t n);

// Start of the longest suffix of s no longer than n bytes that begins on a character boundary.
size_t SafeSuffixStart(const std::string& s, size_t n);

// Lower-cases the letters A to Z only, never touching the bytes of double-byte characters.
std::string AnsiLowerAscii(const std::string& s);

// Case-insensitive equality in the same sense (A-Z only).
bool AnsiEqualsNoCase(const std::string& a, const std::string& b);

}  // namespace orv
