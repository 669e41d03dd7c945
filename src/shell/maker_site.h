#pragma once
// The maker's web site: shown under the main window, written into the default notice codes and
// asked for the online notice.
namespace orv {

inline constexpr char kMakerName[] = "岚澄软件";
inline constexpr char kMakerWebHost[] = "www.lancheng-soft.cn";
inline constexpr char kMakerHomePage[] = "http://www.lancheng-soft.cn/";

}  // namespace orv
