#pragma once
// Owners for the GDI and USER handles the window layer creates.
#include <windows.h>

#include <utility>

namespace orv::win32 {

// A pen, brush, font or bitmap the program created; deleted once.
template <typename Handle>
class UniqueGdiObject {
 public:
  UniqueGdiObject() = default;
  explicit UniqueGdiObject(Handle h) : h_(h) {}
  UniqueGdiObject(UniqueGdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueGdiObject& operator=(UniqueGdiObject&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  UniqueGdiObject(const UniqueGdiObject&) = delete;
  UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;
  ~UniqueGdiObject() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(Handle h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }

 private:
  Handle h_ = nullptr;
};

using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;

// An icon loaded without LR_SHARED (shared icons must not be destroyed).
class UniqueIcon {
 public:
  UniqueIcon() = default;
  explicit UniqueIcon(HICON h) : h_(h) {}
  UniqueIcon(UniqueIcon&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueIcon& operator=(UniqueIcon&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  UniqueIcon(const UniqueIcon&) = delete;
  UniqueIcon& operator=(const UniqueIcon&) = delete;
  ~UniqueIcon() { reset(); }
  HICON get() const { return h_; }
  void reset(HICON h = nullptr) {
    if (h_) DestroyIcon(h_);
    h_ = h;
  }

 private:
  HICON h_ = nullptr;
};

// A menu not attached to a window (a popup menu); destroying it destroys its sub-menus.
class UniqueMenu {
 public:
  UniqueMenu() = default;
  explicit UniqueMenu(HMENU h) : h_(h) {}
  UniqueMenu(UniqueMenu&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueMenu& operator=(UniqueMenu&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  UniqueMenu(const UniqueMenu&) = delete;
  UniqueMenu& operator=(const UniqueMenu&) = delete;
  ~UniqueMenu() { reset(); }
  HMENU get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(HMENU h = nullptr) {
    if (h_) DestroyMenu(h_);
    h_ = h;
  }

 private:
  HMENU h_ = nullptr;
};

// Selects an object into a device context for one scope and puts the old one back.
class SelectInScope {
 public:
  SelectInScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectInScope(const SelectInScope&) = delete;
  SelectInScope& operator=(const SelectInScope&) = delete;
  ~SelectInScope() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace orv::win32
