#pragma once
// The registry in memory, behaving as Windows does: names matched without regard to case
// (Unicode case pairs of code page 936, not only A-Z), sub-keys enumerated sorted as Windows
// sorts them (upper-cased UTF-16), values in creation order, deleting a key takes everything
// below it, keys still open on a deleted tree see nothing and write nothing.
// A test can refuse access to a key (and everything below it) and make the Nth write fail.
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace orv {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                       RegAccess access = RegAccess::Full) override;
  bool KeyExists(RegRoot root, const std::string& path) override;
  bool DeleteKey(RegRoot root, const std::string& path) override;

  // Access rules for tests, for a key and everything below it (the nearest rule wins).
  // ReadOnly: opening with full access, creating keys below it and deleting it fail, reading
  // works (a user without administrator rights on HKEY_LOCAL_MACHINE). Denied: no opening at all.
  enum class Rule { Allow, ReadOnly, Denied };
  void SetAccess(RegRoot root, const std::string& path, Rule rule);

  // The Nth write from now (1 = the next one) and every later one fail; 0 turns it off.
  // Writes are SetValue, DeleteValue, DeleteKey and key creation (one per key created).
  void FailWritesFrom(int n) {
    fail_from_ = n;
    writes_since_armed_ = 0;
  }
  int write_calls() const { return write_calls_; }

  struct Node;

 private:
  friend class MemoryRegistryKey;
  Node* Find(RegRoot root, const std::string& path, bool create);
  Rule RuleFor(RegRoot root, const std::string& path) const;
  bool CountWrite();
  bool DeleteTree(RegRoot root, const std::string& path, Node* parent, const std::u16string& key);

  std::unique_ptr<Node> roots_[3];
  std::vector<std::pair<std::pair<RegRoot, std::string>, Rule>> rules_;
  int fail_from_ = 0;
  int write_calls_ = 0;
  int writes_since_armed_ = 0;
  std::vector<std::unique_ptr<Node>> graveyard_;  // deleted trees, kept for keys still open
};

// The key by which Windows compares a registry name: the name decoded from code page 936 to
// UTF-16 and upper-cased. Two names are one when their keys are equal; sub-keys enumerate in
// the order of their keys.
std::u16string RegistryNameKey(const std::string& name);

}  // namespace orv
