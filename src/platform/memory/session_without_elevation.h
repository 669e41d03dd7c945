#pragma once
// A session without elevation, as Windows Vista to 11 run every session by default (a standard
// user's, and an administrator's under UAC), after the per-machine install: the program may
// read HKEY_LOCAL_MACHINE (with HKEY_CLASSES_ROOT, which is stored there) but not write it, and
// may write in its own folder only below "conf", which the installer opens to the Users group.
// What it may not write fails as Windows refuses it: access denied, so a key is not opened with
// full access, not created and not deleted, and a file is neither made nor replaced.
#include <string>

#include "platform/memory/memory_files.h"
#include "platform/memory/memory_registry.h"

namespace orv {

// program_folder ends in a backslash. Folders outside it stay writable (the user's own).
void PlaySessionWithoutElevation(MemoryRegistry& registry, MemoryFileSystem& files,
                                 const std::string& program_folder);

}  // namespace orv
