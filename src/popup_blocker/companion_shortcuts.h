#pragma once
// URL shortcuts as the browser side resolves them: a short name typed into the address bar
// ("tv", which the browser sends on as "http://tv/") is looked up in the two built-in names and
// in "conf\urlShortcut.ini" of the program folder, and the navigation goes to the stored
// address instead.
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "shell/url_shortcut_file.h"

namespace orv {

struct UrlShortcut {
  std::string name, address;
};

// The built-in names (kBuiltInShortcutNames), each leading to the maker's home page.
std::vector<UrlShortcut> BuiltInShortcuts();

// The short name an address stands for, or "" when it is none. A short name is the host of an
// address typed without a dot: letters A-Z and a-z only, alone ("tv") or with "http://" (any
// case) before it and at most a "/" after it ("http://tv/"). A port, a path, a query, a
// fragment, user data, another scheme or any other character make it an ordinary address.
std::string BareShortName(const std::string& address);

// The built-in shortcuts, then the file's pairs in file order; a pair whose name or address is
// missing or empty is left out. A missing or unreadable file gives the built-ins alone.
std::vector<UrlShortcut> LoadUrlShortcuts(FileSystem& files, const std::string& program_folder);

// The address of the first shortcut named `name`, letters compared without regard to case;
// "" when there is none.
std::string FindShortcut(const std::vector<UrlShortcut>& shortcuts, const std::string& name);

// The address the browser is sent to for a stored one, or "" when it is not followed: an
// address without a scheme gets "http://" (addresses are stored as typed, "www.example.com");
// only http and https addresses are followed (the helper object's navigation must not take a
// page to local files, script or other programs' protocols), and none that is itself a known
// short name (the redirection would go round in a loop).
std::string NavigableAddress(const std::string& stored, const std::vector<UrlShortcut>& shortcuts);

// Whether a top-level navigation, by what BeforeNavigate2 tells of it, may be one the user typed:
// not when it sends form data (a redirection would drop it), carries a Referer header (a page's
// link or script) or comes from another window that targets this one (flag 1). The browser does
// not tell a typed address from a page's script that sets its location, so this is no more than
// a filter.
bool MayBeTypedNavigation(long flags, bool has_post_data, const std::string& headers);

// Where a top-level navigation to `address` goes instead, or "" to let it go on unchanged. Only
// a short name is looked up: then the program folder is the first of KnownProgramFolders (the
// settings value `path`, else the folder of the library at library_path; none known: the
// built-in names only) and the shortcut file is read.
std::string ShortcutRedirect(Registry& registry, FileSystem& files, const std::string& address,
                             const std::string& library_path = std::string());

}  // namespace orv
