#pragma once
// The shell's automation identifiers (ShellWindows, IShellWindows, IWebBrowser2), spelled out
// here so nothing depends on which of them the import library happens to carry. Shared by the
// program and the test-only ShellWindows server.
#include <windows.h>

namespace orv {

inline const CLSID kClsidShellWindows = {
    0x9BA05972, 0xF6A8, 0x11CF, {0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39}};
inline const IID kIidShellWindows = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
inline const IID kIidWebBrowser2 = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

}  // namespace orv
