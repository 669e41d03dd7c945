#include "platform/win32/win32_connectivity.h"

#include <windows.h>
#include <wininet.h>

namespace orv {

bool Win32Connectivity::CanConnect(const std::string& url) {
  // FLAG_ICC_FORCE_CONNECTION makes it open a connection to the url's host and port, not ping.
  return InternetCheckConnectionA(url.c_str(), FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
}

}  // namespace orv
