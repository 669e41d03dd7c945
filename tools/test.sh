#!/usr/bin/env bash
# The one test command. On a fresh Debian 12 machine (as root, or with sudo):
#   bash tools/test.sh
# It installs what is missing, builds the native and the Windows builds, then runs
#   tier 1  the portable core's unit tests (ctest, native),
#           the sanitizer tier: the same tests built with ASan and UBSan (build/native-asan),
#           the fuzz stage: each libFuzzer target of fuzz/ for ORV_FUZZ_SECONDS (20) seconds,
#   tier 2  orvanel_win32_tests.exe under Wine: the shipped 32-bit (i686) build (with
#           ORV_X86_64=1 also the same tests of an x86_64 build, the only x86_64 target built:
#           about a minute more),
#   tier 3  the end-to-end driver orvanel_e2e.exe under Wine against the real (i686) Orvanel.exe,
#           and again as an unprivileged user (tests/e2e/limited_session.sh, a session without
#           elevation), then the two tests of an online check whose host never answers, in a
#           network namespace that drops the packets (tools/dropping-netns.sh; skipped where none
#           can be made),
#   tier 4  the installer (tests/installer/installer_test.sh) in a fresh Wine prefix of its own,
# then the benchmark program and the whole program's figures (orvanel_program_bench.exe, with
# ORV_BENCH_SCANS scans, default 1000; printed, not judged). The last line is
# "N passed, N failed" over all tiers; the exit code is non-zero when a tier failed or ran nothing.
# On a machine whose kernel runs no 32-bit programs (Wine's 32-bit loader fails with "Exec format
# error"), the i686 build is still built, and tiers 2, 3 and 4 and the whole program's figures run
# the x86_64 build instead; the summary says so.
# Overrides: ORV_NATIVE_BUILD, ORV_WIN_BUILD (i686), ORV_WIN64_BUILD (x86_64), ORV_ASAN_BUILD,
# ORV_FUZZ_BUILD (build folders), ORV_FUZZ_SECONDS (the fuzz stage's time per target),
# ORV_X86_64=1 (add the x86_64 tier 2), ORV_WINEPREFIX (see wine-env.sh), ORV_BENCH_SCANS.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
NATIVE="${ORV_NATIVE_BUILD:-$ROOT/build/native}"
WIN="${ORV_WIN_BUILD:-$ROOT/build/win32}"
WIN64="${ORV_WIN64_BUILD:-$ROOT/build/win64}"
ASAN="${ORV_ASAN_BUILD:-$ROOT/build/native-asan}"
FUZZ="${ORV_FUZZ_BUILD:-$ROOT/build/fuzz}"
FUZZ_SECONDS="${ORV_FUZZ_SECONDS:-20}"
X86_64="${ORV_X86_64:-0}"
LOGS="$ROOT/build/test-logs"
SHOTS="$ROOT/build/screenshots"
mkdir -p "$LOGS"

total_passed=0
total_failed=0
any_tier_failed=0
declare -a report=()

say() { printf '\n==== %s\n' "$*"; }

# Runs a stage and records its time: stage NAME COMMAND...
stage() {
  local name="$1"; shift
  local start=$SECONDS rc
  say "$name"
  "$@"
  rc=$?
  report+=("$(printf '%-28s %4ss  %s' "$name" "$((SECONDS - start))" "$([ $rc -eq 0 ] && echo ok || echo FAILED)")")
  return $rc
}

# Sets PASSED/FAILED from a GoogleTest log (carriage returns already removed). A run that died
# before its summary counts the tests it finished plus one failure for the crash.
parse_gtest() {
  local log="$1" line
  PASSED=0; FAILED=0
  line="$(grep -E '^\[  PASSED  \] [0-9]+ test' "$log" | tail -1)"
  if [ -n "$line" ]; then
    PASSED="$(echo "$line" | grep -oE '[0-9]+' | head -1)"
    line="$(grep -E '^\[  FAILED  \] [0-9]+ tests?, listed below' "$log" | tail -1)"
    [ -n "$line" ] && FAILED="$(echo "$line" | grep -oE '[0-9]+' | head -1)"
  else
    PASSED="$(grep -cE '^\[       OK \] ' "$log")"
    FAILED="$(grep -cE '^\[  FAILED  \] .*\([0-9]+ ms\)$' "$log")"
    FAILED=$((FAILED + 1))
  fi
}

