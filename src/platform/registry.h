#pragma once
// The Windows registry as the logic sees it: a raw key interface (implemented over advapi32
// and in memory) and RegKey, which applies the program's storage rules on top of it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

enum class RegRoot { CurrentUser, LocalMachine, ClassesRoot };
enum class RegAccess { Full, Read };

// The registry views of 64-bit Windows. There HKEY_LOCAL_MACHINE\SOFTWARE (with the class keys
// of HKEY_CLASSES_ROOT such as CLSID) exists twice: once for 64-bit programs and once for 32-bit
// ones; HKEY_CURRENT_USER is one for both. A program reaches its own view unless it names the
// other. On 32-bit Windows there is one view and every view names it.
enum class RegView { Own, Bits64, Bits32 };

// Value types, numbered as the registry numbers them.
enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// A value's type and its bytes. For kRegSz and kRegExpandSz the bytes are the ANSI text
// without the terminating NUL.
struct RegValue {
  uint32_t type = kRegNone;
  std::string data;
};

// One open key. Value and sub-key names match without regard to case, as Windows matches them:
// the letters A-Z and the case pairs code page 936 holds (full-width Latin, Greek, Cyrillic).
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // False when the value does not exist or cannot be read.
  virtual bool QueryValue(const std::string& name, RegValue* out) const = 0;
  // False when the value cannot be written (a key opened for reading, denied access).
  virtual bool SetValue(const std::string& name, const RegValue& value) = 0;
  virtual bool DeleteValue(const std::string& name) = 0;
  // Names in the registry's enumeration order. Sub-keys come sorted without regard to case.
  // Values come in the order they were created on Windows but sorted by name under Wine:
  // nothing may depend on the order of values. The unnamed default value, when set, is "".
  virtual std::vector<std::string> SubKeyNames() const = 0;
  virtual std::vector<std::string> ValueNames() const = 0;
  // Whether the sub-key (or relative path) below this key exists and can be read.
  virtual bool HasSubKey(const std::string& name) const = 0;
};

// Paths are relative to the root and separated by backslashes; a leading backslash (an absolute
// path) and doubled or trailing backslashes are ignored (see NormalizeKeyPath).
class Registry {
 public:
  virtual ~Registry() = default;
  // Opens root\path ("" is the root itself) in the given view; creates missing keys along the
  // path when create is set. Returns nullptr when the key is missing (without create) or access
  // is refused. Keys below an open key (HasSubKey) are looked up in the view it was opened in.
  // Full access without create opens an existing key for writing and creates nothing.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                               RegAccess access = RegAccess::Full,
                                               RegView view = RegView::Own) = 0;
  // Whether the key exists and can be opened for reading.
  virtual bool KeyExists(RegRoot root, const std::string& path, RegView view = RegView::Own) = 0;
  // Deletes the key with every key and value below it, in the given view only. False when it
  // could not (a key below it that may not be deleted stops the deletion there). A root itself
  // is never deleted.
  virtual bool DeleteKey(RegRoot root, const std::string& path, RegView view = RegView::Own) = 0;
  // Whether the machine has the two views (64-bit Windows), and which of them is the program's
  // own: Bits32 or Bits64, never Own. On a machine with one view it is Bits32.
  virtual bool HasTwoViews() const = 0;
  virtual RegView OwnView() const = 0;
};

// Every view the machine has, the program's own first: {own} or {own, other}, each Bits32 or
// Bits64. A page that covers both views walks this list.
std::vector<RegView> ExistingViews(const Registry& registry);
// The view that is not the program's own, on a machine with two views.
RegView OtherView(const Registry& registry);

// Where a key is stored, named as the 64-bit view (and the Registry Editor of 64-bit Windows)
// names it: HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes, and on a machine with two
// views the 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE\X is SOFTWARE\WOW6432Node\X, of the class
// keys with a view of their own (CLSID, Interface, DirectShow, Media Type, MediaFoundation)
// SOFTWARE\Classes\WOW6432Node\<key>\...; SOFTWARE\Classes itself and HKEY_CURRENT_USER are one
// for both views. root is CurrentUser or LocalMachine; path is normalised.
struct StoredPlace {
  RegRoot root;
  std::string path;
};
StoredPlace StoredPlaceOf(RegRoot root, const std::string& path, bool two_views, RegView view);
// The same for a view of this machine (Own is the program's own view).
StoredPlace StoredPlaceOf(const Registry& registry, RegRoot root, const std::string& path,
                          RegView view);

// The path without leading, trailing or doubled backslashes (\A\\B\ gives A\B). An empty
// result names the root itself.
std::string NormalizeKeyPath(const std::string& path);

// An open key with the storage rules: text is REG_SZ and reads empty when missing; switches
// and integers are REG_DWORD (any non-zero reads true); a date-time is REG_BINARY of exactly
// 8 bytes holding a double of days since 30 December 1899, local time (base/datetime.h).
// Errors (RegistryError, with the value name):
//   "Failed to get data for '%s'": a number or date-time that is missing, or longer than its
//     type holds (the registry cannot fill the reader's buffer);
//   "Invalid data type for '%s'": a value of another type (text: any type but REG_SZ and
//     REG_EXPAND_SZ that holds data; a value without data reads as empty text), or a number or
//     date-time shorter than its type;
//   "Failed to set data for '%s'": any write the registry refuses.
// An empty RegKey (a key that could not be opened) reads as if it had no values and fails
// every write.
class RegKey {
 public:
  explicit RegKey(std::unique_ptr<RegistryKey> key) : key_(std::move(key)) {}

  // Opens a key; the result is empty (false) when it could not be opened.
  static RegKey Open(Registry& reg, RegRoot root, const std::string& path, bool create,
                     RegAccess access = RegAccess::Full, RegView view = RegView::Own) {
    return RegKey(reg.OpenKey(root, path, create, access, view));
  }

  explicit operator bool() const { return key_ != nullptr; }

  bool ValueExists(const std::string& name) const;
  // The value as stored, with its type; false when it is missing.
  bool Query(const std::string& name, RegValue* out) const;
  // Text up to its first NUL, environment references left unexpanded.
  std::string ReadString(const std::string& name) const;
  bool ReadBool(const std::string& name) const;
  int32_t ReadInteger(const std::string& name) const;
  double ReadDateTime(const std::string& name) const;

  // An expandable string (REG_EXPAND_SZ) keeps its environment references for the reader.
  void WriteString(const std::string& name, const std::string& value, bool expandable = false);
  void WriteBool(const std::string& name, bool value);
  void WriteInteger(const std::string& name, int32_t value);
  void WriteDateTime(const std::string& name, double value);

  bool DeleteValue(const std::string& name);
  std::vector<std::string> SubKeyNames() const;
  std::vector<std::string> ValueNames() const;
  bool HasSubKey(const std::string& name) const;

  RegistryKey* raw() const { return key_.get(); }
  void Close() { key_.reset(); }

 private:
  std::unique_ptr<RegistryKey> key_;
};

}  // namespace orv
