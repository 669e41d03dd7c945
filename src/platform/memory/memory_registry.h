#pragma once
// The registry in memory, behaving as Windows does: names matched without regard to case
// (Unicode case pairs of code page 936, not only A-Z), sub-keys enumerated sorted as Windows
// sorts them (upper-cased UTF-16), values in creation order, deleting a key takes everything
// below it, keys still open on a deleted tree see nothing and write nothing.
// A test can refuse access to a key (and everything below it) and make the Nth write fail.
//
// Views, as Windows 7 and later keep them on a 64-bit machine: the 32-bit view of
// HKEY_LOCAL_MACHINE\SOFTWARE\X is stored at SOFTWARE\WOW6432Node\X, where the 64-bit view sees
// it; SOFTWARE\Classes is shared except its sub-keys CLSID, Interface, DirectShow, Media Type and
// MediaFoundation, whose 32-bit view is SOFTWARE\Classes\WOW6432Node\<name>. HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes (its merge with the user's Software\Classes is not modelled).
// HKEY_CURRENT_USER is shared as a whole. Not modelled: the other keys that Windows shares below
// SOFTWARE (Clients, Policies, Microsoft\Ole, Microsoft\Rpc, font and time-zone keys, ...), the
// redirected class keys below the user's Software\Classes, a 32-bit path that names WOW6432Node
// itself (it reaches the same key as without it), and the shared Classes key in the enumeration of
// the 32-bit SOFTWARE key.
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace orv {

class MemoryRegistry : public Registry {
 public:
  // The machine the registry plays: 32-bit Windows (one view), or 64-bit Windows as a 32-bit
  // program sees it (the shipped build) or as a 64-bit program does.
  enum class Machine { OneView, TwoViewsOwn32, TwoViewsOwn64 };

  explicit MemoryRegistry(Machine machine = Machine::TwoViewsOwn32);
  ~MemoryRegistry() override;

  std::unique_ptr<RegistryKey> OpenKey(RegRoot root, const std::string& path, bool create,
                                       RegAccess access = RegAccess::Full,
                                       RegView view = RegView::Own) override;
  bool KeyExists(RegRoot root, const std::string& path, RegView view = RegView::Own) override;
  bool DeleteKey(RegRoot root, const std::string& path, RegView view = RegView::Own) override;
  bool HasTwoViews() const override { return machine_ != Machine::OneView; }
  RegView OwnView() const override {
    return machine_ == Machine::TwoViewsOwn64 ? RegView::Bits64 : RegView::Bits32;
  }

  // Access rules for tests, for a key and everything below it (the nearest rule wins), in every
  // view or in one. ReadOnly: opening with full access, creating keys below it and deleting it
  // fail, reading works (a user without administrator rights on HKEY_LOCAL_MACHINE). Denied: no
  // opening at all. A rule on a key of one view holds for the other view stored below it too
  // (SOFTWARE covers SOFTWARE\WOW6432Node), as inherited rights do.
  enum class Rule { Allow, ReadOnly, Denied };
  void SetAccess(RegRoot root, const std::string& path, Rule rule);
  void SetAccess(RegRoot root, const std::string& path, Rule rule, RegView view);

  // The Nth write from now (1 = the next one) fails, and with persistent every later one too;
  // 0 turns it off. Writes are SetValue, DeleteValue, DeleteKey and key creation (one per key
  // created), counted per call whatever view it reaches. failures() counts the writes failed on
  // purpose since the last arming.
  void FailWriteAt(int n, bool persistent = false) {
    fail_at_ = n;
    fail_persistent_ = persistent;
    writes_since_armed_ = 0;
    failures_ = 0;
  }
  // The Nth write from now and every later one fail; 0 turns it off.
  void FailWritesFrom(int n) { FailWriteAt(n, true); }
  int write_calls() const { return write_calls_; }
  int failures() const { return failures_; }

  struct Node;
  // Where a key is stored: HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE and the path there.
  struct Place {
    bool machine = false;
    std::vector<std::string> parts;
  };

 private:
  friend class MemoryRegistryKey;
  Place Map(RegRoot root, const std::string& path, RegView view) const;
  Node* Find(const Place& place, bool create);
  Rule RuleFor(const Place& place) const;
  bool CountWrite();
  bool DeleteTree(Place& place, Node* parent, const std::u16string& key);

  Machine machine_;
  std::unique_ptr<Node> roots_[2];  // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE
  std::vector<std::pair<Place, Rule>> rules_;
  int fail_at_ = 0;
  bool fail_persistent_ = false;
  int failures_ = 0;
  int write_calls_ = 0;
  int writes_since_armed_ = 0;
  std::vector<std::unique_ptr<Node>> graveyard_;  // deleted trees, kept for keys still open
};

// The key by which Windows compares a registry name: the name decoded from code page 936 to
// UTF-16 and upper-cased. Two names are one when their keys are equal; sub-keys enumerate in
// the order of their keys.
std::u16string RegistryNameKey(const std::string& name);

}  // namespace orv
