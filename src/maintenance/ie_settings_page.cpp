#include "maintenance/ie_settings_page.h"

#include <optional>

#include "base/errors.h"

namespace orv {

namespace {
constexpr char kIEKey[] = "Software\\Microsoft\\Internet Explorer";
constexpr char kMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr RegRoot kHklm = RegRoot::LocalMachine;
constexpr RegRoot kHkcu = RegRoot::CurrentUser;

bool IsText(uint32_t type) { return type == kRegSz || type == kRegExpandSz; }
}  // namespace

const std::array<IEFieldInfo, kIEFieldCount> kIEFields{{
    {"版本号：", kHklm, kIEKey, "Version"},
    {"标题：", kHkcu, kMainKey, "Window Title"},
    {"首页：", kHkcu, kMainKey, "Start Page"},
    {"默认搜索：", kHkcu, kMainKey, "Search Page"},
    {"下载目录：", kHkcu, kMainKey, "Save Directory"},
    {"缓存目录：", kHkcu, kShellFoldersKey, "Cache"},
    {"网址历史：", kHkcu, kShellFoldersKey, "History"},
    {"Cookies：", kHkcu, kShellFoldersKey, "Cookies"},
    {"收藏夹：", kHkcu, kShellFoldersKey, "Favorites"},
}};

IESettingsPage::IESettingsPage(Registry& registry) : registry_(registry) {}

void IESettingsPage::SetText(int field, const std::string& text) {
  if (field >= 0 && field < kIEFieldCount) texts_[field] = text;
}

void IESettingsPage::TabSheet5Show() {
  for (int f = 0; f < kIEFieldCount; ++f) {
    const IEFieldInfo& info = kIEFields[f];
    RegKey key = RegKey::Open(registry_, info.root, info.key, false, RegAccess::Read);
    RegValue value;
    if (!key.Query(info.value, &value) || !IsText(value.type)) continue;
    // Text up to its first NUL, as stored: environment references stay unexpanded.
    texts_[f] = value.data.substr(0, value.data.find('\0'));
    if (f == kIECache) cache_expandable_ = value.type == kRegExpandSz;
  }
}

void IESettingsPage::IE_verKeyPress() { SetButtons(true); }

void IESettingsPage::btn_IE_defaultClick() {
  texts_[kIETitle] = kIEDefaultTitle;
  texts_[kIESearch] = kIEDefaultSearch;
  SetButtons(true);
}

void IESettingsPage::SaveIEPage() {
  // A machine-wide value that cannot be written (no elevation) must not cost the user's own:
  // its error waits until the values after it are written.
  std::optional<RegistryError> machine_failure;
  for (int f = 0; f < kIEEditableFields; ++f) {
    const IEFieldInfo& info = kIEFields[f];
    try {
      RegKey key = RegKey::Open(registry_, info.root, info.key, true);
      key.WriteString(info.value, texts_[f], f == kIECache && cache_expandable_);
    } catch (const RegistryError& e) {
      if (info.root != kHklm) throw machine_failure ? *machine_failure : e;
      if (!machine_failure) machine_failure = e;
    }
  }
  if (machine_failure) throw *machine_failure;
}

void IESettingsPage::btn_ie_saveClick() {
  SaveIEPage();
  SetButtons(false);
}

void IESettingsPage::btn_ie_cancelClick() {
  TabSheet5Show();
  SetButtons(false);
}

void IESettingsPage::SetButtons(bool enabled) {
  apply_enabled_ = enabled;
  cancel_enabled_ = enabled;
}

}  // namespace orv
