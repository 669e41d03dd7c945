#pragma once
// The registry over advapi32, through the ANSI functions (names and texts in code page 936).
#include <windows.h>

#include <memory>
#include <string>

#include "platform/registry.h"

namespace orv {

// An open registry key handle, closed when it goes out of scope. The predefined root handles
// are never closed.
class ScopedHkey {
 public:
  ScopedHkey() = default;
  explicit ScopedHkey(HKEY h) : h_(h) {}
  ~ScopedHkey() { reset(); }
  ScopedHkey(ScopedHkey&& other) noexcept : h_(other.release()) {}
  ScopedHkey& operator=(ScopedHkey&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedHkey(const ScopedHkey&) = delete;
  ScopedHkey& operator=(const ScopedHkey&) = delete;

  HKEY get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  // For functions that hand out a new handle: closes the current one first.
  HKEY* receive() {
    reset();
    return &h_;
  }
  HKEY release() {
    HKEY h = h_;
    h_ = nullptr;
    return h;
  }
  void reset(HKEY h = nullptr);

 private:
  HKEY h_ = nullptr;
};

HKEY RootHandle(RegRoot root);

// The KEY_WOW64_* flag that reaches a view (none for the program's own).
REGSAM ViewFlag(RegView view);

class Win32Registry : public Registry {
 public:
  Win32Registry();
  std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                       RegAccess access = RegAccess::Full,
                                       RegView view = RegView::Own) override;
  bool KeyExists(RegRoot root, const std::string& path, RegView view = RegView::Own) override;
  bool DeleteKey(RegRoot root, const std::string& path, RegView view = RegView::Own) override;
  bool HasTwoViews() const override { return two_views_; }
  RegView OwnView() const override {
    return sizeof(void*) == 8 ? RegView::Bits64 : RegView::Bits32;
  }

 private:
  bool two_views_;
};

}  // namespace orv
