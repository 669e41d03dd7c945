#include "platform/registry.h"

#include <cstring>

#include "base/errors.h"

namespace orv {

bool RegKey::ValueExists(const std::string& name) const {
  RegValue v;
  return key_->QueryValue(name, &v);
}

std::string RegKey::ReadString(const std::string& name) const {
  RegValue v;
  if (!key_->QueryValue(name, &v)) return std::string();
  if (v.type != kRegSz && v.type != kRegExpandSz) throw RegistryError::InvalidType(name);
  // Data written by other programs may carry its NUL terminator, or stop short of it.
  size_t nul = v.data.find('\0');
  if (nul != std::string::npos) v.data.resize(nul);
  return v.data;
}

int32_t RegKey::ReadInteger(const std::string& name) const {
  RegValue v;
  if (!key_->QueryValue(name, &v)) throw RegistryError::GetFailed(name);
  if (v.type != kRegDword) throw RegistryError::InvalidType(name);
  if (v.data.size() != 4) throw RegistryError::GetFailed(name);
  uint32_t u;
  std::memcpy(&u, v.data.data(), 4);  // little-endian on every Windows target
  return static_cast<int32_t>(u);
}

bool RegKey::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

double RegKey::ReadDateTime(const std::string& name) const {
  RegValue v;
  if (!key_->QueryValue(name, &v)) throw RegistryError::GetFailed(name);
  if (v.type != kRegBinary) throw RegistryError::InvalidType(name);
  if (v.data.size() != sizeof(double)) throw RegistryError::GetFailed(name);
  double d;
  std::memcpy(&d, v.data.data(), sizeof d);
  return d;
}

void RegKey::WriteString(const std::string& name, const std::string& value) {
  if (!key_->SetValue(name, RegValue{kRegSz, value})) throw RegistryError::SetFailed(name);
}

void RegKey::WriteInteger(const std::string& name, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  std::string bytes(4, '\0');
  std::memcpy(&bytes[0], &u, 4);
  if (!key_->SetValue(name, RegValue{kRegDword, bytes})) throw RegistryError::SetFailed(name);
}

void RegKey::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void RegKey::WriteDateTime(const std::string& name, double value) {
  std::string bytes(sizeof value, '\0');
  std::memcpy(&bytes[0], &value, sizeof value);
  if (!key_->SetValue(name, RegValue{kRegBinary, bytes})) throw RegistryError::SetFailed(name);
}

bool RegKey::DeleteValue(const std::string& name) { return key_->DeleteValue(name); }
std::vector<std::string> RegKey::SubKeyNames() const { return key_->SubKeyNames(); }
std::vector<std::string> RegKey::ValueNames() const { return key_->ValueNames(); }
bool RegKey::HasSubKey(const std::string& name) const { return key_->HasSubKey(name); }

}  // namespace orv
