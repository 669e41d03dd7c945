#pragma once
// The shared file-system suite runs against each implementation through this fixture; each test
// executable defines MakeFilesConformanceFixture once (the in-memory files natively, the real
// ones in a scratch folder on Windows).
#include <memory>
#include <string>

#include "platform/files.h"

namespace orv {

class FilesConformanceFixture {
 public:
  virtual ~FilesConformanceFixture() = default;
  virtual FileSystem& Files() = 0;
  // Full path of a file in the fixture's own empty folder, separated by "\".
  virtual std::string PathOf(const std::string& name) = 0;
  // Makes the file refuse to be replaced (read-only).
  virtual void MakeReadOnly(const std::string& path) = 0;
};

std::unique_ptr<FilesConformanceFixture> MakeFilesConformanceFixture();

}  // namespace orv
