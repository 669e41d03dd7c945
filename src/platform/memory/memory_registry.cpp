#include "platform/memory/memory_registry.h"

#include <algorithm>

#include "base/ansi.h"

namespace orv {

namespace {
std::string Upper(const std::string& s) {
  std::string u = AnsiLowerAscii(s);
  for (auto& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
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

bool PathHasPrefix(const std::string& path, const std::string& prefix) {
  auto p = SplitPath(path), q = SplitPath(prefix);
  if (q.size() > p.size()) return false;
  for (size_t i = 0; i < q.size(); ++i)
    if (!AnsiEqualsNoCase(p[i], q[i])) return false;
  return true;
}
}  // namespace

struct MemoryRegistry::Node {
  std::string name;
  // Sub-keys by upper-cased name: std::map keeps them in the registry's sorted order.
  std::map<std::string, std::unique_ptr<Node>> keys;
  // Values in creation order.
  std::vector<std::pair<std::string, RegValue>> values;
  bool deleted = false;

  std::vector<std::pair<std::string, RegValue>>::iterator FindValue(const std::string& n) {
    return std::find_if(values.begin(), values.end(),
                        [&](const auto& v) { return AnsiEqualsNoCase(v.first, n); });
  }
};

class MemoryRegistryKey : public RegistryKey {
 public:
  MemoryRegistryKey(MemoryRegistry* reg, MemoryRegistry::Node* node, bool writable)
      : reg_(reg), node_(node), writable_(writable) {}

  bool QueryValue(const std::string& name, RegValue* out) const override {
    if (node_->deleted) return false;
    auto it = node_->FindValue(name);
    if (it == node_->values.end()) return false;
    *out = it->second;
    return true;
  }
  bool SetValue(const std::string& name, const RegValue& value) override {
    if (!writable_ || node_->deleted || !reg_->CountWrite()) return false;
    auto it = node_->FindValue(name);
    if (it != node_->values.end())
      it->second = value;
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
    for (auto& k : node_->keys) out.push_back(k.second->name);
    return out;
  }
  std::vector<std::string> ValueNames() const override {
    std::vector<std::string> out;
    for (auto& v : node_->values) out.push_back(v.first);
    return out;
  }
  bool HasSubKey(const std::string& name) const override {
    return node_->keys.count(Upper(name)) != 0;
  }

 private:
  MemoryRegistry* reg_;
  MemoryRegistry::Node* node_;
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
  for (auto& part : SplitPath(path)) {
    auto it = n->keys.find(Upper(part));
    if (it == n->keys.end()) {
      if (!create || !CountWrite()) return nullptr;
      auto child = std::make_unique<Node>();
      child->name = part;
      it = n->keys.emplace(Upper(part), std::move(child)).first;
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
  return std::make_unique<MemoryRegistryKey>(this, n, access == RegAccess::Full);
}

bool MemoryRegistry::KeyExists(RegRoot root, const std::string& path) {
  return RuleFor(root, path) != Rule::Denied && Find(root, path, false) != nullptr;
}

bool MemoryRegistry::DeleteKey(RegRoot root, const std::string& path) {
  auto parts = SplitPath(path);
  if (parts.empty() || RuleFor(root, path) != Rule::Allow) return false;
  std::string parent_path;
  for (size_t i = 0; i + 1 < parts.size(); ++i) parent_path += parts[i] + "\\";
  Node* parent = Find(root, parent_path, false);
  if (!parent) return false;
  auto it = parent->keys.find(Upper(parts.back()));
  if (it == parent->keys.end() || !CountWrite()) return false;
  // Keys still open on the deleted tree see nothing from now on, as on Windows.
  std::vector<Node*> stack{it->second.get()};
  while (!stack.empty()) {
    Node* d = stack.back();
    stack.pop_back();
    d->deleted = true;
    d->values.clear();
    for (auto& k : d->keys) stack.push_back(k.second.get());
  }
  graveyard_.push_back(std::move(it->second));
  parent->keys.erase(it);
  return true;
}

}  // namespace orv
