#!/usr/bin/env bash
# Makes the release on a fresh Debian 12 machine (as root, or with sudo):
#   bash tools/release.sh
# Installs what is missing (tools/setup-debian.sh), builds the shipped 32-bit (i686) program in
# build/release-win32, and writes into build/release/ the installer Orvanel-<version>-setup.exe
# (NSIS) and Orvanel-<version>.zip (the program folder), then prints their sizes and SHA-256
# checksums. The version is the one of the top CMakeLists.txt. Override the build folder with
# ORV_RELEASE_BUILD; extra CMake options (e.g. -DORV_MAKER_WEB_HOST=...) go in ORV_CMAKE_ARGS.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ORV_RELEASE_BUILD:-$ROOT/build/release-win32}"
OUT="$ROOT/build/release"
cd "$ROOT"

bash tools/setup-debian.sh
# shellcheck disable=SC2086  # ORV_CMAKE_ARGS is a list of options
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-i686.cmake" \
  -DORV_RELEASE_DIR="$OUT" ${ORV_CMAKE_ARGS:-} >/dev/null
version="$(tr -d '[:space:]' <"$BUILD/orvanel-version.txt")"
rm -f "$OUT/Orvanel-$version-setup.exe" "$OUT/Orvanel-$version.zip"
cmake --build "$BUILD" -j2 --target orvanel_installer orvanel_zip

echo
echo "Orvanel $version release in $OUT:"
for f in "$OUT/Orvanel-$version-setup.exe" "$OUT/Orvanel-$version.zip"; do
  [ -f "$f" ] || { echo "missing: $f" >&2; exit 1; }
  printf '  %-28s %9s bytes  sha256 %s\n' "$(basename "$f")" "$(stat -c %s "$f")" \
    "$(sha256sum "$f" | cut -d' ' -f1)"
done
