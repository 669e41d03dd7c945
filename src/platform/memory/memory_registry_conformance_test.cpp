// The shared registry suite against the in-memory registry, on each machine it models.
#include "platform/memory/memory_registry.h"
#include "platform/registry_conformance.h"

namespace orv {

namespace {
struct MachineKind {
  const char* name;
  MemoryRegistry::Machine machine;
};
constexpr MachineKind kMachines[] = {
    {"TwoViewsOwn32", MemoryRegistry::Machine::TwoViewsOwn32},
    {"TwoViewsOwn64", MemoryRegistry::Machine::TwoViewsOwn64},
    {"OneView", MemoryRegistry::Machine::OneView},
};

class MemoryRegistryTestBed : public RegistryTestBed {
 public:
  explicit MemoryRegistryTestBed(MemoryRegistry::Machine machine) : reg_(machine) {
    reg_.OpenKey(RegRoot::CurrentUser, scratch_, true);
  }
  Registry& registry() override { return reg_; }
  const std::string& scratch() const override { return scratch_; }
  bool MakeReadOnly(const std::string& path) override {
    if (!reg_.KeyExists(RegRoot::CurrentUser, path)) return false;
    reg_.SetAccess(RegRoot::CurrentUser, path, MemoryRegistry::Rule::ReadOnly);
    return true;
  }
  // Rights are not modelled bit by bit: reading works, writing does not.
  bool MakeQueryOnly(const std::string& path) override { return MakeReadOnly(path); }
  const std::string& machine_scratch() const override { return machine_scratch_; }
  const std::string& class_scratch() const override { return class_scratch_; }

 private:
  MemoryRegistry reg_;
  std::string scratch_ = "Software\\Tavrosel\\OrvanelTest\\Scratch";
  std::string machine_scratch_ = "SOFTWARE\\Tavrosel\\OrvanelTest\\Scratch";
  std::string class_scratch_ = "OrvanelTest-Scratch";
};
}  // namespace

std::vector<std::string> RegistryTestMachines() {
  std::vector<std::string> names;
  for (const auto& m : kMachines) names.push_back(m.name);
  return names;
}

std::unique_ptr<RegistryTestBed> MakeRegistryTestBed(const std::string& machine) {
  for (const auto& m : kMachines)
    if (machine == m.name) return std::make_unique<MemoryRegistryTestBed>(m.machine);
  return std::make_unique<MemoryRegistryTestBed>(kMachines[0].machine);
}

}  // namespace orv