# Adds a tier's counts; a tier fails when its command failed, a test failed or no test ran.
count_tier() {
  local name="$1" rc="$2" passed="$3" failed="$4"
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  if [ "$rc" -ne 0 ] || [ "$failed" -ne 0 ] || [ "$passed" -eq 0 ]; then
    any_tier_failed=1
    report+=("$(printf '%-28s %s passed, %s failed (exit %s)  FAILED' "$name" "$passed" "$failed" "$rc")")
    # A tier that ran nothing still counts as one failure in the summary.
    if [ "$failed" -eq 0 ]; then total_failed=$((total_failed + 1)); fi
  else
    report+=("$(printf '%-28s %s passed, %s failed' "$name" "$passed" "$failed")")
  fi
}

finish() {
  say "summary"
  printf '%s\n' "${report[@]}"
  echo "total time ${SECONDS}s"
  echo "${total_passed} passed, ${total_failed} failed"
  if [ "$any_tier_failed" -ne 0 ] || [ "$total_failed" -ne 0 ]; then exit 1; fi
  exit 0
}

# ---- set-up and the two builds ----
if ! stage "setup" bash tools/setup-debian.sh; then
  any_tier_failed=1; total_failed=$((total_failed + 1)); finish
fi

build_native() {
  cmake -S "$ROOT" -B "$NATIVE" >"$LOGS/native-configure.log" 2>&1 || { cat "$LOGS/native-configure.log"; return 1; }
  cmake --build "$NATIVE" -j2 >"$LOGS/native-build.log" 2>&1 || { tail -40 "$LOGS/native-build.log"; return 1; }
  grep -E 'warning' "$LOGS/native-build.log" || true
}
# build_win FOLDER TOOLCHAIN LOGNAME [TARGET]
build_win() {
  local dir="$1" toolchain="$2" log="$3"; shift 3
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" \
    >"$LOGS/$log-configure.log" 2>&1 || { cat "$LOGS/$log-configure.log"; return 1; }
  cmake --build "$dir" -j2 "$@" >"$LOGS/$log-build.log" 2>&1 || { tail -40 "$LOGS/$log-build.log"; return 1; }
  grep -E 'warning' "$LOGS/$log-build.log" || true
}
# Wine's 32-bit loader (the WINE32 of wine-env.sh) runs only where the kernel runs i386 programs.
RUNS_32BIT=1
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  RUNS_32BIT=0; X86_64=1
  report+=("note: this kernel runs no 32-bit programs: tiers 2, 3 and 4 and the whole-program figures ran the x86_64 build")
fi
native_ok=1; win_ok=1; win64_ok=1
stage "native build" build_native || native_ok=0
stage "windows build (i686)" build_win "$WIN" mingw-w64-i686.cmake win || win_ok=0
if [ "$RUNS_32BIT" = 0 ]; then
  stage "windows build (x86_64)" build_win "$WIN64" mingw-w64-x86_64.cmake win64 || win64_ok=0
elif [ "$X86_64" = 1 ]; then
  stage "windows build (x86_64)" build_win "$WIN64" mingw-w64-x86_64.cmake win64 \
    --target orvanel_win32_tests || win64_ok=0
fi

# ---- tier 1: native unit tests ----
# run_ctest NAME BUILD-OK FOLDER LOGNAME [ENV=VALUE...]: one ctest run, counted as a tier.
run_ctest() {
  local name="$1" ok="$2" dir="$3" log="$4"; shift 4
  if [ "$ok" -ne 1 ]; then count_tier "$name" 1 0 0; return 1; fi
  env "$@" ctest --test-dir "$dir" -j2 --timeout 300 --output-on-failure </dev/null >"$LOGS/$log.log" 2>&1
  local rc=$? line passed=0 failed=0 all
  grep -vE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+: ' "$LOGS/$log.log"
  line="$(grep -E '% tests passed, [0-9]+ tests? failed out of [0-9]+' "$LOGS/$log.log" | tail -1)"
  if [ -n "$line" ]; then
    failed="$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/')"
    all="$(echo "$line" | sed -E 's/.*failed out of ([0-9]+).*/\1/')"
    passed=$((all - failed))
  fi
  count_tier "$name" "$rc" "$passed" "$failed"
  [ "$rc" -eq 0 ] && [ "$passed" -gt 0 ]
}
stage "tier 1" run_ctest "tier 1 (native ctest)" $native_ok "$NATIVE" tier1

# ---- the native unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer ----
# Any report ends its test with a failure (no recovery); the benchmarks are not built here.
ORV_SANITIZE="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
build_asan() {
  cmake -S "$ROOT" -B "$ASAN" -DCMAKE_CXX_FLAGS="$ORV_SANITIZE" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >"$LOGS/asan-configure.log" 2>&1 \
    || { cat "$LOGS/asan-configure.log"; return 1; }
  cmake --build "$ASAN" -j2 --target orvanel_tests >"$LOGS/asan-build.log" 2>&1 \
    || { tail -40 "$LOGS/asan-build.log"; return 1; }
}
asan_ok=1
stage "sanitizer build" build_asan || asan_ok=0
stage "sanitizer tier" run_ctest "sanitizer tier (ASan+UBSan)" $asan_ok "$ASAN" sanitizer \
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1

