#!/usr/bin/env bash
# The installer under Wine, in a fresh prefix of its own (build/wine-installer, made anew by
# every run): silent install, which registers both companion libraries (the 32-bit installer on
# 64-bit Windows also the 64-bit ones, in the 64-bit view) and leaves its mark; an install over
# it that keeps the edited lists; the installed program started from its folder with its tray
# icon, closed again with the libraries still registered; an install through the wizard's pages
# whose finish page starts the program through the shell, not as the installer's child (Wine
# has no elevation to show: that the program is not the installer's child is what it can show);
# the silent uninstaller ending it and removing what was installed and registered while keeping
# the lists, and /REMOVELISTS.
#   bash tests/installer/installer_test.sh SETUP.EXE CTL.EXE [BITS]
# CTL.EXE is orvanel_ctl.exe (start, tray, run on the shell desktop) of the same build; BITS is
# 32 (the shipped build, the default) or 64 (an x86_64 build's installer). Needs DISPLAY (an X
# server) and tools/wine-env.sh's variables. Prints PASS/FAIL per check and, last,
# "installer checks: N passed, N failed"; the exit code is non-zero when a check failed.
set -uo pipefail
SETUP="$1"
CTL="$2"
BITS="${3:-32}"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export WINEPREFIX="$ROOT/build/wine-installer"
export WINEDEBUG=-all LC_ALL=zh_CN.UTF-8
WINE64="${WINE64:-/usr/lib/wine/wine64}"
# The loader of the build's bitness runs its programs and its reg and regsvr32, which then see
# the registry view the installer and the program use.
if [ "$BITS" = 64 ]; then WINE="$WINE64"; PROGRAM_FILES="Program Files"
else WINE="${WINE32:-/usr/lib/wine/wine}"; PROGRAM_FILES="Program Files (x86)"; fi
WINESERVER="${WINESERVER:-/usr/lib/wine/wineserver64}"

passed=0; failed=0
check() {  # check NAME COMMAND...
  local name="$1"; shift
  if "$@" >/dev/null 2>&1; then echo "PASS $name"; passed=$((passed + 1))
  else echo "FAIL $name"; failed=$((failed + 1)); fi
}
absent() { ! "$@"; }

reg_has_key() { "$WINE" reg query "$1" </dev/null >/dev/null 2>&1; }
reg_has_value() { "$WINE" reg query "$1" /v "$2" </dev/null >/dev/null 2>&1; }
reg_value() {  # the data of a value (reg prints code page 936)
  "$WINE" reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8 |
    sed -nE "s/^ +$2 +REG_[A-Z_]+ +//p"
}
ctl() { "$WINE" "$CTL" "$@" </dev/null; }
wait_for() {  # wait_for SECONDS COMMAND...: polls until the command succeeds
  local until=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do [ $SECONDS -ge $until ] && return 1; sleep 0.5; done
}

UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvanel'
RUN_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
USER_RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
MENU_CURRENT='HKCU\Software\Microsoft\Internet Explorer\MenuExt\当前页面加入黑名单'
MENU_LINK='HKCU\Software\Microsoft\Internet Explorer\MenuExt\加入黑名单'
SELMONT_CLASS='HKCR\CLSID\{6B1E93D2-4F0A-4C57-9E38-2D7A5C1F0B64}'
DARROWIN_CLASS='HKCR\CLSID\{C4D2A871-0B5E-4F93-8A16-7E5B3D90F2C8}'
SETTINGS_KEY='HKCU\Software\Tavrosel\Orvanel'
MARK_KEY='HKLM\Software\Tavrosel\Orvanel'
CATEGORY='Implemented Categories\{59FB2056-D625-48D0-A944-1A85B5AB2640}'
DIR="$WINEPREFIX/drive_c/$PROGRAM_FILES/Orvanel"
WINDIR="C:\\$PROGRAM_FILES\\Orvanel"
SETUP_WINDOWS="Z:$(realpath "$SETUP" | tr / '\\')"
MENU_DIR="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/岚澄欧凡诺"
INSTALLED_FILES=(Orvanel.exe Cravet.dll Selmont.dll Darrowin.dll GetCurrent.htm GetLink.htm
               conf/blocked.wav uninst.exe)
LISTS=(conf/KillAD.ini conf/antix_data.ini conf/urlShortcut.ini)
if [ "$BITS" = 32 ]; then INSTALLED_FILES+=(x64/Selmont.dll x64/Darrowin.dll); fi

# ---- a fresh prefix ----
"$WINESERVER" -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
WINEDLLOVERRIDES="mscoree=;mshtml=" "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
"$WINESERVER" -w
"$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f </dev/null >/dev/null 2>&1
"$WINESERVER" -p 60

