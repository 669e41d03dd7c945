#include "maintenance/kill_bits.h"

#include <cstring>

#include "base/errors.h"

namespace orv {

namespace {
constexpr RegRoot kRoot = RegRoot::LocalMachine;
constexpr char kCompatibilityPath[] =
    "\\SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{";
}  // namespace

std::string KillBitKeyPath(const std::string& clsid) {
  return kCompatibilityPath + clsid + "}";
}

namespace {
bool HasKillBitIn(Registry& registry, const std::string& path, RegView view) {
  auto key = registry.OpenKey(kRoot, path, false, RegAccess::Read, view);
  RegValue value;
  if (!key || !key->QueryValue(kCompatibilityFlags, &value)) return false;
  if (value.type != kRegDword || value.data.size() != sizeof(uint32_t)) return false;
  uint32_t flags;
  std::memcpy(&flags, value.data.data(), sizeof flags);
  return flags == kKillBitFlags;
}
}  // namespace

bool HasKillBit(Registry& registry, const std::string& clsid) {
  const std::string path = KillBitKeyPath(clsid);
  for (RegView view : ExistingViews(registry))
    if (!HasKillBitIn(registry, path, view)) return false;
  return true;
}

void SetKillBit(Registry& registry, const std::string& clsid) {
  const std::string path = KillBitKeyPath(clsid);
  for (RegView view : ExistingViews(registry)) {
    RegKey key = RegKey::Open(registry, kRoot, path, true, RegAccess::Full, view);
    key.WriteInteger(kCompatibilityFlags, static_cast<int32_t>(kKillBitFlags));
  }
}

bool ClearKillBit(Registry& registry, const std::string& clsid) {
  const std::string path = KillBitKeyPath(clsid);
  bool removed = false;
  for (RegView view : ExistingViews(registry))
    if (registry.DeleteKey(kRoot, path, view)) removed = true;
  return removed;
}

void BackUpKillBitKey(Registry& registry, const std::string& clsid, RegistryBackup* backup) {
  const std::string path = KillBitKeyPath(clsid);
  for (RegView view : ExistingViews(registry)) backup->AddKey(kRoot, path, view);
}

bool KillBitKeyExists(Registry& registry, const std::string& clsid) {
  const std::string path = KillBitKeyPath(clsid);
  for (RegView view : ExistingViews(registry))
    if (registry.KeyExists(kRoot, path, view)) return true;
  return false;
}

}  // namespace orv
