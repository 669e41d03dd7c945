// The shared registry suite against the in-memory registry.
#include "platform/memory/memory_registry.h"
#include "platform/registry_conformance.h"

namespace orv {

namespace {
class MemoryRegistryTestBed : public RegistryTestBed {
 public:
  MemoryRegistryTestBed() { reg_.OpenKey(RegRoot::CurrentUser, scratch_, true); }
  Registry& registry() override { return reg_; }
  const std::string& scratch() const override { return scratch_; }
  bool MakeReadOnly(const std::string& path) override {
    if (!reg_.KeyExists(RegRoot::CurrentUser, path)) return false;
    reg_.SetAccess(RegRoot::CurrentUser, path, MemoryRegistry::Rule::ReadOnly);
    return true;
  }

 private:
  MemoryRegistry reg_;
  std::string scratch_ = "Software\\Tavrosel\\OrvanelTest\\Scratch";
};
}  // namespace

std::unique_ptr<RegistryTestBed> MakeRegistryTestBed() {
  return std::make_unique<MemoryRegistryTestBed>();
}

}  // namespace orv
