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

bool HasKillBit(Registry& registry, const std::string& clsid) {
  auto key = registry.OpenKey(kRoot, KillBitKeyPath(clsid), false, RegAccess::Read);
  RegValue value;
  if (!key || !key->QueryValue(kCompatibilityFlags, &value)) return false;
  if (value.type != kRegDword || value.data.size() != sizeof(uint32_t)) return false;
  uint32_t flags;
  std::memcpy(&flags, value.data.data(), sizeof flags);
  return flags == kKillBitFlags;
}

void SetKillBit(Registry& registry, const std::string& clsid) {
  RegKey key = RegKey::Open(registry, kRoot, KillBitKeyPath(clsid), true);
  key.WriteInteger(kCompatibilityFlags, static_cast<int32_t>(kKillBitFlags));
}

bool ClearKillBit(Registry& registry, const std::string& clsid) {
  return registry.DeleteKey(kRoot, KillBitKeyPath(clsid));
}

}  // namespace orv
