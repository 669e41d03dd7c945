#include "platform/win32/win32_files.h"

#include <algorithm>
#include <atomic>

namespace orv {

namespace {

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool Close() {
    if (!valid()) return true;
    const bool ok = CloseHandle(h_) != FALSE;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

bool WriteAll(HANDLE h, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!::WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

std::string TempNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return ReplaceTemporaryName(path, GetCurrentProcessId(), ++counter);
}

// Moves temp over path. A reader that does not share deletion (GetPrivateProfileString, as the
// browser side reads the lists) blocks the replace while it holds the file open, for a few
// milliseconds: wait for it, up to about a second, before giving up.
bool MoveOver(const std::string& temp, const std::string& path) {
  constexpr int kAttempts = 100;
  constexpr DWORD kPauseMs = 10;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    const DWORD error = GetLastError();
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                      error == ERROR_ACCESS_DENIED;
    if (!held || attempt == kAttempts) return false;
    Sleep(kPauseMs);
  }
}

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::ReadFile(const std::string& path, std::string* bytes) {
  // Other programs (an editor, the browser side) may hold the file open: share everything.
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  std::string content;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    content.reserve(static_cast<size_t>(size.QuadPart));
  }
  char buffer[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    content.append(buffer, got);
  }
  *bytes = std::move(content);
  return true;
}

void Win32FileSystem::RemoveReplaceLeftovers(const std::string& path) {
  const size_t name_start = FileNameStart(path);
  const std::string folder = path.substr(0, name_start);
  const std::string name = path.substr(name_start);
  if (name.empty()) return;
  WIN32_FIND_DATAA found;
  // The pattern also matches short (8.3) names and longer extensions: each long name is checked.
  HANDLE find = FindFirstFileA((path + ".~*.tmp").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (IsReplaceTemporaryName(name, found.cFileName))
      DeleteFileA((folder + found.cFileName).c_str());  // one still held open stays: no harm
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

bool Win32FileSystem::WriteFileAtomically(const std::string& path, const std::string& bytes) {
  RemoveReplaceLeftovers(path);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  // MoveFileEx would replace a read-only file under Wine; Windows refuses. Refuse everywhere.
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return false;
  }
  const std::string temp = TempNameBeside(path);
  {
    FileHandle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    const bool written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    if (!file.Close() || !written) {
      DeleteFileA(temp.c_str());
      return false;
    }
  }
  if (!MoveOver(temp, path)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

bool Win32FileSystem::MakeFolder(const std::string& path) {
  for (const std::string& folder : FolderChain(path)) {
    if (CreateDirectoryA(folder.c_str(), nullptr)) continue;
    // An existing folder is fine (also one the user may not make, such as the profile's own);
    // anything else there, or no right to look, is not.
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return false;
  }
  return true;
}

}  // namespace orv
