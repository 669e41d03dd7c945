#include "platform/files_conformance.h"
#include "platform/memory/memory_files.h"

namespace orv {

namespace {
class MemoryFilesFixture : public FilesConformanceFixture {
 public:
  FileSystem& Files() override { return files_; }
  std::string PathOf(const std::string& name) override { return "C:\\Orvanel\\conf\\" + name; }
  void MakeReadOnly(const std::string& path) override { files_.SetReadOnly(path, true); }

 private:
  MemoryFileSystem files_;
};
}  // namespace

std::unique_ptr<FilesConformanceFixture> MakeFilesConformanceFixture() {
  return std::make_unique<MemoryFilesFixture>();
}

}  // namespace orv