# ---- fuzz targets (clang, libFuzzer, ASan+UBSan): a short run of each ----
build_fuzz() {
  cmake -S "$ROOT/fuzz" -B "$FUZZ" -DCMAKE_CXX_COMPILER=clang++ >"$LOGS/fuzz-configure.log" 2>&1 \
    || { cat "$LOGS/fuzz-configure.log"; return 1; }
  cmake --build "$FUZZ" -j2 >"$LOGS/fuzz-build.log" 2>&1 || { tail -40 "$LOGS/fuzz-build.log"; return 1; }
  grep -E 'warning' "$LOGS/fuzz-build.log" || true
}
# Each target that runs its time without a crash, a mismatch or a hang counts as one passed test.
fuzz_tier() {
  local passed=0 failed=0 t rc
  if [ "$1" -ne 1 ]; then count_tier "fuzz (${FUZZ_SECONDS}s each)" 1 0 0; return 1; fi
  for t in $(cd "$ROOT/fuzz/corpus" && ls); do
    ORV_FUZZ_BUILD="$FUZZ" timeout $((FUZZ_SECONDS + 120)) bash "$ROOT/fuzz/run.sh" "$t" \
      -max_total_time="$FUZZ_SECONDS" </dev/null >"$LOGS/fuzz-$t.log" 2>&1
    rc=$?
    if [ $rc -eq 0 ]; then
      passed=$((passed + 1))
      echo "$t: $(grep -E '^Done [0-9]+ runs' "$LOGS/fuzz-$t.log" | tail -1)," \
        "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$LOGS/fuzz-$t.log" | tail -1)"
    else
      failed=$((failed + 1))
      echo "$t: FAILED (exit $rc), log $LOGS/fuzz-$t.log"
      grep -E '^mismatch|ERROR|runtime error|SUMMARY' -A2 "$LOGS/fuzz-$t.log" | head -20
    fi
  done
  count_tier "fuzz (${FUZZ_SECONDS}s each)" 0 "$passed" "$failed"
  [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
}
fuzz_ok=1
stage "fuzz build" build_fuzz || fuzz_ok=0
stage "fuzz" fuzz_tier $fuzz_ok

# ---- Wine: private prefix, Xvfb when there is no display ----
wine_setup() {
  # shellcheck source=tools/wine-env.sh
  . "$ROOT/tools/wine-env.sh" || return 1
  # Programs left in the prefix by an interrupted earlier run would meet the tests: end them.
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  # Keep the server and Wine's services running between the many short processes of the tests.
  "$WINESERVER" -p 120
  "$WINE64" wineboot </dev/null >/dev/null 2>&1
}
wine_ok=0
stage "wine environment" wine_setup || wine_ok=1
trap 'orv_wine_stop' EXIT

# ---- tier 2: Win32 unit tests under Wine ----
# tier2 NAME BUILD-OK FOLDER LOADER LOGNAME
tier2() {
  local name="$1" ok="$2" dir="$3" loader="$4" log="$5"
  if [ "$ok" -ne 1 ] || [ $wine_ok -ne 0 ] || [ ! -f "$dir/orvanel_win32_tests.exe" ]; then
    count_tier "$name" 1 0 0; return 1
  fi
  # Into a file, not a pipe: Wine's background services inherit the output and would hold a
  # pipe open after the test ends. Lines end in CRLF.
  (cd "$dir" && timeout 600 "$loader" ./orvanel_win32_tests.exe </dev/null >"$LOGS/$log.raw" 2>&1)
  local rc=$?
  tr -d '\r' <"$LOGS/$log.raw" >"$LOGS/$log.log"
  grep -vE '^\[ (RUN|      OK) ' "$LOGS/$log.log"
  parse_gtest "$LOGS/$log.log"
  count_tier "$name" "$rc" "$PASSED" "$FAILED"
  [ "$rc" -eq 0 ] && [ "$FAILED" -eq 0 ]
}
if [ "$RUNS_32BIT" = 1 ]; then
  stage "tier 2 (i686)" tier2 "tier 2 (i686 under wine)" $win_ok "$WIN" "$WINE32" tier2
fi
if [ "$X86_64" = 1 ]; then
  stage "tier 2 (x86_64)" tier2 "tier 2 (x86_64 under wine)" $win64_ok "$WIN64" "$WINE64" tier2-x86_64
