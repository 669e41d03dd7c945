# Wine environment for running the Windows build on Linux. Source it from bash:
#   . tools/wine-env.sh          # sets the variables, makes the prefix, starts Xvfb if needed
#   orv_wine_stop                # ends what this file started (the prefix's wine processes, Xvfb)
# Overrides: ORV_WINEPREFIX (default <repo>/build/wine).
# The prefix is private to these scripts so that other users of another prefix are not disturbed.
# It is a 64-bit prefix: WINE ($WINE32) runs the shipped 32-bit build in it, as 64-bit Windows
# runs 32-bit programs; WINE64 runs the x86_64 build and Wine's own tools (wineboot, reg).

ORV_ROOT="${ORV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${ORV_WINEPREFIX:-$ORV_ROOT/build/wine}"
export WINEDEBUG=-all
export WINESERVER=/usr/lib/wine/wineserver64
export WINE64=/usr/lib/wine/wine64
export WINE32=/usr/lib/wine/wine
export WINE="$WINE32"
# Wine takes the ANSI code page from the locale: zh_CN gives 936, a missing locale silently 1252.
export LC_ALL=zh_CN.UTF-8
ORV_XVFB_PID=""

orv_log() { echo "[wine-env] $*" >&2; }

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  orv_log "warning: locale zh_CN.UTF-8 is not generated; Windows programs will see code page 1252"
fi

# Starts an Xvfb on a free display when none is set; Wine needs an X display for any window.
orv_start_xvfb() {
  [ -n "${DISPLAY:-}" ] && return 0
  local fdfile
  fdfile="$(mktemp)"
  # -displayfd lets the server pick a free display number and report it once it is ready.
  Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  ORV_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$fdfile" ]; then break; fi
    if ! kill -0 "$ORV_XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  local num
  num="$(tr -dc '0-9' <"$fdfile")"
  rm -f "$fdfile"
  if [ -z "$num" ]; then
    orv_log "Xvfb did not start"
    ORV_XVFB_PID=""
    return 1
  fi
  export DISPLAY=":$num"
  orv_log "Xvfb pid $ORV_XVFB_PID on $DISPLAY"
}

# Creates the prefix on first use: 5-15 s and about 700 MB. A prefix made before Wine's 32-bit
# part was installed has an empty syswow64: it is updated once (about 20 s).
orv_make_prefix() {
  if [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.orvanel-ready" ]; then
    [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] && return 0
    # A kernel that runs no 32-bit programs: there is no 32-bit part to add.
    "$WINE32" --version >/dev/null 2>&1 || return 0
    orv_log "adding 32-bit support to Wine prefix $WINEPREFIX"
    # wineboot -u skips a prefix whose timestamp matches this Wine: remove it to force the update.
    rm -f "$WINEPREFIX/.update-timestamp"
    WINEDLLOVERRIDES="mscoree=;mshtml=" "$WINE64" wineboot -u >/dev/null 2>&1 || true
    "$WINESERVER" -w
    [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] && return 0
    orv_log "Wine prefix $WINEPREFIX has no 32-bit support (is wine32:i386 installed?)"
    return 1
  fi
  orv_log "creating Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # No Mono/Gecko download prompts while the prefix is made (nobody is there to answer them).
  # wineboot under the 64-bit loader, so that the prefix is a 64-bit one with its syswow64.
  WINEDLLOVERRIDES="mscoree=;mshtml=" "$WINE64" wineboot -i >/dev/null 2>&1 || true
  "$WINESERVER" -w
  # No audio device here: an empty driver list keeps ALSA noise off stderr.
  "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1
  "$WINESERVER" -w
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    orv_log "wineboot failed to create $WINEPREFIX"
    return 1
  fi
  touch "$WINEPREFIX/.orvanel-ready"
}

# Wine draws the caption buttons and other frame glyphs with the Marlett font; this Wine does
# not find the one of Debian's fonts-wine by itself (the buttons read "0 r"): the prefix gets a
# copy in its Fonts folder.
orv_install_fonts() {
  local source=/usr/share/wine/fonts/marlett.ttf fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -f "$source" ] && [ -d "$fonts" ] || return 0
  [ -f "$fonts/marlett.ttf" ] || cp "$source" "$fonts/marlett.ttf"
}

# Ends the wine processes of this prefix (all started by these scripts) and the Xvfb started above.
orv_wine_stop() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  if [ -n "$ORV_XVFB_PID" ]; then
    kill "$ORV_XVFB_PID" 2>/dev/null || true
    wait "$ORV_XVFB_PID" 2>/dev/null || true
    ORV_XVFB_PID=""
  fi
}

orv_start_xvfb && orv_make_prefix && orv_install_fonts
