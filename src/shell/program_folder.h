#pragma once
// The program folder: every file of the program is addressed from it, never from the current
// directory.
#include <string>

namespace orv {

// Directory part of a full path, without a trailing backslash except at a drive root
// ("C:\dir\x.exe" -> "C:\dir", "C:\x.exe" -> "C:\"). A backslash that is the trail byte of a
// double-byte character is not a separator.
std::string DirectoryOf(const std::string& path);

// The executable's folder followed by one more backslash: "C:\dir\x.exe" -> "C:\dir\",
// "C:\x.exe" -> "C:\\" (a drive root keeps its own backslash and gets another; Windows reads
// the doubled separator as one, so file names built from it still resolve).
std::string ProgramFolder(const std::string& exe_path);

}  // namespace orv
