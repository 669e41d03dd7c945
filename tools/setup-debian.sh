#!/usr/bin/env bash
# Installs everything the builds and the test stages need on a fresh Debian 12 machine.
# Safe to run again: it installs only what is missing, and does nothing slow when all is there.
set -euo pipefail
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
# The shipped build is 32-bit: Wine's 32-bit loader (wine32) comes from the i386 architecture.
# NSIS makes the installer; clang with its runtime libraries (libFuzzer and the sanitizers, only
# recommended by clang-14) builds the fuzz targets; iproute2 and nftables make the network
# namespace whose loopback drops packets (tools/dropping-netns.sh).
pkgs=(cmake g++ make googletest libgtest-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
      wine64 xvfb xdotool imagemagick fonts-wqy-microhei fonts-wine locales python3
      nsis clang libclang-rt-14-dev iproute2 nftables)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails one index now and then: try again, then go on with what the
  # other indexes give (the install itself then says what is missing).
  $SUDO apt-get update -q || { sleep 10; $SUDO apt-get update -q; } || true
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# Wine's 32-bit part is needed only where the kernel runs 32-bit programs; where its i386 packages
# cannot be installed (a mirror whose i386 index is out of step), the tests run the x86_64 build.
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -q || true
  fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends wine32:i386 ||
    echo "setup: wine32:i386 could not be installed; 32-bit programs will not run under Wine" >&2
fi
# Wine reports ANSI code page 936 only when the zh_CN locale exists.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo "zh_CN.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