install() { timeout 180 "$WINE" "$SETUP" /S </dev/null; }
# Wine's icacls changes nothing and only logs what it was asked (as a "fixme"): the first
# install keeps that log, to show the grant on conf.
ICACLS_LOG="$WINEPREFIX/icacls.log"
install_logging_icacls() { WINEDEBUG=-all,fixme+icacls install 2>"$ICACLS_LOG"; }
# Modify rights with inheritance for the Users group on conf, and on nothing else.
conf_granted_to_users() {
  grep -F '/grant' "$ICACLS_LOG" | grep -F '*S-1-5-32-545:(OI)(CI)M' | grep -qF 'Orvanel\\conf"' &&
    [ "$(grep -cF '/grant' "$ICACLS_LOG")" = 1 ]
}
all_installed() { local f; for f in "${INSTALLED_FILES[@]}" "${LISTS[@]}"; do [ -f "$DIR/$f" ] || return 1; done; }
none_installed() { local f; for f in "${INSTALLED_FILES[@]}"; do [ ! -e "$DIR/$f" ] || return 1; done; }
lists_kept() { local f; for f in "${LISTS[@]}"; do grep -q 'edited by the user' "$DIR/$f" || return 1; done; }
quoted_uninstall() { [ "$(reg_value "$UNINSTALL_KEY" UninstallString)" = "\"$WINDIR\\uninst.exe\"" ]; }
size_in_kib() {  # EstimatedSize within 10 % of what the installed files take
  local kib; kib=$(($(reg_value "$UNINSTALL_KEY" EstimatedSize)))
  local real; real=$(du -sk --apparent-size "$DIR" | cut -f1)
  [ "$kib" -gt $((real * 9 / 10)) ] && [ "$kib" -lt $((real * 11 / 10)) ]
}
uninstall_quietly() {  # the system's quiet uninstall command, as the list of programs runs it
  local command; command="$(reg_value "$UNINSTALL_KEY" QuietUninstallString)"
  [ -n "$command" ] || return 1
  # shellcheck disable=SC2086  # the command's words: the quoted path and /S
  eval "ctl run 120000 $command $*"
}
no_program_running() { ! ctl tray 500; }
classes_gone() { ! reg_has_key "$SELMONT_CLASS" && ! reg_has_key "$DARROWIN_CLASS"; }
classes_registered() {  # both, from the program folder, with the AppContainer category
  local class
  for class in "$SELMONT_CLASS" "$DARROWIN_CLASS"; do
    reg_has_key "$class\\$CATEGORY" || return 1
  done
  [ "$(default_value "$SELMONT_CLASS\\InprocServer32")" = "$WINDIR\\Selmont.dll" ] &&
    [ "$(default_value "$DARROWIN_CLASS\\InprocServer32")" = "$WINDIR\\Darrowin.dll" ]
}
default_value() {  # the default value of a key, whatever reg calls it in this language
  "$WINE" reg query "$1" /ve </dev/null 2>/dev/null | tr -d '\r' | iconv -f GBK -t UTF-8 |
    sed -nE 's/^ +[^ ].* +REG_SZ +//p' | head -1
}
# The 32-bit installer on 64-bit Windows: the 64-bit companions in the 64-bit view.
x64_registered() {
  [ "$("$WINE64" reg query "$SELMONT_CLASS\\InprocServer32" /ve </dev/null 2>/dev/null |
       tr -d '\r' | iconv -f GBK -t UTF-8 | sed -nE 's/^ +[^ ].* +REG_SZ +//p')" = "$WINDIR\\x64\\Selmont.dll" ] &&
    "$WINE64" reg query "$DARROWIN_CLASS\\$CATEGORY" </dev/null >/dev/null 2>&1
}
x64_gone() { ! "$WINE64" reg query "$SELMONT_CLASS" </dev/null >/dev/null 2>&1 &&
             ! "$WINE64" reg query "$DARROWIN_CLASS" </dev/null >/dev/null 2>&1; }
mark_left() { [ "$(reg_value "$MARK_KEY" LibrariesRegistered)" = 0x1 ]; }
# An install through the wizard's pages: its finish page's run box is ticked as it comes.
INSTALLER_PID=""
wizard_install() {
  # Into a file: a program the installer started as its own child would hold a pipe open.
  local out="$WINEPREFIX/wizard.out" rc
  ctl wizard 180000 "$SETUP_WINDOWS" >"$out"
  rc=$?
  INSTALLER_PID="$(tr -d '\r' <"$out" | sed -nE 's/^installer ([0-9]+)$/\1/p')"
  [ "$rc" -eq 0 ] && [ -n "$INSTALLER_PID" ]
}
started_apart() {  # the running program's parent is not the installer
  local parent
  parent="$(ctl parent 30000 | tr -d '\r' | cut -d' ' -f1)" || return 1
  echo "program's parent: $parent, installer: $INSTALLER_PID"
  [ -n "$parent" ] && [ "$parent" != "$INSTALLER_PID" ]
}
menu_keys_gone() { ! reg_has_key "$MENU_CURRENT" && ! reg_has_key "$MENU_LINK"; }

# ---- install ----
check "silent install ends with exit code 0" install_logging_icacls
if ! all_installed; then  # nothing that follows would mean anything
  echo "FAIL the installer installed nothing: the checks after it are not run"
  echo "installer checks: $passed passed, $((failed + 1)) failed"
  "$WINESERVER" -k >/dev/null 2>&1 || true
  exit 1
