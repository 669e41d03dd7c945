#pragma once
// ActiveX kill bits: the value "Compatibility Flags" = 0x400 in the control's key under
// HKEY_LOCAL_MACHINE ...\Internet Explorer\ActiveX Compatibility stops the browser from making
// the control. Exactly 0x400 counts as set; other flags (0x401 among them) do not.
// On 64-bit Windows a 32-bit and a 64-bit browser read their kill bits from different registry
// views of that key, so each operation here covers every view the machine has.
#include <cstdint>
#include <string>

#include "maintenance/registry_backup.h"
#include "platform/registry.h"

namespace orv {

inline constexpr char kCompatibilityFlags[] = "Compatibility Flags";
inline constexpr uint32_t kKillBitFlags = 0x400;

// "\SOFTWARE\Microsoft\Internet Explorer\ActiveX Compatibility\{" + clsid + "}".
std::string KillBitKeyPath(const std::string& clsid);

// Whether the control's key holds the DWORD 0x400 in every view; a missing key or value, or a
// value of another type or size, in any view is no kill bit.
bool HasKillBit(Registry& registry, const std::string& clsid);
// In each view, the program's own first: creates the key when absent and writes 0x400 over
// whatever flags were there. Raises RegistryError "Failed to set data for 'Compatibility
// Flags'" at the first view whose key cannot be opened or written (no administrator rights).
void SetKillBit(Registry& registry, const std::string& clsid);
// Deletes the control's whole key (every value in it goes too) in each view; true when it was
// removed from any.
bool ClearKillBit(Registry& registry, const std::string& clsid);
// Adds to the backup what ClearKillBit would delete: the control's key of each view.
void BackUpKillBitKey(Registry& registry, const std::string& clsid, RegistryBackup* backup);
// Whether the control's key is still there in any view (a delete without the rights leaves it).
bool KillBitKeyExists(Registry& registry, const std::string& clsid);

}  // namespace orv
