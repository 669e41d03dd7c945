#include "shell/startup_integration.h"

#include "shell/settings.h"

namespace orv {

namespace {

RegKey OpenRunKey(Registry& registry, RegRoot root, bool create = false) {
  return RegKey::Open(registry, root, kRunKeyPath, create);
}

// The start-up value as stored under root's Run key; "" when missing or not text.
std::string StartupValueIn(Registry& registry, RegRoot root) {
  RegKey key = RegKey::Open(registry, root, kRunKeyPath, false, RegAccess::Read);
  RegValue value;
  if (!key.Query(kRunValueName, &value) || (value.type != kRegSz && value.type != kRegExpandSz))
    return "";
  return value.data.substr(0, value.data.find('\0'));
}

bool HasStartupValueIn(Registry& registry, RegRoot root) {
  return RegKey::Open(registry, root, kRunKeyPath, false, RegAccess::Read).ValueExists(kRunValueName);
}

RegKey OpenClassIds(Registry& registry) {
  return RegKey::Open(registry, RegRoot::ClassesRoot, kClassIdKeyPath, false);
}

void WriteMenuExtKey(Registry& registry, const char* path, const std::string& page,
                     int32_t contexts) {
  RegKey key = RegKey::Open(registry, kMenuExtRoot, path, true);
  if (!key) return;
  key.WriteString("", page);  // the key's default value
  key.WriteInteger(kMenuExtContextsValue, contexts);
}

void RemoveKeyIfPresent(Registry& registry, const char* path) {
  if (registry.KeyExists(kMenuExtRoot, path)) registry.DeleteKey(kMenuExtRoot, path);
}

std::string QuotedLibraryPath(const SiblingLibrary& library, const std::string& program_folder) {
  return "\"" + program_folder + library.file_name + "\"";
}

void RunRegSvr32(Shell& shell, const std::string& parameters) {
  shell.Execute("open", kRegSvr32, parameters, ShowCommand::Hide);
}

void RegisterIfMissing(Registry& registry, Shell& shell, const SiblingLibrary& library,
                       const std::string& program_folder) {
  RegKey class_ids = OpenClassIds(registry);
  if (class_ids && !class_ids.HasSubKey(library.class_id))
    RunRegSvr32(shell, RegisterParameters(library, program_folder));
}

void UnregisterIfPresent(Registry& registry, Shell& shell, const SiblingLibrary& library,
                         const std::string& program_folder) {
  RegKey class_ids = OpenClassIds(registry);
  if (class_ids && class_ids.HasSubKey(library.class_id))
    RunRegSvr32(shell, UnregisterParameters(library, program_folder));
}

}  // namespace

bool InstallerRegisteredLibraries(Registry& registry) {
  RegKey key = RegKey::Open(registry, kInstallerMarkRoot, kInstallerMarkKey, false, RegAccess::Read);
  RegValue mark;
  if (!key || !key.Query(kInstallerMarkValue, &mark) || mark.type != kRegDword) return false;
  return mark.data.find_first_not_of('\0') != std::string::npos;
}

void WriteStartupValue(Registry& registry, const std::string& exe_path) {
  if (RegKey machine = OpenRunKey(registry, kRunRoot)) {
    machine.WriteString(kRunValueName, exe_path);
    if (RegKey user = OpenRunKey(registry, kUserRunRoot)) user.DeleteValue(kRunValueName);
    return;
  }
  if (StartupValueIn(registry, kRunRoot) == exe_path) return;
  // The user's own Run key exists on every profile Windows makes; a missing one is made.
  if (RegKey user = OpenRunKey(registry, kUserRunRoot, true))
    user.WriteString(kRunValueName, exe_path);
}

bool DeleteStartupValue(Registry& registry) {
  bool gone = true;
  for (RegRoot root : {kRunRoot, kUserRunRoot}) {
    if (RegKey key = OpenRunKey(registry, root)) key.DeleteValue(kRunValueName);
    if (HasStartupValueIn(registry, root)) gone = false;
  }
  return gone;
}

void WriteContextMenuKeys(Registry& registry, const std::string& program_folder) {
  WriteMenuExtKey(registry, kMenuExtCurrentPageKey, program_folder + kMenuExtCurrentPageFile,
                  kMenuExtCurrentPageContexts);
  WriteMenuExtKey(registry, kMenuExtLinkKey, program_folder + kMenuExtLinkFile,
                  kMenuExtLinkContexts);
}

void RemoveContextMenuKeys(Registry& registry) {
  RemoveKeyIfPresent(registry, kMenuExtCurrentPageKey);
  RemoveKeyIfPresent(registry, kMenuExtLinkKey);
}

std::string RegisterParameters(const SiblingLibrary& library, const std::string& program_folder) {
  return "/s " + QuotedLibraryPath(library, program_folder);
}

std::string UnregisterParameters(const SiblingLibrary& library,
                                 const std::string& program_folder) {
  return UnregisterFileParameters(program_folder + library.file_name);
}

std::string UnregisterFileParameters(const std::string& library_path) {
  return "/s /u \"" + library_path + "\"";
}

void RegisterSiblingLibraries(Registry& registry, Shell& shell,
                              const std::string& program_folder) {
  bool allow_ie_menu = false;
  {
    RegKey key = settings::OpenKey(registry);
    // InitSettings has written AllowIEMenu; a missing or mistyped value is an error.
    if (key) allow_ie_menu = key.ReadBool(settings::kAllowIEMenu);
  }
  RegisterIfMissing(registry, shell, kSelmontLibrary, program_folder);
  if (allow_ie_menu) RegisterIfMissing(registry, shell, kDarrowinLibrary, program_folder);
}

void UnregisterSiblingLibraries(Registry& registry, Shell& shell,
                                const std::string& program_folder) {
  if (InstallerRegisteredLibraries(registry)) return;
  UnregisterIfPresent(registry, shell, kSelmontLibrary, program_folder);
  UnregisterIfPresent(registry, shell, kDarrowinLibrary, program_folder);
}

}  // namespace orv
