#include "platform/win32/win32_registry.h"

#include <vector>

namespace orv {

namespace {

// Opens path below parent for reading. KEY_READ also asks for READ_CONTROL and KEY_NOTIFY,
// which some keys' rights withhold: reading needs only the queries and the listing, or one.
LONG OpenForReading(HKEY parent, const std::string& path, REGSAM view, ScopedHkey* key) {
  static const REGSAM kRights[] = {KEY_READ, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                                   KEY_ENUMERATE_SUB_KEYS, KEY_QUERY_VALUE};
  LONG rc = ERROR_ACCESS_DENIED;
  for (REGSAM rights : kRights) {
    rc = RegOpenKeyExA(parent, path.c_str(), 0, rights | view, key->receive());
    if (rc != ERROR_ACCESS_DENIED) break;
  }
  return rc;
}

bool IsPredefined(HKEY h) {
  return h == HKEY_CLASSES_ROOT || h == HKEY_CURRENT_USER || h == HKEY_LOCAL_MACHINE ||
         h == HKEY_USERS || h == HKEY_PERFORMANCE_DATA || h == HKEY_CURRENT_CONFIG ||
         h == HKEY_DYN_DATA;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// Opens path below parent for probing; "" is refused, so that it never names the parent itself.
bool CanOpen(HKEY parent, const std::string& path, REGSAM view) {
  std::string p = NormalizeKeyPath(path);
  if (p.empty()) return false;
  ScopedHkey key;
  return OpenForReading(parent, p, view, &key) == ERROR_SUCCESS;
}

// Calls enumerate(index, buffer, length) until ERROR_NO_MORE_ITEMS, growing the buffer when
// a name does not fit (value names reach 16383 characters).
template <typename F>
std::vector<std::string> Enumerate(F enumerate) {
  std::vector<std::string> names;
  std::vector<char> buf(512);
  for (DWORD i = 0;;) {
    DWORD len = static_cast<DWORD>(buf.size());
    LONG rc = enumerate(i, buf.data(), &len);
    if (rc == ERROR_MORE_DATA && buf.size() < 65536) {
      buf.resize(buf.size() * 2);
      continue;
    }
    if (rc != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS, or a key deleted meanwhile
    names.emplace_back(buf.data(), len);
    ++i;
  }
  return names;
}

std::vector<std::string> SubKeysOf(HKEY key) {
  // Key names are at most 255 characters: 510 bytes in code page 936.
  return Enumerate([key](DWORD i, char* buf, DWORD* len) {
    return RegEnumKeyExA(key, i, buf, len, nullptr, nullptr, nullptr, nullptr);
  });
}

// Deletes path with its sub-keys, depth first, every step in the one view: RegDeleteTreeA takes
// no view flag, and keys it opens below a handle would follow the program's own view.
LONG DeleteTreeInView(HKEY root, const std::string& path, REGSAM view) {
  std::vector<std::string> children;
  {
    ScopedHkey key;
    LONG rc = OpenForReading(root, path, view, &key);
    if (rc != ERROR_SUCCESS) return rc;
    children = SubKeysOf(key.get());
  }
  for (const auto& child : children) {
    LONG rc = DeleteTreeInView(root, path + "\\" + child, view);
    if (rc == ERROR_FILE_NOT_FOUND) continue;  // deleted meanwhile by someone else
    if (rc != ERROR_SUCCESS) return rc;
  }
  return RegDeleteKeyExA(root, path.c_str(), view, 0);
}

class Win32RegistryKey : public RegistryKey {
 public:
  Win32RegistryKey(ScopedHkey key, REGSAM view) : key_(std::move(key)), view_(view) {}

  bool QueryValue(const std::string& name, RegValue* out) const override {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      return false;
    // The size may grow between the calls (another process writing): ask again.
    std::string data;
    for (int attempt = 0; attempt < 8; ++attempt) {
      data.assign(size + 1, '\0');  // never an empty buffer: a null one would only ask the size
      DWORD got = size;
      LONG rc = RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(&data[0]), &got);
      if (rc == ERROR_SUCCESS) {
        data.resize(got);
        if (IsText(type) && !data.empty() && data.back() == '\0') data.pop_back();
        out->type = type;
        out->data = std::move(data);
        return true;
      }
      if (rc != ERROR_MORE_DATA) return false;
      size = got;
    }
    return false;
  }

  bool SetValue(const std::string& name, const RegValue& value) override {
    std::string bytes = value.data;
    if (IsText(value.type)) bytes += '\0';  // stored with its terminator, as Windows expects
    if (bytes.size() > MAXDWORD) return false;
    static const BYTE kNoData = 0;
    const BYTE* p = bytes.empty() ? &kNoData : reinterpret_cast<const BYTE*>(bytes.data());
    return RegSetValueExA(key_.get(), name.c_str(), 0, value.type, p,
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  }

  bool DeleteValue(const std::string& name) override {
    return RegDeleteValueA(key_.get(), name.c_str()) == ERROR_SUCCESS;
  }

  std::vector<std::string> SubKeyNames() const override { return SubKeysOf(key_.get()); }

  std::vector<std::string> ValueNames() const override {
    return Enumerate([this](DWORD i, char* buf, DWORD* len) {
      return RegEnumValueA(key_.get(), i, buf, len, nullptr, nullptr, nullptr, nullptr);
    });
  }

  // Windows redirects by the full path of the key: a sub-key is looked up in this key's view.
  bool HasSubKey(const std::string& name) const override {
    return CanOpen(key_.get(), name, view_);
  }

 private:
  ScopedHkey key_;
  REGSAM view_;
};

}  // namespace

void ScopedHkey::reset(HKEY h) {
  if (h_ && !IsPredefined(h_)) RegCloseKey(h_);
  h_ = h;
}

HKEY RootHandle(RegRoot root) {
  switch (root) {
    case RegRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
  }
  return HKEY_CURRENT_USER;
}

REGSAM ViewFlag(RegView view) {
  switch (view) {
    case RegView::Own:
      return 0;
    case RegView::Bits64:
      return KEY_WOW64_64KEY;
    case RegView::Bits32:
      return KEY_WOW64_32KEY;
  }
  return 0;
}

Win32Registry::Win32Registry() {
  // A 64-bit program runs only on 64-bit Windows; a 32-bit one there runs under WOW64.
  BOOL wow64 = FALSE;
  two_views_ = sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegRoot root, const std::string& path,
                                                    bool create, RegAccess access, RegView view) {
  const std::string p = NormalizeKeyPath(path);
  const REGSAM sam = (access == RegAccess::Full ? KEY_ALL_ACCESS : KEY_READ) | ViewFlag(view);
  ScopedHkey key;
  LONG rc;
  if (create && !p.empty()) {
    rc = RegCreateKeyExA(RootHandle(root), p.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, sam,
                         nullptr, key.receive(), nullptr);
  } else if (access == RegAccess::Read) {
    rc = OpenForReading(RootHandle(root), p, ViewFlag(view), &key);
  } else {
    rc = RegOpenKeyExA(RootHandle(root), p.c_str(), 0, sam, key.receive());
  }
  if (rc != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32RegistryKey>(std::move(key), ViewFlag(view));
}

bool Win32Registry::KeyExists(RegRoot root, const std::string& path, RegView view) {
  if (NormalizeKeyPath(path).empty()) return true;
  return CanOpen(RootHandle(root), path, ViewFlag(view));
}

bool Win32Registry::DeleteKey(RegRoot root, const std::string& path, RegView view) {
  const std::string p = NormalizeKeyPath(path);
  // An empty path would name the root itself.
  if (p.empty()) return false;
  return DeleteTreeInView(RootHandle(root), p, ViewFlag(view)) == ERROR_SUCCESS;
}

}  // namespace orv
