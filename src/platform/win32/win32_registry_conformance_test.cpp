// The shared registry suite against the real registry (run under Wine or on Windows). Every
// test works below its own key HKEY_CURRENT_USER\Software\Tavrosel\OrvanelTest\<unique> (and,
// for the views, HKEY_LOCAL_MACHINE\SOFTWARE\Tavrosel\OrvanelTest\<unique> and
// HKEY_CLASSES_ROOT\CLSID\OrvanelTest-<unique> in both views) and removes them afterwards,
// giving back the original rights of any key it made read-only.
#include <windows.h>

#include <sddl.h>

#include <utility>
#include <vector>

#include "platform/registry_conformance.h"
#include "platform/win32/win32_registry.h"

namespace orv {

namespace {
constexpr char kTestParent[] = "Software\\Tavrosel\\OrvanelTest";
// Everyone may read; administrators and the system may only read and change the rights.
constexpr char kReadOnlySddl[] = "D:P(A;;KR;;;WD)(A;;RCWD;;;BA)(A;;RCWD;;;SY)";
// Everyone may only query values (0x1) and list sub-keys (0x8): no READ_CONTROL, no KEY_NOTIFY.
constexpr char kQueryOnlySddl[] = "D:P(A;;0x9;;;WD)(A;;WD;;;BA)(A;;WD;;;SY)";

class Win32RegistryTestBed : public RegistryTestBed {
 public:
  Win32RegistryTestBed() {
    static int counter = 0;
    const std::string unique = std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
    scratch_ = std::string(kTestParent) + "\\" + unique;
    machine_scratch_ = std::string("SOFTWARE\\Tavrosel\\OrvanelTest\\") + unique;
    class_scratch_ = std::string("OrvanelTest-") + unique;
    reg_.DeleteKey(RegRoot::CurrentUser, scratch_);
    reg_.OpenKey(RegRoot::CurrentUser, scratch_, true);
    RemoveMachineKeys();
  }

  ~Win32RegistryTestBed() override {
    for (auto it = locked_.rbegin(); it != locked_.rend(); ++it) {
      ScopedHkey key;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, it->first.c_str(), 0, WRITE_DAC, key.receive()) ==
          ERROR_SUCCESS)
        RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, it->second.data());
    }
    reg_.DeleteKey(RegRoot::CurrentUser, scratch_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestParent);  // only goes when no other test bed is left
    RemoveMachineKeys();
  }

  Registry& registry() override { return reg_; }
  const std::string& scratch() const override { return scratch_; }
  const std::string& machine_scratch() const override { return machine_scratch_; }
  const std::string& class_scratch() const override { return class_scratch_; }

  bool MakeReadOnly(const std::string& path) override { return SetRights(path, kReadOnlySddl); }
  bool MakeQueryOnly(const std::string& path) override { return SetRights(path, kQueryOnlySddl); }

 private:
  // Replaces the key's rights, keeping the original ones to give back at the end.
  bool SetRights(const std::string& path, const char* sddl) {
    ScopedHkey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, READ_CONTROL | WRITE_DAC,
                      key.receive()) != ERROR_SUCCESS)
      return false;
    DWORD size = 0;
    RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> original(size);
    if (size == 0 || RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, original.data(),
                                       &size) != ERROR_SUCCESS)
      return false;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
      return false;
    LONG rc = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    if (rc != ERROR_SUCCESS) return false;
    locked_.emplace_back(path, std::move(original));
    return true;
  }

  // The test's machine keys in both views, and their parents when no other test bed has some.
  void RemoveMachineKeys() {
    for (RegView view : {RegView::Bits64, RegView::Bits32}) {
      reg_.DeleteKey(RegRoot::LocalMachine, machine_scratch_, view);
      reg_.DeleteKey(RegRoot::ClassesRoot, "CLSID\\" + class_scratch_, view);
      for (const char* parent : {"SOFTWARE\\Tavrosel\\OrvanelTest", "SOFTWARE\\Tavrosel"})
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, parent, ViewFlag(view), 0);
    }
  }

  Win32Registry reg_;
  std::string scratch_;
  std::string machine_scratch_;
  std::string class_scratch_;
  std::vector<std::pair<std::string, std::vector<BYTE>>> locked_;  // path, original rights
};
}  // namespace

std::vector<std::string> RegistryTestMachines() { return {"ThisMachine"}; }

std::unique_ptr<RegistryTestBed> MakeRegistryTestBed(const std::string&) {
  return std::make_unique<Win32RegistryTestBed>();
}

}  // namespace orv
