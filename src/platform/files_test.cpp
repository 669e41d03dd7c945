#include "platform/files.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using Chain = std::vector<std::string>;

TEST(FolderChain, EveryFolderFromTheTopDownWithoutDriveOrShare) {
  const struct {
    std::string path;
    Chain chain;
  } cases[] = {
      {"C:\\Users\\u\\AppData", {"C:\\Users", "C:\\Users\\u", "C:\\Users\\u\\AppData"}},
      {"C:\\a\\\\b\\", {"C:\\a", "C:\\a\\\\b"}},
      {"\\\\server\\share\\a/b", {"\\\\server\\share\\a", "\\\\server\\share\\a/b"}},
      {"C:\\", {}},
      // "\xB1\x5C" is one double-byte character whose second byte is no separator.
      {"C:\\\xB1\x5C\\x", {"C:\\\xB1\x5C", "C:\\\xB1\x5C\\x"}},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderChain(c.path), c.chain) << c.path;
}

}  // namespace
}  // namespace orv
