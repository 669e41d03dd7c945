#include "platform/win32/win32_com.h"

#include <cstdio>

#include "base/errors.h"

namespace orv {

std::string ComErrorText(HRESULT hr) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                           text.back() == '\t')) {
    text.pop_back();
  }
  if (text.empty()) {
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "OLE error %08lX",
                  static_cast<unsigned long>(static_cast<DWORD>(hr)));
    text = fallback;
  }
  return text;
}

void CheckAutomation(HRESULT hr) {
  if (FAILED(hr)) throw AutomationError(ComErrorText(hr));
}

std::string WideToAnsi(const wchar_t* text, int length) {
  if (text == nullptr || length <= 0) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], size, nullptr, nullptr);
  return out;
}

bool WideToAnsiExactly(const wchar_t* text, int length, std::string* out) {
  out->clear();
  if (text == nullptr || length <= 0) return true;
  // The UTF-8 code page holds every character and takes no default-character test.
  if (GetACP() == CP_UTF8) {
    *out = WideToAnsi(text, length);
    return !out->empty();
  }
  BOOL used_default = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0,
                                       nullptr, &used_default);
  if (size <= 0 || used_default) return false;
  out->assign(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, &(*out)[0], size, nullptr,
                      nullptr);
  return true;
}

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, &out[0], size);
  return out;
}

}  // namespace orv
