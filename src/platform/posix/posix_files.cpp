#include "platform/posix/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orv {

namespace {

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

std::string FolderOf(const std::string& local) {
  const size_t slash = local.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : local.substr(0, slash);
}

}  // namespace

PosixFileSystem::PosixFileSystem(std::string root) : root_(std::move(root)) {}

std::string PosixFileSystem::Local(const std::string& path) const {
  std::string p = path;
  if (p.size() >= 2 && p[1] == ':') p.erase(0, 2);
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  if (p.empty() || p[0] != '/') p.insert(p.begin(), '/');
  return root_ + p;
}

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat st;
  return stat(Local(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixFileSystem::ReadFile(const std::string& path, std::string* bytes) {
  const int fd = open(Local(path).c_str(), O_RDONLY);
  if (fd < 0) return false;
  std::string out;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  *bytes = std::move(out);
  return true;
}

bool PosixFileSystem::WriteFileAtomically(const std::string& path, const std::string& bytes) {
  RemoveReplaceLeftovers(path);
  const std::string local = Local(path);
  // A read-only file is not replaced, as on Windows (a rename would replace it).
  struct stat st;
  if (stat(local.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR)) return false;
  const std::string temp =
      Local(ReplaceTemporaryName(path, static_cast<unsigned long>(getpid()), ++serial_));
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temp.c_str(), local.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  SyncFolder(FolderOf(local));
  return true;
}

void PosixFileSystem::RemoveReplaceLeftovers(const std::string& path) {
  const std::string local = Local(path);
  const std::string folder = FolderOf(local);
  const std::string name = local.substr(local.rfind('/') + 1);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    if (IsReplaceTemporaryName(name, entry->d_name)) unlink((folder + "/" + entry->d_name).c_str());
  }
  closedir(dir);
}

bool PosixFileSystem::MakeFolder(const std::string& path) {
  for (const std::string& folder : FolderChain(path)) {
    const std::string local = Local(folder);
    if (mkdir(local.c_str(), 0755) == 0) continue;
    struct stat st;
    if (errno != EEXIST || stat(local.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  }
  return true;
}

}  // namespace orv
