#pragma once
// Small owners for COM resources: the apartment of a thread, interface pointers, BSTRs and
// VARIANTs. Each releases what it holds when it goes out of scope.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace orv {

// One CoInitialize for the calling thread, undone on destruction when it succeeded. The UI thread
// (and a test main) owns one for as long as it uses COM objects.
class ComApartment {
 public:
  ComApartment() : result_(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // S_FALSE (already initialised on this thread) counts as success and is balanced as well.
  bool ok() const { return SUCCEEDED(result_); }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// Owns one reference to an interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  // For out-parameters: releases the current reference and hands out the slot.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

 private:
  T* p_ = nullptr;
};

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : s_(SysAllocString(text)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(s_); }

  BSTR get() const { return s_; }
  BSTR* Put() {
    SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  // Length in UTF-16 units; a null BSTR is the empty string.
  UINT length() const { return SysStringLen(s_); }

 private:
  BSTR s_ = nullptr;
};

// Owns one VARIANT, cleared on destruction.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  explicit Variant(LONG value) {
    VariantInit(&v_);
    v_.vt = VT_I4;
    v_.lVal = value;
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v_); }

  const VARIANT& get() const { return v_; }
  VARIANT* Put() {
    VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// The system's message text for a failure code, trimmed of its line end; "OLE error XXXXXXXX"
// when the system has none.
std::string ComErrorText(HRESULT hr);

// Raises AutomationError with ComErrorText(hr) when hr is a failure.
void CheckAutomation(HRESULT hr);

// A UTF-16 text in the ANSI code page (unconvertible characters become the default character).
std::string WideToAnsi(const wchar_t* text, int length);
// The same without loss: false (and "" in *out) when a character has no place in the ANSI code
// page (it would become "?", a wildcard in a list) or would only be replaced by a look-alike.
bool WideToAnsiExactly(const wchar_t* text, int length, std::string* out);
// An ANSI code page text in UTF-16.
std::wstring AnsiToWide(const std::string& text);

}  // namespace orv
