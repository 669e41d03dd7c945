#include "platform/memory/memory_registry.h"

#include <iconv.h>

#include <algorithm>
#include <map>

namespace orv {

namespace {

// Longest value name Windows accepts, in UTF-16 characters.
constexpr size_t kMaxValueNameLength = 16383;

// Double-byte characters of code page 936 in UTF-16, indexed (lead - 0x81) * 256 + trail;
// 0 where the pair is no character. Built once from the C library's converter.
const std::vector<char16_t>& DoubleByteTable() {
  static const std::vector<char16_t> table = [] {
    std::vector<char16_t> t(126 * 256, 0);
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char out[8];
        char* ip = in;
        char* op = reinterpret_cast<char*>(out);
        size_t il = sizeof in, ol = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0 &&
            ol == sizeof out - 2)
          t[(lead - 0x81) * 256 + trail] = static_cast<char16_t>(out[0] | out[1] << 8);
      }
    }
    iconv_close(cd);
    return t;
  }();
  return table;
}

// Upper case as Windows compares registry names, for every cased letter code page 936 holds:
// ASCII, the accented pinyin letters, Greek, Cyrillic, Roman numerals and full-width Latin.
char16_t UpcaseForName(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 0x20;
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : c - 0x20;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & 1 ? c - 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c & 1 ? c : c - 1;
  if (c >= 0x1CD && c <= 0x1DC) return c & 1 ? c : c - 1;
  if (c >= 0x1F8 && c <= 0x1FF) return c & 1 ? c - 1 : c;
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if ((c >= 0x3B1 && c <= 0x3CB) || (c >= 0x430 && c <= 0x44F) || (c >= 0xFF41 && c <= 0xFF5A))
    return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0x2170 && c <= 0x217F) return c - 0x10;
  return c;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

bool SameName(const std::string& a, const std::string& b) {
  return a == b || RegistryNameKey(a) == RegistryNameKey(b);
}

bool HasPrefix(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
  if (prefix.size() > path.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (!SameName(path[i], prefix[i])) return false;
  return true;
}

constexpr char kSoftware[] = "SOFTWARE";
constexpr char kClasses[] = "Classes";
constexpr char kWow64Node[] = "WOW6432Node";

}  // namespace

std::u16string RegistryNameKey(const std::string& name) {
  const auto& table = DoubleByteTable();
  std::u16string key;
  key.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    char16_t u = 0;
    if (c < 0x80) {
      u = c;
    } else if (c == 0x80) {
      u = 0x20AC;  // the euro sign, the one single byte above 0x7F in code page 936
    } else if (c <= 0xFE && i + 1 < name.size()) {
      u = table[(c - 0x81) * 256 + static_cast<unsigned char>(name[i + 1])];
      if (u) ++i;
    }
    // A byte that starts no character is kept apart from every character.
    key += u ? UpcaseForName(u) : static_cast<char16_t>(0xF700 + c);
  }
  return key;
}

struct MemoryRegistry::Node {
  std::string name;
  // Sub-keys by comparison key: std::map keeps them in the registry's sorted order.
  std::map<std::u16string, std::unique_ptr<Node>> keys;
  // Values in creation order.
  std::vector<std::pair<std::string, RegValue>> values;
  bool deleted = false;

  std::vector<std::pair<std::string, RegValue>>::iterator FindValue(const std::string& n) {
    const std::u16string k = RegistryNameKey(n);
    return std::find_if(values.begin(), values.end(),
                        [&](const auto& v) { return RegistryNameKey(v.first) == k; });
  }
};

class MemoryRegistryKey : public RegistryKey {
 public:
  MemoryRegistryKey(MemoryRegistry* reg, MemoryRegistry::Node* node, RegRoot root,
                    std::string path, RegView view, bool writable)
      : reg_(reg), node_(node), root_(root), path_(std::move(path)), view_(view),
        writable_(writable) {}

  bool QueryValue(const std::string& name, RegValue* out) const override {
    if (node_->deleted) return false;
    auto it = node_->FindValue(name);
    if (it == node_->values.end()) return false;
    *out = it->second;
    return true;
  }
  bool SetValue(const std::string& name, const RegValue& value) override {
    if (!writable_ || node_->deleted || RegistryNameKey(name).size() > kMaxValueNameLength ||
        !reg_->CountWrite())
      return false;
    auto it = node_->FindValue(name);
    if (it != node_->values.end())
      it->second = value;  // the name keeps the spelling it was created with
    else
      node_->values.emplace_back(name, value);
    return true;
  }
  bool DeleteValue(const std::string& name) override {
    if (!writable_ || node_->deleted) return false;
    auto it = node_->FindValue(name);
    if (it == node_->values.end()) return false;
    if (!reg_->CountWrite()) return false;
    node_->values.erase(it);
    return true;
  }
  std::vector<std::string> SubKeyNames() const override {
    std::vector<std::string> out;
    if (node_->deleted) return out;
    for (auto& k : node_->keys) out.push_back(k.second->name);
    return out;
  }
  std::vector<std::string> ValueNames() const override {
    std::vector<std::string> out;
    if (node_->deleted) return out;
    for (auto& v : node_->values) out.push_back(v.first);
    return out;
  }
  bool HasSubKey(const std::string& name) const override {
    const std::string rel = NormalizeKeyPath(name);
    if (node_->deleted || rel.empty()) return false;
    const std::string full = path_.empty() ? rel : path_ + "\\" + rel;
    return reg_->KeyExists(root_, full, view_);
  }