fi
check "program, libraries, pages, conf and uninstaller in $PROGRAM_FILES\\Orvanel" all_installed
check "start-menu entry" test -f "$MENU_DIR/岚澄欧凡诺.lnk"
check "uninstall entry: version" test "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" = \
  "$(tr -d '[:space:]' <"$(dirname "$SETUP")/../orvanel-version.txt")"
check "uninstall entry: publisher" test "$(reg_value "$UNINSTALL_KEY" Publisher)" = Tavrosel
check "uninstall entry: quoted UninstallString" quoted_uninstall
check "uninstall entry: EstimatedSize in KiB" size_in_kib
check "uninstall entry: install location" test "$(reg_value "$UNINSTALL_KEY" InstallLocation)" = "$WINDIR"
check "uninstall entry: NoModify" test "$(reg_value "$UNINSTALL_KEY" NoModify)" = 0x1
check "the Users group may modify conf, and only conf" conf_granted_to_users
check "the installer registered Selmont.dll and Darrowin.dll, with their category" classes_registered
check "the installer left its mark" mark_left
if [ "$BITS" = 32 ]; then
  check "the 64-bit companions registered in the 64-bit view" x64_registered
fi

# ---- an install over it keeps the user's lists ----
for f in "${LISTS[@]}"; do printf '; edited by the user\r\n' >>"$DIR/$f"; done
sums_before="$(cd "$DIR" && sha256sum "${LISTS[@]}")"
check "install over the installed program" install
check "install over it keeps the edited lists byte for byte" \
  test "$(cd "$DIR" && sha256sum "${LISTS[@]}")" = "$sums_before"

# ---- the installed program runs, and leaves the installer's registration when it closes ----
check "installed program starts with its tray icon" ctl start "$WINDIR\\Orvanel.exe" 30000
check "it wrote the context-menu keys" reg_has_key "$MENU_CURRENT"
check "the program closes" ctl close 30000
sleep 2  # RegSvr32 would be started at the close
check "both libraries still registered after the program closed" classes_registered

# ---- the finish page's run box: the program starts through the shell ----
check "an install through the wizard's pages ends with exit code 0" wizard_install
check "its run box started the program" ctl tray 30000
check "the program is not the installer's child" started_apart
check "the libraries are registered after that install" classes_registered

# ---- the uninstaller ends the program ----
check "silent uninstall ends with exit code 0" uninstall_quietly
check "uninstaller ended the running program" no_program_running
check "installed files removed" none_installed
check "edited lists kept" lists_kept
check "uninstall entry removed" absent reg_has_key "$UNINSTALL_KEY"
check "start-menu entry removed" test ! -e "$MENU_DIR"
check "start-up value removed" absent reg_has_value "$RUN_KEY" TavroselOrvanel
check "context-menu keys removed" absent reg_has_key "$MENU_CURRENT"
check "Selmont.dll and Darrowin.dll unregistered" classes_gone
check "the installer's mark removed" absent reg_has_value "$MARK_KEY" LibrariesRegistered
if [ "$BITS" = 32 ]; then
  check "the 64-bit companions unregistered" x64_gone
fi

# ---- what an instance that did not close leaves is removed too; /REMOVELISTS ----
check "install again over the kept lists" install
check "the kept lists stay as edited" lists_kept
"$WINE" regsvr32 /s "$WINDIR\\Selmont.dll" </dev/null
"$WINE" regsvr32 /s "$WINDIR\\Darrowin.dll" </dev/null
"$WINE" reg add "$RUN_KEY" /v TavroselOrvanel /d "$WINDIR\\Orvanel.exe" /f </dev/null >/dev/null 2>&1
# A run without elevation puts its start-up value under the user's key.
"$WINE" reg add "$USER_RUN_KEY" /v TavroselOrvanel /d "$WINDIR\\Orvanel.exe" /f </dev/null >/dev/null 2>&1
"$WINE" reg add "$MENU_CURRENT" /ve /d "$WINDIR\\GetCurrent.htm" /f </dev/null >/dev/null 2>&1
"$WINE" reg add "$MENU_LINK" /ve /d "$WINDIR\\GetLink.htm" /f </dev/null >/dev/null 2>&1
"$WINE" reg add "$SETTINGS_KEY" /v AllowIEMenu /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
check "left-behind registrations in place" reg_has_key "$DARROWIN_CLASS"
check "silent uninstall with /REMOVELISTS" uninstall_quietly /REMOVELISTS
check "Selmont.dll and Darrowin.dll unregistered" classes_gone
check "start-up value removed" absent reg_has_value "$RUN_KEY" TavroselOrvanel
check "the user's start-up value removed" absent reg_has_value "$USER_RUN_KEY" TavroselOrvanel
check "both context-menu keys removed" menu_keys_gone
check "settings key removed" absent reg_has_key "$SETTINGS_KEY"
check "program folder removed, lists with it" test ! -e "$DIR"

"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINESERVER" -w >/dev/null 2>&1 || true
echo "installer checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
