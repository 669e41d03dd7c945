#!/usr/bin/env bash
# The real program in a session without elevation. Wine runs every program with full rights,
# but as an unprivileged Unix user it keeps to that user's file rights. So this script makes a
# Unix user of its own (orvanel-limited), a Wine prefix of that user (made once, in its home),
# and a copy of the build's program with the end-to-end driver beside it, in a folder that
# belongs to root and that the user may read but not write, except conf\, which belongs to the
# user (as the installer opens "conf" to the Users group on Windows). Then it runs the driver's
# LimitedSession tests there as that user, which make the machine's Run key read-only too.
#   bash tests/e2e/limited_session.sh BUILD_DIR LOADER
# BUILD_DIR holds Orvanel.exe and orvanel_e2e.exe; LOADER is the Wine loader of their bitness.
# Needs root (useradd, runuser), DISPLAY (an X server the user may reach: Xvfb as tools/wine-env.sh
# starts it takes local connections of any user). Prints the driver's output; the exit code is
# the driver's.
set -uo pipefail
BUILD="$1"
LOADER="$2"
NAME=orvanel-limited
COPY=/var/tmp/orvanel-limited-session
WINESERVER="${WINESERVER:-/usr/lib/wine/wineserver64}"
WINE64="${WINE64:-/usr/lib/wine/wine64}"

fail() { echo "limited session: $*"; exit 1; }
[ "$(id -u)" = 0 ] || fail "needs root, to make the user $NAME"
[ -n "${DISPLAY:-}" ] || fail "needs DISPLAY"
for f in Orvanel.exe orvanel_e2e.exe conf; do [ -e "$BUILD/$f" ] || fail "no $BUILD/$f"; done

id -u "$NAME" >/dev/null 2>&1 || useradd -m -s /bin/bash "$NAME" || fail "cannot make the user $NAME"
HOME_DIR="$(getent passwd "$NAME" | cut -d: -f6)"
PREFIX="$HOME_DIR/wine"
as_user() {
  runuser -u "$NAME" -- env -i HOME="$HOME_DIR" USER="$NAME" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" \
    LC_ALL=zh_CN.UTF-8 WINEPREFIX="$PREFIX" WINEDEBUG=-all WINESERVER="$WINESERVER" "$@"
}
as_user true || fail "runuser cannot run as $NAME"
# An X server that checks who connects (a desktop session's) lets the user in by name.
if ! as_user xdpyinfo >/dev/null 2>&1 && command -v xhost >/dev/null; then
  xhost "+SI:localuser:$NAME" >/dev/null
fi

# The prefix, made once (5-15 s): 64-bit, as tools/wine-env.sh makes the main one.
if [ ! -f "$PREFIX/.orvanel-ready" ]; then
  echo "limited session: making the Wine prefix of $NAME"
  as_user env WINEDLLOVERRIDES="mscoree=;mshtml=" "$WINE64" wineboot -i >/dev/null 2>&1
  as_user "$WINESERVER" -w
  as_user "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1
  as_user "$WINESERVER" -w
  [ -f "$PREFIX/system.reg" ] || fail "wineboot made no prefix for $NAME"
  as_user touch "$PREFIX/.orvanel-ready"
fi

# The program folder: root's, read-only for the user; conf\ the user's own.
rm -rf "$COPY"
mkdir -p "$COPY"
cp "$BUILD"/Orvanel.exe "$BUILD"/orvanel_e2e.exe "$BUILD"/*.dll "$BUILD"/*.htm "$COPY"/ 2>/dev/null
cp -r "$BUILD/conf" "$COPY/conf"
chown -R root:root "$COPY"
chmod -R u=rwX,go=rX "$COPY"
chown -R "$NAME:$NAME" "$COPY/conf"

as_user "$WINESERVER" -k >/dev/null 2>&1
as_user env ORVANEL_LIMITED_SESSION=1 timeout 300 "$LOADER" "$COPY/orvanel_e2e.exe" \
  --gtest_filter='LimitedSession.*' </dev/null
rc=$?
as_user "$WINESERVER" -k >/dev/null 2>&1
as_user "$WINESERVER" -w >/dev/null 2>&1
exit $rc