fi

# ---- tier 3: end-to-end driver under Wine ----
# The shipped i686 build, or the x86_64 one where 32-bit programs cannot run.
if [ "$RUNS_32BIT" = 1 ]; then E2E_DIR="$WIN"; E2E_OK=$win_ok; E2E_LOADER_VAR=WINE32
else E2E_DIR="$WIN64"; E2E_OK=$win64_ok; E2E_LOADER_VAR=WINE64; fi
tier3() {
  if [ "$E2E_OK" -ne 1 ] || [ $wine_ok -ne 0 ] || [ ! -f "$E2E_DIR/orvanel_e2e.exe" ]; then
    count_tier "tier 3 (end-to-end)" 1 0 0; return 1
  fi
  rm -rf "$SHOTS"; mkdir -p "$SHOTS"
  (cd "$E2E_DIR" && ORVANEL_SCREENSHOTS="$SHOTS" timeout 600 "${!E2E_LOADER_VAR}" ./orvanel_e2e.exe \
     </dev/null >"$LOGS/tier3.raw" 2>&1)
  local rc=$?
  tr -d '\r' <"$LOGS/tier3.raw" >"$LOGS/tier3.log"
  cat "$LOGS/tier3.log"
  parse_gtest "$LOGS/tier3.log"
  # The same driver in a session without elevation: as an unprivileged user of its own, from a
  # program folder that user may not write but for conf\.
  local main_passed=$PASSED main_failed=$FAILED limited_rc
  timeout 900 bash "$ROOT/tests/e2e/limited_session.sh" "$E2E_DIR" "${!E2E_LOADER_VAR}" \
    </dev/null >"$LOGS/tier3-limited.raw" 2>&1
  limited_rc=$?
  tr -d '\r' <"$LOGS/tier3-limited.raw" >"$LOGS/tier3-limited.log"
  cat "$LOGS/tier3-limited.log"
  parse_gtest "$LOGS/tier3-limited.log"
  PASSED=$((main_passed + PASSED)); FAILED=$((main_failed + FAILED))
  [ "$limited_rc" -eq 0 ] || rc=$limited_rc
  # Every screenshot must be a PNG that an independent decoder reads at its full size.
  local png size
  for png in "$SHOTS"/*.png; do
    [ -e "$png" ] || continue
    if size="$(identify -format '%wx%h' "$png" 2>/dev/null)" && [ "${size%x*}" -gt 0 ]; then
      echo "screenshot $png ($size) decodes"; PASSED=$((PASSED + 1))
    else
      echo "screenshot $png does not decode"; FAILED=$((FAILED + 1))
    fi
  done
  count_tier "tier 3 (end-to-end)" "$rc" "$PASSED" "$FAILED"
  echo "screenshots: $SHOTS"
  [ "$rc" -eq 0 ] && [ "$FAILED" -eq 0 ]
}
stage "tier 3" tier3

# ---- the online check against a host that never answers, in a network namespace ----
# tools/dropping-netns.sh drops every packet to one loopback port in a namespace of its own, whose
# hosts file also names both loopback addresses; the tests that need it run there (elsewhere they
# are skipped). Wine's sockets belong to its
# server, so the prefix's server is ended first, starts anew inside the namespace with each run,
# and is started again outside afterwards.
dropping_tier() {
  local name="network that drops packets" passed=0 failed=0 rc=0 skipped=0 run exe filter log
  if [ "$E2E_OK" -ne 1 ] || [ $wine_ok -ne 0 ]; then count_tier "$name" 1 0 0; return 1; fi
  for run in "orvanel_win32_tests Win32Connectivity.ACheckOfAHostThatNeverAnswers*:Win32HttpClient.EachAddressOfTheNameIsTried*" \
             "orvanel_e2e NoticeE2e.TheWindowAnswersWhileTheOnlineCheck*"; do
    exe="${run%% *}"; filter="${run#* }"; log="dropping-$exe"
    "$WINESERVER" -k >/dev/null 2>&1; "$WINESERVER" -w >/dev/null 2>&1
    (cd "$E2E_DIR" && timeout 300 bash "$ROOT/tools/dropping-netns.sh" "${!E2E_LOADER_VAR}" \
       "./$exe.exe" --gtest_filter="$filter" </dev/null >"$LOGS/$log.raw" 2>&1)
    local run_rc=$?
    "$WINESERVER" -k >/dev/null 2>&1; "$WINESERVER" -w >/dev/null 2>&1
    tr -d '\r' <"$LOGS/$log.raw" >"$LOGS/$log.log"
    grep -vE '^\[ (RUN|      OK) ' "$LOGS/$log.log"
    parse_gtest "$LOGS/$log.log"
    # A test the machine cannot run (no namespace) is skipped and says why; not a failure.
    if [ "$run_rc" -eq 0 ] && [ "$PASSED" -eq 0 ] && grep -qE '^\[  SKIPPED \] [0-9]+ test' "$LOGS/$log.log"; then
      skipped=$((skipped + 1)); continue
    fi
    [ "$run_rc" -ne 0 ] && rc=$run_rc
    passed=$((passed + PASSED)); failed=$((failed + FAILED))
  done
  "$WINESERVER" -p 120
  if [ "$skipped" -eq 2 ]; then
    report+=("$(printf '%-28s skipped: no network namespace here' "$name")")
    return 0
  fi
  count_tier "$name" "$rc" "$passed" "$failed"
  [ "$rc" -eq 0 ] && [ "$failed" -eq 0 ]
}
stage "network that drops packets" dropping_tier

# ---- the build whose programs this machine runs, for tier 4 and the whole-program figures ----
# The shipped i686 one, or the x86_64 one where the kernel runs no 32-bit programs.
release_targets=(orvanel_installer orvanel_ctl orvanel_program_bench)
pick_release_build() {
  if [ "$RUNS_32BIT" = 1 ]; then
    REL_DIR="$WIN"; REL_BITS=32; REL_WINE="$WINE32"; [ $win_ok -eq 1 ] || return 1
  else
    REL_DIR="$WIN64"; REL_BITS=64; REL_WINE="$WINE64"; [ $win64_ok -eq 1 ] || return 1
  fi
  cmake --build "$REL_DIR" -j2 --target "${release_targets[@]}" >"$LOGS/release-build.log" 2>&1 ||
    { tail -20 "$LOGS/release-build.log"; return 1; }
}
rel_ok=0
# Tier 4 makes a prefix of its own: it needs only the display, which the Wine set-up gives also
# where it failed for want of 32-bit support.
if [ -n "${DISPLAY:-}" ]; then stage "installer build" pick_release_build && rel_ok=1; fi

# ---- tier 4: the installer in a fresh prefix ----
tier4() {
  if [ $rel_ok -ne 1 ]; then count_tier "tier 4 (installer)" 1 0 0; return 1; fi
  local version setup
  version="$(tr -d '[:space:]' <"$REL_DIR/orvanel-version.txt")"
  setup="$REL_DIR/release/Orvanel-$version-setup.exe"
  timeout 600 bash "$ROOT/tests/installer/installer_test.sh" "$setup" "$REL_DIR/orvanel_ctl.exe" \
    "$REL_BITS" </dev/null >"$LOGS/tier4.log" 2>&1
  local rc=$? line
  cat "$LOGS/tier4.log"
  line="$(grep -E '^installer checks: [0-9]+ passed, [0-9]+ failed' "$LOGS/tier4.log" | tail -1)"
  PASSED=0; FAILED=1
  if [ -n "$line" ]; then
    PASSED="$(echo "$line" | sed -E 's/.* ([0-9]+) passed.*/\1/')"
    FAILED="$(echo "$line" | sed -E 's/.* ([0-9]+) failed.*/\1/')"
  fi
  count_tier "tier 4 (installer)" "$rc" "$PASSED" "$FAILED"
  [ "$rc" -eq 0 ] && [ "$FAILED" -eq 0 ]
}
stage "tier 4" tier4

# ---- benchmarks: printed, not judged ----
if [ -x "$NATIVE/orvanel_bench" ]; then
  stage "benchmarks (not judged)" timeout 600 "$NATIVE/orvanel_bench" </dev/null
fi
whole_program_bench() {
  local f
  echo "shipped files ($REL_BITS-bit build, stripped as released):"
  (cd "$REL_DIR/package/Orvanel" && for f in Orvanel.exe *.dll *.htm conf/*; do
     printf '  %-22s %9s bytes\n' "$f" "$(stat -c %s "$f")"; done)
  for f in "$REL_DIR"/release/*; do printf '  %-22s %9s bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"; done
  (cd "$REL_DIR" && timeout 300 "$REL_WINE" ./orvanel_program_bench.exe "${ORV_BENCH_SCANS:-1000}" \
     </dev/null >"$LOGS/program-bench.raw" 2>&1)
  local rc=$?
  tr -d '\r' <"$LOGS/program-bench.raw"
  return $rc
}
if [ $rel_ok -eq 1 ]; then stage "whole program (not judged)" whole_program_bench; fi

orv_wine_stop
trap - EXIT
finish
