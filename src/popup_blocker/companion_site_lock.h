#pragma once
// Which program folder a companion library works for, and the site lock of the context-menu
// object "Orvanel.BlackList": it adds only for a document that is one of the two context-menu
// pages ("GetCurrent.htm", "GetLink.htm") of a program folder it knows. Internet Explorer gives
// an object that a page's script creates (new ActiveXObject) the page's site through
// IObjectWithSite::SetSite; the library reads the document's address from there.
#include <string>
#include <vector>

#include "platform/registry.h"

namespace orv {

// The sub-folder of the program folder that holds the 64-bit companions of the 32-bit program.
inline constexpr char kX64LibraryFolder[] = "x64";

// The program folder of a companion library, from the library's own full path: its folder, or
// the folder above it for a library in the sub-folder "x64". With one trailing backslash; ""
// when the path has no folder.
std::string ProgramFolderOfLibrary(const std::string& library_path);

// The program folders a companion knows, each with one trailing backslash: the settings value
// `path` (the folder of the program that ran last) when it can be read and is not empty, then
// the library's own program folder when it is another one.
std::vector<std::string> KnownProgramFolders(Registry& registry, const std::string& library_path);

// The local file a document address names, or "" when it names none: "file:" addresses with a
// drive letter ("file:///C:/a%20b/x.htm", "file://C:\a b\x.htm") and plain paths ("C:\a b\x.htm"),
// with "%XX" escapes decoded and "/" read as "\". Another host (a share), a query or a fragment,
// a "." or ".." segment and an escaped control byte give "".
std::string LocalFileOfDocument(const std::string& address);

// The site lock: whether the document at address is "GetCurrent.htm" or "GetLink.htm" of one of
// the folders (names compared without regard to case, A-Z).
bool IsOwnMenuPage(const std::string& address, const std::vector<std::string>& folders);

}  // namespace orv
