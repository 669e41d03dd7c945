#include "platform/memory/session_without_elevation.h"

namespace orv {

void PlaySessionWithoutElevation(MemoryRegistry& registry, MemoryFileSystem& files,
                                 const std::string& program_folder) {
  registry.SetAccess(RegRoot::LocalMachine, "", MemoryRegistry::Rule::ReadOnly);
  files.SetFolderAccess(program_folder, MemoryFileSystem::FolderRule::ReadOnly);
  files.SetFolderAccess(program_folder + "conf", MemoryFileSystem::FolderRule::Writable);
}

}  // namespace orv
