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

std::string JoinPath(const std::vector<std::string>& parts, size_t n) {
  std::string out;
  for (size_t i = 0; i < n && i < parts.size(); ++i) {
    if (i) out += '\\';
    out += parts[i];
  }
  return out;
}

bool SameName(const std::string& a, const std::string& b) {
  return a == b || RegistryNameKey(a) == RegistryNameKey(b);
}

bool PathHasPrefix(const std::string& path, const std::string& prefix) {
  auto p = SplitPath(path), q = SplitPath(prefix);
  if (q.size() > p.size()) return false;
  for (size_t i = 0; i < q.size(); ++i)
    if (!SameName(p[i], q[i])) return false;
  return true;
}

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
                    std::string path, bool writable)
      : reg_(reg), node_(node), root_(root), path_(std::move(path)), writable_(writable) {}

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
    return reg_->KeyExists(root_, full);
  }

 private:
  MemoryRegistry* reg_;
  MemoryRegistry::Node* node_;
  RegRoot root_;
  std::string path_;
  bool writable_;
};

MemoryRegistry::MemoryRegistry() {
  for (auto& r : roots_) r = std::make_unique<Node>();
}
MemoryRegistry::~MemoryRegistry() = default;

bool MemoryRegistry::CountWrite() {
  ++write_calls_;
  if (fail_from_ <= 0) return true;
  return ++writes_since_armed_ < fail_from_;
}

MemoryRegistry::Rule MemoryRegistry::RuleFor(RegRoot root, const std::string& path) const {
  Rule rule = Rule::Allow;
  size_t depth = 0;
  for (auto& r : rules_) {
    if (r.first.first != root || !PathHasPrefix(path, r.first.second)) continue;
    size_t d = SplitPath(r.first.second).size();
    if (d >= depth) {
      depth = d;
      rule = r.second;
    }
  }
  return rule;
}

void MemoryRegistry::SetAccess(RegRoot root, const std::string& path, Rule rule) {
  rules_.push_back({{root, path}, rule});
}

MemoryRegistry::Node* MemoryRegistry::Find(RegRoot root, const std::string& path, bool create) {
  Node* n = roots_[static_cast<int>(root)].get();
  const auto parts = SplitPath(path);
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::u16string k = RegistryNameKey(parts[i]);
    auto it = n->keys.find(k);
    if (it == n->keys.end()) {
      // Creating a key needs write access to the key it goes under.
      if (!create || RuleFor(root, JoinPath(parts, i)) != Rule::Allow || !CountWrite())
        return nullptr;
      auto child = std::make_unique<Node>();
      child->name = parts[i];
      it = n->keys.emplace(k, std::move(child)).first;
    }
    n = it->second.get();
  }
  return n;
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenKey(RegRoot root, const std::string& path,
                                                     bool create, RegAccess access) {
  Rule rule = RuleFor(root, path);
  if (rule == Rule::Denied) return nullptr;
  if (rule == Rule::ReadOnly && access == RegAccess::Full) return nullptr;
  Node* n = Find(root, path, create);
  if (!n) return nullptr;
  return std::make_unique<MemoryRegistryKey>(this, n, root, NormalizeKeyPath(path),
                                             access == RegAccess::Full);
}

bool MemoryRegistry::KeyExists(RegRoot root, const std::string& path) {
  return RuleFor(root, path) != Rule::Denied && Find(root, path, false) != nullptr;
}

bool MemoryRegistry::DeleteKey(RegRoot root, const std::string& path) {
  const auto parts = SplitPath(path);
  if (parts.empty()) return false;
  Node* parent = Find(root, JoinPath(parts, parts.size() - 1), false);
  if (!parent || !parent->keys.count(RegistryNameKey(parts.back()))) return false;
  if (!CountWrite()) return false;
  return DeleteTree(root, JoinPath(parts, parts.size()), parent, RegistryNameKey(parts.back()));
}

// Deletes depth first in enumeration order, as RegDeleteTree does: a key that may not be deleted
// stops the walk, and what was deleted before it stays deleted.
bool MemoryRegistry::DeleteTree(RegRoot root, const std::string& path, Node* parent,
                                const std::u16string& key) {
  const Rule rule = RuleFor(root, path);
  if (rule == Rule::Denied) return false;
  Node* node = parent->keys.at(key).get();
  while (!node->keys.empty()) {
    auto child = node->keys.begin();
    if (!DeleteTree(root, path + "\\" + child->second->name, node, child->first)) return false;
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
