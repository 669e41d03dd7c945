#include <windows.h>

#include <gtest/gtest.h>

// The Win32 tests run under Wine with a Chinese locale: the texts depend on code page 936.
TEST(Win32Environment, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }
