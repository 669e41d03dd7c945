#include "platform/registry.h"

#include <algorithm>
#include <cstring>

#include "base/ansi.h"
#include "base/errors.h"

namespace orv {

std::string NormalizeKeyPath(const std::string& path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

StoredPlace StoredPlaceOf(RegRoot root, const std::string& path, bool two_views, RegView view) {
  StoredPlace place{root == RegRoot::CurrentUser ? RegRoot::CurrentUser : RegRoot::LocalMachine,
                    NormalizeKeyPath(path)};
  if (root == RegRoot::ClassesRoot)
    place.path = place.path.empty() ? "SOFTWARE\\Classes" : "SOFTWARE\\Classes\\" + place.path;
  if (!two_views || view != RegView::Bits32 || place.root != RegRoot::LocalMachine) return place;
  // The names of the path, each with the position where it starts.
  std::vector<std::pair<size_t, std::string>> names;
  for (size_t start = 0; start <= place.path.size() && names.size() < 3;) {
    const size_t end = std::min(place.path.find('\\', start), place.path.size());
    names.emplace_back(start, place.path.substr(start, end - start));
    start = end + 1;
  }
  auto is = [&](size_t i, const char* name) {
    return i < names.size() && AnsiEqualsNoCase(names[i].second, name);
  };
  if (!is(0, "SOFTWARE") || is(1, "WOW6432Node")) return place;
  size_t insert_at = 1;
  if (is(1, "Classes")) {
    bool redirected = false;
    for (const char* key : {"CLSID", "Interface", "DirectShow", "Media Type", "MediaFoundation"})
      redirected = redirected || is(2, key);
    if (!redirected) return place;
    insert_at = 2;
  }
  if (insert_at >= names.size())
    place.path += "\\WOW6432Node";  // the 32-bit view's SOFTWARE key itself
  else
    place.path.insert(names[insert_at].first, "WOW6432Node\\");
  return place;
}

StoredPlace StoredPlaceOf(const Registry& registry, RegRoot root, const std::string& path,
                          RegView view) {
  return StoredPlaceOf(root, path, registry.HasTwoViews(),
                       view == RegView::Own ? registry.OwnView() : view);
}

std::vector<RegView> ExistingViews(const Registry& registry) {
  if (!registry.HasTwoViews()) return {registry.OwnView()};
  return {registry.OwnView(), OtherView(registry)};
}

RegView OtherView(const Registry& registry) {
  return registry.OwnView() == RegView::Bits64 ? RegView::Bits32 : RegView::Bits64;
}

namespace {
// Reads a value of fixed size and type with the storage rules' errors.
void ReadFixed(const RegistryKey* key, const std::string& name, uint32_t type, void* out,
               size_t size) {
  RegValue v;
  if (!key || !key->QueryValue(name, &v)) throw RegistryError::GetFailed(name);
  if (v.type != type) throw RegistryError::InvalidType(name);
  if (v.data.size() > size) throw RegistryError::GetFailed(name);
  if (v.data.size() < size) throw RegistryError::InvalidType(name);
  std::memcpy(out, v.data.data(), size);  // little-endian on every Windows target
}
}  // namespace

bool RegKey::ValueExists(const std::string& name) const {
  RegValue v;
  return Query(name, &v);
}

bool RegKey::Query(const std::string& name, RegValue* out) const {
  return key_ && key_->QueryValue(name, out);
}

std::string RegKey::ReadString(const std::string& name) const {
  RegValue v;
  if (!key_ || !key_->QueryValue(name, &v) || v.data.empty()) return std::string();
  if (v.type != kRegSz && v.type != kRegExpandSz) throw RegistryError::InvalidType(name);
  // Data written by other programs may carry its NUL terminator, or stop short of it.
  size_t nul = v.data.find('\0');
  if (nul != std::string::npos) v.data.resize(nul);
  return v.data;
}

int32_t RegKey::ReadInteger(const std::string& name) const {
  uint32_t u;
  ReadFixed(key_.get(), name, kRegDword, &u, sizeof u);
  return static_cast<int32_t>(u);
}

bool RegKey::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

double RegKey::ReadDateTime(const std::string& name) const {
  double d;
  ReadFixed(key_.get(), name, kRegBinary, &d, sizeof d);
  return d;
}

namespace {
void Write(RegistryKey* key, const std::string& name, uint32_t type, const void* data,
           size_t size) {
  RegValue v{type, std::string(static_cast<const char*>(data), size)};
  if (!key || !key->SetValue(name, v)) throw RegistryError::SetFailed(name);
}
}  // namespace

void RegKey::WriteString(const std::string& name, const std::string& value, bool expandable) {
  Write(key_.get(), name, expandable ? kRegExpandSz : kRegSz, value.data(), value.size());
}

void RegKey::WriteInteger(const std::string& name, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  Write(key_.get(), name, kRegDword, &u, sizeof u);
}

void RegKey::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void RegKey::WriteDateTime(const std::string& name, double value) {
  Write(key_.get(), name, kRegBinary, &value, sizeof value);
}

bool RegKey::DeleteValue(const std::string& name) { return key_ && key_->DeleteValue(name); }

std::vector<std::string> RegKey::SubKeyNames() const {
  return key_ ? key_->SubKeyNames() : std::vector<std::string>();
}

std::vector<std::string> RegKey::ValueNames() const {
  return key_ ? key_->ValueNames() : std::vector<std::string>();
}

bool RegKey::HasSubKey(const std::string& name) const { return key_ && key_->HasSubKey(name); }

}  // namespace orv
