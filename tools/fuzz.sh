#!/usr/bin/env bash
# fuzz.sh — builds the libFuzzer targets of tests/fuzz/ in build-fuzz with
# clang 14 (AddressSanitizer and UBSan, VEXLAR_FUZZ) and runs each for
# SECONDS (default 60) from its seed corpus and dictionary, one after another.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
#
# Prints the executions and findings of each target. Inputs found to reach
# new code gather in build-fuzz/fuzz-corpus/TARGET (the seeds under
# tests/fuzz/corpus stay as they are). An input that crashed, leaked, hung
# or ran out of memory is left as build-fuzz/findings/TARGET/KIND-HASH with the
# sanitizer's report beside it in build-fuzz/findings/TARGET.log; the script
# then exits 1. Needs clang-14 and libclang-rt-14-dev (scripts/install-deps.sh).
set -euo pipefail

seconds=${1:-60}
shift || true
case $seconds in
  '' | *[!0-9]*) echo "usage: tools/fuzz.sh [SECONDS] [TARGET...]" >&2; exit 2 ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in "$root"/tests/fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

started=$(date +%s)
mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DVEXLAR_FUZZ=ON -DBUILD_TESTING=OFF >"$build/fuzz-configure.log" 2>&1 ||
  { cat "$build/fuzz-configure.log" >&2; exit 1; }
cmake --build "$build" --target "${targets[@]}" -j "$jobs" >"$build/fuzz-build.log" 2>&1 ||
  { tail -n 40 "$build/fuzz-build.log" >&2; exit 1; }
built=$(date +%s)
echo "built ${#targets[@]} targets in $((built - started)) s"

suppressions=$root/tests/fuzz/lsan.supp
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if [ -f "$suppressions" ]; then
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$suppressions:print_suppressions=0}
fi

failed=0
for target in "${targets[@]}"; do
  corpus=$build/fuzz-corpus/$target
  findings=$build/findings/$target
  log=$build/findings/$target.log
  mkdir -p "$corpus" "$findings"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -close_fd_mask=3 -artifact_prefix="$findings/")
  dictionary=$root/tests/fuzz/$target.dict
  [ -f "$dictionary" ] && options+=(-dict="$dictionary")
  seeds=()
  [ -d "$root/tests/fuzz/corpus/$target" ] && seeds+=("$root/tests/fuzz/corpus/$target")

  before=$(ls "$findings")
  status=0
  (cd "$findings" && "$build/$target" "${options[@]}" "$corpus" "${seeds[@]}") >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#')
  new=$(comm -13 <(echo "$before") <(ls "$findings") | sed '/^$/d')
  found=$(echo -n "$new" | grep -c . || true)
  if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then found=1; fi
  printf '%-24s %12s executions  %d findings\n' "$target" "${runs:-?}" "$found"
  if [ "$found" -ne 0 ]; then
    failed=1
    grep -m 1 -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|^fuzz_' "$log" | sed 's/^/    /' || true
    echo "$new" | sed '/^$/d; s|^|    input: '"$findings"'/|'
    echo "    report: $log"
  fi
done
echo "done in $(( $(date +%s) - started )) s"
exit "$failed"
