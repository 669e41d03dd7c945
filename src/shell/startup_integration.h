#pragma once
// How the program hooks itself into the system: the start-up value under a Run key, the two
// entries of Internet Explorer's context menu, and the registration of the two sibling COM
// libraries while the program runs. Keys that cannot be opened are skipped silently; RegSvr32
// is started hidden and neither waited for nor examined.
#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "platform/shell.h"

namespace orv {

// Start-up value: under the machine's Run key (opened with full access, never created), which
// starts the program for every user; a session without elevation cannot open that key so, and
// puts the same value under the user's own Run key (same path below HKEY_CURRENT_USER).
inline constexpr RegRoot kRunRoot = RegRoot::LocalMachine;
inline constexpr RegRoot kUserRunRoot = RegRoot::CurrentUser;
inline constexpr char kRunKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValueName[] = "TavroselOrvanel";

// Context-menu keys under HKEY_CURRENT_USER; the last part of each name is the menu text.
inline constexpr RegRoot kMenuExtRoot = RegRoot::CurrentUser;
inline constexpr char kMenuExtCurrentPageKey[] =
    "Software\\Microsoft\\Internet Explorer\\MenuExt\\当前页面加入黑名单";
inline constexpr char kMenuExtLinkKey[] =
    "Software\\Microsoft\\Internet Explorer\\MenuExt\\加入黑名单";
inline constexpr char kMenuExtCurrentPageFile[] = "GetCurrent.htm";
inline constexpr char kMenuExtLinkFile[] = "GetLink.htm";
inline constexpr char kMenuExtContextsValue[] = "Contexts";
// The browser's bit set of menu kinds offering the entry: page, image, selection, link and
// kinds 6 and 7 for the current page; image and link for a link.
inline constexpr int32_t kMenuExtCurrentPageContexts = 0xF3;
inline constexpr int32_t kMenuExtLinkContexts = 0x22;

// The sibling libraries and their class identifiers, sub-keys of HKEY_CLASSES_ROOT "CLSID"
// while a library is registered.
struct SiblingLibrary {
  const char* file_name;
  const char* class_id;
};
inline constexpr SiblingLibrary kSelmontLibrary{"Selmont.dll",
                                                "{6B1E93D2-4F0A-4C57-9E38-2D7A5C1F0B64}"};
inline constexpr SiblingLibrary kDarrowinLibrary{"Darrowin.dll",
                                                 "{C4D2A871-0B5E-4F93-8A16-7E5B3D90F2C8}"};
inline constexpr char kClassIdKeyPath[] = "CLSID";
inline constexpr char kRegSvr32[] = "RegSvr32.exe";

// The installer's mark, written where the program of its bitness reads HKEY_LOCAL_MACHINE: the
// installer (elevated) registered both libraries machine-wide and unregisters them when it
// uninstalls. A REG_DWORD that is not 0.
inline constexpr RegRoot kInstallerMarkRoot = RegRoot::LocalMachine;
inline constexpr char kInstallerMarkKey[] = "Software\\Tavrosel\\Orvanel";
inline constexpr char kInstallerMarkValue[] = "LibrariesRegistered";

// Whether the installer's mark is there (a value of another type counts as no mark).
bool InstallerRegisteredLibraries(Registry& registry);

// The start-up value holds the executable's full path, without quotes or arguments. Written
// under the machine's Run key where it can be opened with full access (a copy under the user's
// key goes: one start, one entry); otherwise under the user's key, unless the machine's already
// starts this executable.
void WriteStartupValue(Registry& registry, const std::string& exe_path);
// Deletes the value from both Run keys, where it can. False when a value is left that could not
// be deleted (the machine's, without elevation): the program still starts with Windows.
bool DeleteStartupValue(Registry& registry);

// Writes both context-menu keys (creating them), each pointing at its page in the program
// folder. Raises RegistryError when a value of an opened key cannot be written.
void WriteContextMenuKeys(Registry& registry, const std::string& program_folder);
// Deletes each context-menu key that exists.
void RemoveContextMenuKeys(Registry& registry);

// RegSvr32 parameters: the library by its full path in the program folder, quoted, so that
// neither the current directory nor the library search decides which file is registered.
std::string RegisterParameters(const SiblingLibrary& library, const std::string& program_folder);
std::string UnregisterParameters(const SiblingLibrary& library, const std::string& program_folder);
// The same for any library, by its full path.
std::string UnregisterFileParameters(const std::string& library_path);

// Registers "Selmont.dll" when its class identifier is missing, and "Darrowin.dll" when
// AllowIEMenu is on and its class identifier is missing. Raises RegistryError when AllowIEMenu
// is missing or not a number.
void RegisterSiblingLibraries(Registry& registry, Shell& shell, const std::string& program_folder);
// Unregisters each library whose class identifier exists, unless the installer registered them
// (InstallerRegisteredLibraries): an elevated run must never leave later runs, which cannot
// register them again, without the browser side.
void UnregisterSiblingLibraries(Registry& registry, Shell& shell,
                                const std::string& program_folder);

}  // namespace orv
