#pragma once
// ActiveX kill bits: the value "Compatibility Flags" = 0x400 in the control's key under
// HKEY_LOCAL_MACHINE ...\Internet Explorer\ActiveX Compatibility stops the browser from making
// the control. Exactly 0x400 counts as set; other flags (0x401 among them) do not.
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace orv {

inline constexpr char kCompatibilityFlags[] = "Compatibility Flags";
inline constexpr uint32_t kKillBitFlags = 0x400;

// "\SOFTWARE\Microsoft\Internet Explorer\ActiveX Compatibility\{" + clsid + "}".
std::string KillBitKeyPath(const std::string& clsid);

// Whether the control's key holds the DWORD 0x400; a missing key or value, or a value of
// another type or size, is no kill bit.
bool HasKillBit(Registry& registry, const std::string& clsid);
// Creates the key when absent and writes 0x400 over whatever flags were there. Raises
// RegistryError "Failed to set data for 'Compatibility Flags'" when the key cannot be opened
// or written (no administrator rights).
void SetKillBit(Registry& registry, const std::string& clsid);
// Deletes the control's whole key (every value in it goes too); false when there was none or
// it could not be deleted.
bool ClearKillBit(Registry& registry, const std::string& clsid);

}  // namespace orv
