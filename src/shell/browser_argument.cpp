#include "shell/browser_argument.h"

namespace orv {

std::string BrowserArgumentFor(const std::string& address) {
  if (address.empty()) return std::string();
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (unsigned char c : address) {
    if (c == '"' || c < 0x20 || c == 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  // Backslashes right before the closing quote would escape it when the command line is split.
  size_t trailing = 0;
  while (trailing + 1 < out.size() && out[out.size() - 1 - trailing] == '\\') ++trailing;
  out.append(trailing, '\\');
  out += '"';
  return out;
}

}  // namespace orv
