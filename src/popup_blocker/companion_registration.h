#pragma once
// The registry entries of the two companion COM servers, written by their DllRegisterServer and
// removed by DllUnregisterServer (RegSvr32 calls them while the program runs). Class keys go
// below HKEY_LOCAL_MACHINE "Software\Classes", which HKEY_CLASSES_ROOT shows; in a 32-bit
// library on 64-bit Windows each key lands in the 32-bit view, where the 32-bit browser and
// the program look.
#include <string>
#include <vector>

#include "platform/registry.h"
#include "shell/startup_integration.h"

namespace orv {

struct ComServer {
  const char* class_id;         // "{...}"
  const char* description;      // default value of the class key (what inventories show)
  const char* prog_id;          // version-independent programmatic identifier, or nullptr
  const char* current_prog_id;  // the versioned one it points to (CurVer), or nullptr
  bool browser_helper;          // listed as a browser helper object, which Explorer skips
};

inline constexpr char kBlackListProgId[] = "Orvanel.BlackList";

// "Selmont.dll": the helper object in every browser window.
inline constexpr ComServer kSelmontServer{kSelmontLibrary.class_id, "Orvanel Browser Helper",
                                          nullptr, nullptr, true};
// "Darrowin.dll": the black-list object the context-menu pages script.
inline constexpr ComServer kDarrowinServer{kDarrowinLibrary.class_id, "Orvanel Black List",
                                           kBlackListProgId, "Orvanel.BlackList.1", false};

// The component category of add-ons that Internet Explorer 10 and 11 load into tabs running in
// Enhanced Protected Mode (an AppContainer, 64-bit on 64-bit Windows): a key below the class's
// "Implemented Categories".
inline constexpr char kAppContainerCompatibleCategory[] = "{59FB2056-D625-48D0-A944-1A85B5AB2640}";

inline constexpr char kBrowserHelperObjectsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";

struct RegistrationValue {
  RegRoot root;
  std::string key;   // below root
  std::string name;  // "" for the key's default value
  RegValue value;    // of type kRegNone: the key alone, without a value
};

// Every value the registration writes, parents before children. The class key holds the
// description, InprocServer32 the library's full path and ThreadingModel "Apartment", and
// "Implemented Categories" the AppContainer-compatible category (a key alone); a server
// with a programmatic identifier adds its ProgID and VersionIndependentProgID keys and the two
// identifier keys (each with CLSID; the version-independent one with CurVer); a helper object
// adds its key below kBrowserHelperObjectsKey with NoExplorer = 1.
std::vector<RegistrationValue> RegistrationValues(const ComServer& server,
                                                  const std::string& module_path);

// Writes them all. On a failure removes what was written (UnregisterComServer) and returns
// false.
bool RegisterComServer(Registry& registry, const ComServer& server,
                       const std::string& module_path);

// Removes the class key and the helper-object key with everything below them, and each
// identifier key whose CLSID is this server's (or that has none): an identifier taken over by
// another class since stays. True when none of them is left.
bool UnregisterComServer(Registry& registry, const ComServer& server);

}  // namespace orv
