#pragma once
// The IE general settings page (TabSheet5): nine of the browser's settings as text fields, six
// of them written back on apply, with restore-defaults, apply and cancel. The registry is the
// only store; the page keeps the fields' texts and the state of apply and cancel.
#include <array>
#include <string>

#include "platform/registry.h"

namespace orv {

// The fields in load order.
enum IEField : int {
  kIEVer = 0,  // IE_ver: HKLM Software\Microsoft\Internet Explorer "Version"
  kIETitle,    // IE_title: HKCU ...\Main "Window Title"
  kIEPage,     // IE_page: "Start Page"
  kIESearch,   // IE_search: "Search Page"
  kIEDown,     // IE_down: "Save Directory"
  kIECache,    // IE_cache: HKCU ...\User Shell Folders "Cache"
  kIEHistory,  // IE_history: "History", shown only
  kIECookies,  // IE_cookies: "Cookies", shown only
  kIEFav,      // IE_fav: "Favorites", shown only
};
inline constexpr int kIEFieldCount = 9;
// Fields before this one are editable and written on apply.
inline constexpr int kIEEditableFields = kIEHistory;

struct IEFieldInfo {
  const char* label;
  RegRoot root;
  const char* key;
  const char* value;
};
extern const std::array<IEFieldInfo, kIEFieldCount> kIEFields;

inline constexpr char kIEDefaultTitle[] = "Microsoft Internet Explorer";
// The browser maker's search page.
inline constexpr char kIEDefaultSearch[] =
    "http://www.microsoft.com/isapi/redir.dll?prd=ie&ar=iesearch";

class IESettingsPage {
 public:
  explicit IESettingsPage(Registry& registry);

  const std::string& text(int field) const { return texts_[field]; }
  bool apply_enabled() const { return apply_enabled_; }
  bool cancel_enabled() const { return cancel_enabled_; }

  // The window's edit changed its text (typing, pasting, the program's own writes alike).
  void SetText(int field, const std::string& text);

  // Load (at start-up and each time the page is shown): every value that exists as text is put
  // in its field, unexpanded; a missing key or value, or a value of another type, leaves its
  // field as it was. Never raises. Apply and cancel keep their state.
  void TabSheet5Show();
  // A character typed into one of the six editable fields: apply and cancel become available.
  void IE_verKeyPress();
  // Window title and search page back to the browser's defaults (written on apply).
  void btn_IE_defaultClick();
  // SaveIEPage, then apply and cancel disabled. A refused write raises its RegistryError and
  // leaves both enabled.
  void btn_ie_saveClick();
  // Load, then apply and cancel disabled.
  void btn_ie_cancelClick();

  // Writes the six editable fields in their order, each with its own open and close, as REG_SZ
  // except "Cache", which keeps the type it was read with (an expandable string stays one, so
  // an unchanged folder still resolves). A refused write raises RegistryError "Failed to set
  // data for '<value>'" of the first value refused: a value of the user's own (HKEY_CURRENT_USER)
  // stops the write there, the values before it stay written; "Version" (HKEY_LOCAL_MACHINE,
  // refused without elevation) stops nothing, and its error comes after the user's values.
  void SaveIEPage();

 private:
  void SetButtons(bool enabled);

  Registry& registry_;
  std::array<std::string, kIEFieldCount> texts_;
  bool cache_expandable_ = false;  // "Cache" was read as REG_EXPAND_SZ
  bool apply_enabled_ = false;
  bool cancel_enabled_ = false;
};

}  // namespace orv
