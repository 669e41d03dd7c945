#include "integrity_level.h"

namespace cravet {

namespace {

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

orv::IntegrityLevel IntegrityLevelOfProcess(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return std::nullopt;
  ScopedHandle owned(token);
  // The label and its SID, which has one sub-authority: a fixed buffer keeps the hook's path
  // free of allocations.
  alignas(TOKEN_MANDATORY_LABEL) BYTE buffer[64 + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size))
    return std::nullopt;
  PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
  if (!sid || !IsValidSid(sid)) return std::nullopt;
  const UCHAR count = *GetSidSubAuthorityCount(sid);
  if (count == 0) return std::nullopt;
  return static_cast<uint32_t>(*GetSidSubAuthority(sid, count - 1));
}

orv::IntegrityLevel IntegrityLevelOfWindow(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  if (process_id == 0) return std::nullopt;
  if (process_id == GetCurrentProcessId()) return IntegrityLevelOfProcess(GetCurrentProcess());
  // The limited query right is granted on processes of a higher level too, where the full one
  // is not, so that the level of an elevated browser can still be read.
  ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  if (!process.get()) return std::nullopt;
  return IntegrityLevelOfProcess(process.get());
}

}  // namespace cravet
