#include "maintenance/user_folder.h"

#include "base/errors.h"

namespace orv {

std::string WriteReport(FileSystem& files, const std::string& program_folder,
                        const std::string& user_folder, const std::string& name,
                        const std::string& bytes) {
  const std::string in_program_folder = program_folder + name;
  if (files.WriteFileAtomically(in_program_folder, bytes)) return in_program_folder;
  if (user_folder.empty()) throw FileError::CannotCreate(in_program_folder);
  const std::string in_user_folder = user_folder + name;
  if (!files.MakeFolder(user_folder) || !files.WriteFileAtomically(in_user_folder, bytes))
    throw FileError::CannotCreate(in_user_folder);
  return in_user_folder;
}

}  // namespace orv
