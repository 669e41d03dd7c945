#pragma once
// The URL shortcut file, the whole contract between the shortcuts page, which keeps it, and the
// browser side, which resolves the names typed into the address bar: "conf\urlShortcut.ini" of
// the program folder, section "UrlShortcut", short names in the run s0, s1, ..., their addresses
// in the run v0, v1, ... (the i-th name pairs with the i-th address). Two built-in names lead to
// the maker's home page (MakerHomePage(), shell/maker_site.h) and are never stored.
namespace orv {

inline constexpr char kUrlShortcutIniName[] = "conf\\urlShortcut.ini";  // in the program folder
inline constexpr char kUrlShortcutSection[] = "UrlShortcut";
inline constexpr char kShortcutNamePrefix[] = "s";
inline constexpr char kShortcutUrlPrefix[] = "v";
inline constexpr int kBuiltInShortcuts = 2;
inline constexpr const char* kBuiltInShortcutNames[kBuiltInShortcuts] = {"tavrosel", "tv"};

}  // namespace orv
