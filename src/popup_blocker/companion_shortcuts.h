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
// address without a scheme gets "http://" (addresses are stored as typed, "www.example.com"); a
// script address ("javascript:", "vbscript:") is not followed, nor one that is itself a known
// short name (the redirection would go round in a loop).
std::string NavigableAddress(const std::string& stored, const std::vector<UrlShortcut>& shortcuts);

// Where a top-level navigation to `address` goes instead, or "" to let it go on unchanged. Only
// a short name is looked up: then the program folder comes from the settings value `path` (no
// folder known: the built-in names only) and the shortcut file is read.
std::string ShortcutRedirect(Registry& registry, FileSystem& files, const std::string& address);

}  // namespace orv
