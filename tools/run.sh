#!/usr/bin/env bash
# The run command: builds the Windows program (the shipped 32-bit build) and runs Orvanel.exe
# under Wine in a virtual desktop "shell" (1000 x 700, with taskbar and tray).
#   bash tools/run.sh
# With DISPLAY set the desktop opens as a window and the command returns when the program ends.
# Without a display it runs on a private Xvfb: it waits for the main window, shows it, saves a
# screenshot (build/screenshots/run.png), opens the tray menu and saves another
# (build/screenshots/run_tray_menu.png), closes the program and stops Xvfb.
# Overrides: ORV_WIN_BUILD (build folder), ORV_WINEPREFIX (see wine-env.sh).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
SHOTS="$ROOT/build/screenshots"

bash tools/setup-debian.sh
# Where the kernel runs no 32-bit programs (Wine's 32-bit loader cannot start), the x86_64 build.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  WIN="${ORV_WIN_BUILD:-$ROOT/build/win32}"; TOOLCHAIN=mingw-w64-i686.cmake
else
  echo "run: this kernel runs no 32-bit programs: running the x86_64 build" >&2
  WIN="${ORV_WIN64_BUILD:-$ROOT/build/win64}"; TOOLCHAIN=mingw-w64-x86_64.cmake
fi
cmake -S "$ROOT" -B "$WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$TOOLCHAIN" >/dev/null
cmake --build "$WIN" -j2 --target Orvanel Cravet orvanel_ctl

had_display="${DISPLAY:-}"
# shellcheck source=tools/wine-env.sh
. "$ROOT/tools/wine-env.sh"
trap 'orv_wine_stop' EXIT
CTL_WINE="$WINE"; [ "$TOOLCHAIN" = mingw-w64-x86_64.cmake ] && CTL_WINE="$WINE64"

cd "$WIN"
if [ -n "$had_display" ]; then
  # explorer may return before the program ends: wait for every process of the prefix instead.
  # Wine's own 64-bit explorer holds the desktop; it starts the 32-bit program as Windows would.
  "$WINE64" explorer /desktop=shell,1000x700 Orvanel.exe </dev/null &
  wait $! || true
  "$WINESERVER" -w
  trap - EXIT
  exit 0
fi

"$WINE64" explorer /desktop=shell,1000x700 Orvanel.exe </dev/null >/dev/null 2>&1 &
# The program starts hidden in the tray; show its window for the picture.
if ! "$CTL_WINE" ./orvanel_ctl.exe show 30000 </dev/null; then
  echo "run: the Orvanel window did not appear" >&2
  exit 1
fi
mkdir -p "$SHOTS"
shot="$SHOTS/run.png"
# The virtual desktop sits at the top left of the X screen.
import -window root -crop 1000x700+0+0 +repage "$shot"
echo "screenshot saved: $shot"
if "$CTL_WINE" ./orvanel_ctl.exe menu 30000 </dev/null; then
  menu_shot="$SHOTS/run_tray_menu.png"
  import -window root -crop 1000x700+0+0 +repage "$menu_shot"
  echo "screenshot saved: $menu_shot"
else
  echo "run: the tray menu did not open" >&2
fi
"$CTL_WINE" ./orvanel_ctl.exe close 30000 </dev/null || { echo "run: the program did not end" >&2; exit 1; }
echo "Orvanel ended"
