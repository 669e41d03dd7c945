#pragma once
// The maker's web host: shown under the main window, written into the default notice codes, asked
// for the online notice and used as the online check's address. It is set when the program is
// built (CMake cache variable ORV_MAKER_WEB_HOST); whoever holds that name decides what every
// installed copy shows, so the default is a reserved name nobody can own.
#include <string>

namespace orv {

inline constexpr char kMakerName[] = "岚澄软件";

// The host name alone, for example "www.tavrosel.example".
extern const char kMakerWebHost[];

// "http://" + the host + "/".
std::string MakerHomePage();

// "Power by 岚澄软件 " + the host: the notice line's text until a notice replaces it.
std::string InitialNoticeText();

}  // namespace orv