 private:
  MemoryRegistry* reg_;
  MemoryRegistry::Node* node_;
  RegRoot root_;
  std::string path_;  // as opened: sub-keys are looked up by their path in the key's view
  RegView view_;
  bool writable_;
};

MemoryRegistry::MemoryRegistry(Machine machine) : machine_(machine) {
  for (auto& r : roots_) r = std::make_unique<Node>();
  // The keys every Windows has, so that creating keys below them counts only the new ones.
  Place p;
  p.machine = true;
  p.parts = {kSoftware, kClasses};
  Find(p, true);
  if (HasTwoViews()) {
    p.parts = {kSoftware, kWow64Node};
    Find(p, true);
    p.parts = {kSoftware, kClasses, kWow64Node};
    Find(p, true);
  }
  write_calls_ = 0;
}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Place MemoryRegistry::Map(RegRoot root, const std::string& path,
                                          RegView view) const {
  const StoredPlace stored = StoredPlaceOf(*this, root, path, view);
  return Place{stored.root == RegRoot::LocalMachine, SplitPath(stored.path)};
}

bool MemoryRegistry::CountWrite() {
  ++write_calls_;
  if (fail_at_ <= 0) return true;
  ++writes_since_armed_;
  const bool fail = fail_persistent_ ? writes_since_armed_ >= fail_at_ : writes_since_armed_ == fail_at_;
  if (fail) ++failures_;
  return !fail;
}

MemoryRegistry::Rule MemoryRegistry::RuleFor(const Place& place) const {
  Rule rule = Rule::Allow;
  size_t depth = 0;
  for (auto& r : rules_) {
    if (r.first.machine != place.machine || !HasPrefix(place.parts, r.first.parts)) continue;
    if (r.first.parts.size() >= depth) {
      depth = r.first.parts.size();
      rule = r.second;
    }
  }
  return rule;
}

void MemoryRegistry::SetAccess(RegRoot root, const std::string& path, Rule rule) {
  SetAccess(root, path, rule, RegView::Bits64);
  SetAccess(root, path, rule, RegView::Bits32);
}

void MemoryRegistry::SetAccess(RegRoot root, const std::string& path, Rule rule, RegView view) {
  rules_.push_back({Map(root, path, view), rule});
}

MemoryRegistry::Node* MemoryRegistry::Find(const Place& place, bool create) {
  Node* n = roots_[place.machine ? 1 : 0].get();
  Place above{place.machine, {}};
  for (const auto& part : place.parts) {
    const std::u16string k = RegistryNameKey(part);
    auto it = n->keys.find(k);
    if (it == n->keys.end()) {
      // Creating a key needs write access to the key it goes under.
      if (!create || RuleFor(above) != Rule::Allow || !CountWrite()) return nullptr;
      auto child = std::make_unique<Node>();
      child->name = part;
      it = n->keys.emplace(k, std::move(child)).first;
    }
    n = it->second.get();
    above.parts.push_back(part);
  }
  return n;
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenKey(RegRoot root, const std::string& path,
                                                     bool create, RegAccess access,
                                                     RegView view) {
  const Place place = Map(root, path, view);
  Rule rule = RuleFor(place);
  if (rule == Rule::Denied) return nullptr;
  if (rule == Rule::ReadOnly && access == RegAccess::Full) return nullptr;
  Node* n = Find(place, create);
  if (!n) return nullptr;
  return std::make_unique<MemoryRegistryKey>(this, n, root, NormalizeKeyPath(path), view,
                                             access == RegAccess::Full);
}

bool MemoryRegistry::KeyExists(RegRoot root, const std::string& path, RegView view) {
  const Place place = Map(root, path, view);
  return RuleFor(place) != Rule::Denied && Find(place, false) != nullptr;
}

bool MemoryRegistry::DeleteKey(RegRoot root, const std::string& path, RegView view) {
  if (SplitPath(path).empty()) return false;
  Place place = Map(root, path, view);
  const std::string name = place.parts.back();
  Place parent_place = place;
  parent_place.parts.pop_back();
  Node* parent = Find(parent_place, false);
  if (!parent || !parent->keys.count(RegistryNameKey(name))) return false;
  if (!CountWrite()) return false;
  return DeleteTree(place, parent, RegistryNameKey(name));
}

// Deletes depth first in enumeration order, as RegDeleteTree does: a key that may not be deleted
// stops the walk, and what was deleted before it stays deleted. place is the key's own place,
// extended and restored on the way down.
bool MemoryRegistry::DeleteTree(Place& place, Node* parent, const std::u16string& key) {
  const Rule rule = RuleFor(place);
  if (rule == Rule::Denied) return false;
  Node* node = parent->keys.at(key).get();
  while (!node->keys.empty()) {
    auto child = node->keys.begin();
    place.parts.push_back(child->second->name);
    const bool deleted = DeleteTree(place, node, child->first);
    place.parts.pop_back();
    if (!deleted) return false;
  }
  if (rule != Rule::Allow) return false;
  // Keys still open on the deleted key see nothing from now on, as on Windows.
  auto it = parent->keys.find(key);
  it->second->deleted = true;
  it->second->values.clear();
  graveyard_.push_back(std::move(it->second));
  parent->keys.erase(it);
  return true;
}

}  // namespace orv
