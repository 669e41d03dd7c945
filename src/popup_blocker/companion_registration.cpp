#include "popup_blocker/companion_registration.h"

#include <cstdint>

namespace orv {

namespace {

constexpr RegRoot kRoot = RegRoot::LocalMachine;
const std::string kClasses = "Software\\Classes\\";

std::string ClassKey(const ComServer& server) {
  return kClasses + "CLSID\\" + server.class_id;
}
std::string HelperKey(const ComServer& server) {
  return std::string(kBrowserHelperObjectsKey) + "\\" + server.class_id;
}

RegValue Text(const std::string& text) { return RegValue{kRegSz, text}; }
RegValue Dword(uint32_t n) {
  return RegValue{kRegDword, std::string(reinterpret_cast<const char*>(&n), sizeof n)};
}

// The identifier keys of a server: the version-independent one first.
std::vector<std::string> ProgIdKeys(const ComServer& server) {
  std::vector<std::string> keys;
  if (server.prog_id) keys.push_back(kClasses + server.prog_id);
  if (server.current_prog_id) keys.push_back(kClasses + server.current_prog_id);
  return keys;
}

bool SameClassId(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool DeleteIfPresent(Registry& registry, const std::string& path) {
  if (!registry.KeyExists(kRoot, path)) return true;
  return registry.DeleteKey(kRoot, path) && !registry.KeyExists(kRoot, path);
}

}  // namespace

std::vector<RegistrationValue> RegistrationValues(const ComServer& server,
                                                  const std::string& module_path) {
  const std::string class_key = ClassKey(server);
  std::vector<RegistrationValue> values = {
      {kRoot, class_key, "", Text(server.description)},
      {kRoot, class_key + "\\InprocServer32", "", Text(module_path)},
      {kRoot, class_key + "\\InprocServer32", "ThreadingModel", Text("Apartment")},
      {kRoot, class_key + "\\Implemented Categories\\" + kAppContainerCompatibleCategory, "",
       RegValue{}},
  };
  if (server.prog_id) {
    const std::string current = server.current_prog_id ? server.current_prog_id : server.prog_id;
    values.push_back({kRoot, class_key + "\\ProgID", "", Text(current)});
    values.push_back({kRoot, class_key + "\\VersionIndependentProgID", "", Text(server.prog_id)});
    const std::string independent = kClasses + server.prog_id;
    values.push_back({kRoot, independent, "", Text(server.description)});
    values.push_back({kRoot, independent + "\\CLSID", "", Text(server.class_id)});
    if (server.current_prog_id) {
      values.push_back({kRoot, independent + "\\CurVer", "", Text(current)});
      const std::string versioned = kClasses + current;
      values.push_back({kRoot, versioned, "", Text(server.description)});
      values.push_back({kRoot, versioned + "\\CLSID", "", Text(server.class_id)});
    }
  }
  if (server.browser_helper) {
    values.push_back({kRoot, HelperKey(server), "", Text(server.description)});
    values.push_back({kRoot, HelperKey(server), "NoExplorer", Dword(1)});
  }
  return values;
}

bool RegisterComServer(Registry& registry, const ComServer& server,
                       const std::string& module_path) {
  for (const RegistrationValue& v : RegistrationValues(server, module_path)) {
    std::unique_ptr<RegistryKey> key = registry.OpenKey(v.root, v.key, true);
    if (!key || (v.value.type != kRegNone && !key->SetValue(v.name, v.value))) {
      UnregisterComServer(registry, server);
      return false;
    }
  }
  return true;
}

bool UnregisterComServer(Registry& registry, const ComServer& server) {
  bool gone = DeleteIfPresent(registry, ClassKey(server));
  if (server.browser_helper) gone = DeleteIfPresent(registry, HelperKey(server)) && gone;
  for (const std::string& path : ProgIdKeys(server)) {
    std::unique_ptr<RegistryKey> clsid = registry.OpenKey(kRoot, path + "\\CLSID", false,
                                                          RegAccess::Read);
    RegValue owner;
    if (clsid && clsid->QueryValue("", &owner) && !SameClassId(owner.data, server.class_id)) continue;
    clsid.reset();
    gone = DeleteIfPresent(registry, path) && gone;
  }
  return gone;
}

}  // namespace orv
