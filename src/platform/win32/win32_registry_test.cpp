// What the advapi32 registry reports about the views, checked against the registry itself.
#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

// A plain call (no view flag) lands in the view OwnView names, and a 32-bit view exists apart
// from the 64-bit one exactly when HasTwoViews says so. Under Wine's 64-bit prefix both builds
// have two views; the 32-bit build's own view is the 32-bit one.
TEST(Win32Registry, ReportsTheViewsThatPlainCallsReach) {
  Win32Registry reg;
  const std::string path = "SOFTWARE\\Tavrosel\\OrvanelViewProbe-" +
                           std::to_string(GetCurrentProcessId());
  ScopedHkey plain;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, plain.receive(), nullptr),
            ERROR_SUCCESS);
  plain.reset();
  auto seen_in = [&](REGSAM flag) {
    ScopedHkey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | flag, key.receive()) ==
           ERROR_SUCCESS;
  };
  const bool in32 = seen_in(KEY_WOW64_32KEY), in64 = seen_in(KEY_WOW64_64KEY);
  for (REGSAM flag : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), flag, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tavrosel", flag, 0);  // when left empty
  }

  EXPECT_TRUE(in32 || in64);
  EXPECT_EQ(reg.HasTwoViews(), in32 != in64);
  if (reg.HasTwoViews()) {
    EXPECT_EQ(reg.OwnView(), in32 ? RegView::Bits32 : RegView::Bits64);
  }
  if (sizeof(void*) == 4) {
    EXPECT_EQ(reg.OwnView(), RegView::Bits32);
  }
}

}  // namespace
}  // namespace orv
