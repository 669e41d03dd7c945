#!/usr/bin/env bash
# Runs one fuzz target of the clang build (build/fuzz) on its seeds (fuzz/corpus/TARGET, only
# read) and a working corpus in the build that keeps what the runs found:
#   bash fuzz/run.sh TARGET [libFuzzer options...]
#   bash fuzz/run.sh wildcard_fuzzer -max_total_time=20
#   bash fuzz/run.sh wildcard_fuzzer -runs=10000000
# A crash or mismatch stops the run with a non-zero exit and leaves the input in
# build/fuzz/artifacts/. ORV_FUZZ_BUILD overrides the build folder.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ORV_FUZZ_BUILD:-$ROOT/build/fuzz}"
target="${1:?usage: fuzz/run.sh TARGET [libFuzzer options...]}"; shift
# Longest input: enough for a black list's patterns and a long address, a notice answer's
# headers, an INI file of some sections; longer inputs only slow each run down.
case "$target" in
  ini_round_trip_fuzzer) max_len=2048 ;;
  *) max_len=1024 ;;
esac
mkdir -p "$BUILD/corpus/$target" "$BUILD/artifacts"
# A small quarantine: the default (256 MB of freed memory kept unusable) makes every run touch
# fresh pages and costs two thirds of the speed; use-after-free is still caught at once.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=4:malloc_context_size=8}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
exec "$BUILD/$target" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$BUILD/artifacts/$target-" "$@" "$BUILD/corpus/$target" "$ROOT/fuzz/corpus/$target"
