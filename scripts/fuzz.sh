#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) twice: natively (64-bit long) and, where this machine runs 32-bit
# x86 code, for i386 (32-bit long, as in the product). Then runs each target in each width for a
# while, seeds first.
#   scripts/fuzz.sh                       every target for 10 minutes, shared by the widths
#   scripts/fuzz.sh --seconds 12          every target for 12 s: 6 s native, 6 s 32-bit (test.sh)
#   scripts/fuzz.sh --seconds 3600 program_file task_file
#   scripts/fuzz.sh --width 32 --seconds 60    one width only (64 or 32), all the seconds to it
#   scripts/fuzz.sh --build-only
# New inputs that reach new code collect in build/fuzz/corpus/<target> (both widths read and add
# to it); an input that breaks a property or trips a sanitizer is kept in build/fuzz/findings/
# and the script exits non-zero. Copy such an input into tests/fuzz/corpus/<target>/ together
# with its fix, so every later run replays it. The figures of each run go to
# build/fuzz/logs/<target>-<width>.log.
set -uo pipefail
source "$(dirname "$0")/lib/common.sh"

seconds=600
build_only=0
only_width=
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --width) only_width=$2; shift 2 ;;
    --build-only) build_only=1; shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
case "$only_width" in ''|64|32) ;; *) die "--width takes 64 or 32" ;; esac

SRC=$TUNARO_ROOT/tests/fuzz
OUT=${TUNARO_FUZZ_BUILD:-$TUNARO_ROOT/build/fuzz}
[ ${#targets[@]} -gt 0 ] || targets=($(cd "$SRC" && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//'))

tunaro_install
mkdir -p "$OUT"

widths=()
if [ "$only_width" != 32 ]; then
  widths+=(64)
fi
if [ "$only_width" != 64 ]; then
  if tunaro_runs_i386; then
    widths+=(32)
  elif [ "$only_width" = 32 ]; then
    die "this machine does not run 32-bit x86 programs: no 32-bit fuzz build"
  else
    log "this machine does not run 32-bit x86 programs: the fuzz targets run natively only"
  fi
fi

# The build of one width: native in build/fuzz/native, i386 in build/fuzz/i386.
tree_of() { [ "$1" = 32 ] && echo "$OUT/i386" || echo "$OUT/native"; }

launcher=()
if command -v ccache >/dev/null 2>&1 && [ -z "${TUNARO_NO_CCACHE:-}" ]; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
t0=$(date +%s)
for w in "${widths[@]}"; do
  tree=$(tree_of "$w")
  mkdir -p "$tree"
  cmake -S "$SRC" -B "$tree" -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DTUNARO_FUZZ_32=$([ "$w" = 32 ] && echo ON || echo OFF) >"$tree/configure.log" 2>&1 \
    || { cat "$tree/configure.log" >&2; die "could not configure the $w-bit fuzz build"; }
  cmake --build "$tree" -j2 -- --no-print-directory >"$tree/build.log" 2>&1 \
    || { tail -40 "$tree/build.log" >&2; die "the $w-bit fuzz build failed (log: $tree/build.log)"; }
  grep -E 'warning:' "$tree/build.log" >&2 || true
done
log "fuzz targets built (${widths[*]/%/-bit}) in $(( $(date +%s) - t0 )) s"
[ $build_only = 1 ] && exit 0

# The seconds of each target are shared by the widths: the run takes as long with both as the
# native run alone did.
share=$(( seconds / ${#widths[@]} ))
[ "$share" -ge 1 ] || share=1

failed=0
mkdir -p "$OUT/logs" "$OUT/findings"
printf '%-20s %5s %8s %12s %10s  %s\n' target width seconds executions "exec/s" result >&2
for t in "${targets[@]}"; do
  [ -f "$SRC/${t}_fuzz.cpp" ] || die "no fuzz target '$t' (have: $(cd "$SRC" && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//' | tr '\n' ' '))"
  mkdir -p "$OUT/corpus/$t"
  for w in "${widths[@]}"; do
    bin=$(tree_of "$w")/bin/${t}_fuzz
    logf=$OUT/logs/$t-$w.log
    args=(-max_total_time="$share" -timeout=10 -rss_limit_mb=1024 -max_len=16384 -print_final_stats=1
          -artifact_prefix="$OUT/findings/$t-$w-")
    [ -f "$SRC/$t.dict" ] && args+=(-dict="$SRC/$t.dict")
    # The first directory takes the new inputs; the checked-in seeds are only read.
    "$bin" "${args[@]}" "$OUT/corpus/$t" "$SRC/corpus/$t" >"$logf" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logf" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$logf" | tail -1)
    if [ $rc -eq 0 ]; then
      result=ok
    else
      result="FAILED (rc $rc), see $logf"
      failed=1
      grep -E 'ERROR: |runtime error|property failed|SUMMARY|Test unit written' "$logf" | head -8 >&2
    fi
    printf '%-20s %5s %8s %12s %10s  %s\n' "$t" "$w" "$share" "${runs:-?}" "${rate:-?}" "$result" >&2
  done
done
exit $failed
