#pragma once
// The user's own folder, "%LOCALAPPDATA%\Tavrosel\Orvanel\" (the window layer finds the local
// application data folder; the pages get the whole path, ending in a backslash). A session
// without elevation cannot write below the program files folder: what the program writes for
// the user goes here when the program folder refuses it (the exported reports), or always (the
// registry backups, in "backup\").
#include <string>

#include "platform/files.h"

namespace orv {

// Below the local application data folder.
inline constexpr char kUserFolderName[] = "Tavrosel\\Orvanel\\";

// Writes a report: into the program folder when it can be written there, otherwise into the
// user's folder (made when needed). Returns the path written. Raises FileError "Cannot create
// file <path>" with the last path tried when neither can be written.
std::string WriteReport(FileSystem& files, const std::string& program_folder,
                        const std::string& user_folder, const std::string& name,
                        const std::string& bytes);

}  // namespace orv
