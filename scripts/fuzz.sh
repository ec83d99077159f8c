#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz natively with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each one for a while, seeds first.
#   scripts/fuzz.sh                       every target for 10 minutes
#   scripts/fuzz.sh --seconds 15          every target for 15 s (scripts/test.sh does this)
#   scripts/fuzz.sh --seconds 3600 program_file task_file
#   scripts/fuzz.sh --build-only
# New inputs that reach new code collect in build/fuzz/corpus/<target>; an input that breaks a
# property or trips a sanitizer is kept in build/fuzz/findings/ and the script exits non-zero.
# Copy such an input into tests/fuzz/corpus/<target>/ together with its fix, so every later run
# replays it. The figures of each run go to build/fuzz/logs/<target>.log.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"

seconds=600
build_only=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --build-only) build_only=1; shift ;;
    -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done

SRC=$TUNARO_ROOT/tests/fuzz
OUT=${TUNARO_FUZZ_BUILD:-$TUNARO_ROOT/build/fuzz}
[ ${#targets[@]} -gt 0 ] || targets=($(cd "$SRC" && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//'))

tunaro_install
mkdir -p "$OUT"
launcher=()
if command -v ccache >/dev/null 2>&1 && [ -z "${TUNARO_NO_CCACHE:-}" ]; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
t0=$(date +%s)
cmake -S "$SRC" -B "$OUT" -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >"$OUT/configure.log" 2>&1 \
  || { cat "$OUT/configure.log" >&2; die "could not configure the fuzz build"; }
cmake --build "$OUT" -j2 -- --no-print-directory >"$OUT/build.log" 2>&1 \
  || { tail -40 "$OUT/build.log" >&2; die "the fuzz build failed (log: $OUT/build.log)"; }
grep -E 'warning:' "$OUT/build.log" >&2 || true
log "fuzz targets built in $(( $(date +%s) - t0 )) s"
[ $build_only = 1 ] && exit 0

failed=0
mkdir -p "$OUT/logs" "$OUT/findings"
printf '%-20s %8s %12s %10s  %s\n' target seconds executions "exec/s" result >&2
for t in "${targets[@]}"; do
  bin=$OUT/bin/${t}_fuzz
  [ -x "$bin" ] || die "no fuzz target '$t' (have: $(cd "$SRC" && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//' | tr '\n' ' '))"
  mkdir -p "$OUT/corpus/$t"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -max_len=16384 -print_final_stats=1
        -artifact_prefix="$OUT/findings/$t-")
  [ -f "$SRC/$t.dict" ] && args+=(-dict="$SRC/$t.dict")
  # The first directory takes the new inputs; the checked-in seeds are only read.
  "$bin" "${args[@]}" "$OUT/corpus/$t" "$SRC/corpus/$t" >"$OUT/logs/$t.log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$OUT/logs/$t.log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$OUT/logs/$t.log" | tail -1)
  if [ $rc -eq 0 ]; then
    result=ok
  else
    result="FAILED (rc $rc), see $OUT/logs/$t.log"
    failed=1
    grep -E 'ERROR: |runtime error|property failed|SUMMARY|Test unit written' "$OUT/logs/$t.log" | head -8 >&2
  fi
  printf '%-20s %8s %12s %10s  %s\n' "$t" "$seconds" "${runs:-?}" "${rate:-?}" "$result" >&2
done
exit $failed
