// Entry of the end-to-end driver: moves onto the shell desktop, then runs the tests.
#include <gtest/gtest.h>

#include <cstdio>

#include "harness.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Must come before this thread makes any window.
  if (!e2e::EnterShellDesktop()) {
    std::fprintf(stderr, "orvanel_e2e: cannot enter the shell desktop (error %lu)\n",
                 GetLastError());
    return 2;
  }
  return RUN_ALL_TESTS();
}
