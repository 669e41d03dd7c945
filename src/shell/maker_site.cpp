#include "shell/maker_site.h"

namespace orv {

// Given by the build (CMakeLists.txt, ORV_MAKER_WEB_HOST), checked there to be a plain host name.
const char kMakerWebHost[] = ORV_MAKER_WEB_HOST;

std::string MakerHomePage() { return std::string("http://") + kMakerWebHost + "/"; }

std::string InitialNoticeText() {
  return std::string("Power by ") + kMakerName + " " + kMakerWebHost;
}

}  // namespace orv
